#pragma once

// Helpers shared by the tests: Rigaku scan files laid out from explicit
// bytes, a scratch directory, and a check for FileError.

#include "scan_record.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace scanmill::testing {

// The fields of a Rigaku D/Max-B raw file that the program reads.
struct RigakuFields {
    std::string date = "14-FEB-05   ";
    std::string time = "10:32:07";
    std::string title = "Quartz standard";
    float start = 10.0F;
    float step = 0.02F;
    std::optional<std::int16_t> count; // default: the number of intensities
    std::uint32_t stepTimeBits = std::bit_cast<std::uint32_t>(1.5F);
    std::vector<float> intensities = {100.0F, 250.5F, 0.75F};
};

inline void putLe(std::string& bytes, std::size_t offset, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        bytes[offset + i] = static_cast<char>(value >> (8 * i));
    }
}

// Text fields are padded with blanks to their width; the other header bytes
// are 0xEE so that a reader taking the wrong bytes is caught.
inline std::string rigakuBytes(const RigakuFields& f) {
    std::string bytes(200 + 4 * f.intensities.size(), '\xEE');
    auto putText = [&](std::size_t offset, const std::string& text, std::size_t width) {
        std::string padded = text;
        padded.resize(width, ' ');
        bytes.replace(offset, width, padded, 0, width);
    };
    putText(4, f.date, 12);
    putText(16, f.time, 8);
    putText(24, f.title, 40);
    putLe(bytes, 136, std::bit_cast<std::uint32_t>(f.start), 4);
    putLe(bytes, 140, std::bit_cast<std::uint32_t>(f.step), 4);
    const auto count = f.count.value_or(static_cast<std::int16_t>(f.intensities.size()));
    putLe(bytes, 144, std::bit_cast<std::uint16_t>(count), 2);
    putLe(bytes, 148, f.stepTimeBits, 4);
    for (std::size_t i = 0; i < f.intensities.size(); ++i) {
        putLe(bytes, 200 + 4 * i, std::bit_cast<std::uint32_t>(f.intensities[i]), 4);
    }
    return bytes;
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::ssize(bytes));
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The names in dir, sorted.
inline std::vector<std::string> entriesOf(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A fresh directory for one test, removed with everything in it afterwards.
class ScratchDirectory {
public:
    // tag tells apart several directories of one test.
    explicit ScratchDirectory(const std::string& tag = "") {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name =
            std::string("scanmill-") + test->test_suite_name() + "-" + test->name() + tag;
        std::replace(name.begin(), name.end(), '/', '-'); // parameterised tests have "/"
        path_ = std::filesystem::path(::testing::TempDir()) / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDirectory() {
        // A test may have taken away write permission; give it back to remove
        // all (Windows removes no read-only file either).
        std::error_code ignored;
        for (auto it = std::filesystem::recursive_directory_iterator(path_, ignored);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
            std::filesystem::permissions(it->path(),
                                         it->is_directory(ignored)
                                             ? std::filesystem::perms::owner_all
                                             : std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add, ignored);
        }
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    // The directory as a FileSelection holds it: with its trailing separator.
    std::string withSeparator() const { return path_.string() + pathSeparator; }
    std::vector<std::string> entries() const { return entriesOf(path_); }

private:
    std::filesystem::path path_;
};

// Expects fn to throw FileError with this number and a description holding fragment.
inline void expectFileError(const std::function<void()>& fn, int number,
                            const std::string& fragment) {
    try {
        fn();
        ADD_FAILURE() << "expected FileError " << number << " mentioning " << fragment;
    } catch (const FileError& error) {
        EXPECT_EQ(error.number(), number) << error.description();
        EXPECT_NE(error.description().find(fragment), std::string::npos)
            << "description: " << error.description() << "\nexpected to mention: " << fragment;
        EXPECT_STREQ(error.what(), error.description().c_str());
    }
}

} // namespace scanmill::testing

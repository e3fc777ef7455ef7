// SPDX-License-Identifier: MIT
#pragma once

// Helpers shared by the engine tests: a scratch directory and a check for
// FileError, on top of the scan bytes and file helpers that the window tests,
// benchmarks and fuzz seeds use too.

#include "file_bytes.h"
#include "file_error.h"
#include "platform.h"
#include "rigaku_scan_bytes.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#ifdef _WIN32
#include <windows.h>
#endif

namespace scanmill::testing {

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
    // The directory as a selection holds it: with its trailing separator.
    std::string withSeparator() const { return path_.string() + pathSeparator; }
    std::vector<std::string> entries() const { return entriesOf(path_); }

private:
    std::filesystem::path path_;
};

// Scans of these names in dir, each titled "scan NAME".
inline void writeScans(const ScratchDirectory& dir, const std::vector<std::string>& names) {
    RigakuFields fields;
    for (const auto& name : names) {
        fields.title = "scan " + name;
        writeFile(dir / name, rigakuBytes(fields));
    }
}

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

// The numbers failed system calls show with: errno on POSIX, Windows' own
// error codes on Windows.
namespace shown {
#ifdef _WIN32
inline constexpr int fileNotFound = ERROR_FILE_NOT_FOUND;
inline constexpr int pathNotFound = ERROR_PATH_NOT_FOUND;
inline constexpr int accessDenied = ERROR_ACCESS_DENIED;
inline constexpr int notADirectory = ERROR_DIRECTORY;
inline constexpr int diskFull = ERROR_DISK_FULL;
#else
inline constexpr int fileNotFound = ENOENT;
inline constexpr int pathNotFound = ENOENT;
inline constexpr int accessDenied = EACCES;
inline constexpr int notADirectory = ENOTDIR;
inline constexpr int diskFull = ENOSPC;
#endif
} // namespace shown

#ifdef _WIN32
// Windows' own text for an error code, as a description ends with it.
inline std::string windowsWords(DWORD code) {
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, text, 512, nullptr);
    while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n')) {
        --length;
    }
    const std::u8string utf8 = std::filesystem::path(std::wstring(text, length)).u8string();
    return std::string(utf8.begin(), utf8.end());
}

// The form Windows' calls take for any name at any depth, for setting up
// what the program must reach.
inline std::filesystem::path verbatim(const std::filesystem::path& path) {
    return L"\\\\?\\" + std::filesystem::absolute(path).wstring();
}

// Removes a tree that the standard library cannot reach, deepest first.
inline void removeTree(const std::string& path) {
    for (const platform::DirectoryEntry& entry :
         platform::listDirectory(path).value_or(std::vector<platform::DirectoryEntry>())) {
        const std::string inside = path + "\\" + entry.name;
        if (entry.kind == platform::EntryKind::Directory) {
            removeTree(inside);
        } else {
            platform::removeFile(inside);
        }
    }
    RemoveDirectoryW(verbatim(platform::toPath(path)).c_str());
}
#endif

} // namespace scanmill::testing

// SPDX-License-Identifier: MIT
#pragma once

// Whole files as bytes: how tests and tools put their inputs on disk and read
// the outputs back.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

namespace scanmill::testing {

// Throws when the bytes do not all reach the file, so that a broken set-up
// fails where it happens rather than as an odd result later. The file is
// dated a minute back, as an archive's scans are: a scan written a moment
// ago is read twice, two seconds apart, in case it is still being written.
// A file written again gets a later time all the same.
inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    namespace fs = std::filesystem;
    std::error_code none;
    const fs::file_time_type before = fs::last_write_time(path, none);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::ssize(bytes));
        if (!out.flush()) {
            throw std::runtime_error("cannot write " + path.string());
        }
    }
    const fs::file_time_type written = fs::last_write_time(path);
    fs::last_write_time(path, none ? written - std::chrono::minutes(1)
                                   : std::max(written - std::chrono::minutes(1),
                                              before + std::chrono::milliseconds(10)));
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace scanmill::testing

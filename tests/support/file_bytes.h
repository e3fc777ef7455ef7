// SPDX-License-Identifier: MIT
#pragma once

// Whole files as bytes: how tests and tools put their inputs on disk and read
// the outputs back.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

namespace scanmill::testing {

// Throws when the bytes do not all reach the file, so that a broken set-up
// fails where it happens rather than as an odd result later.
inline void writeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::ssize(bytes));
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace scanmill::testing

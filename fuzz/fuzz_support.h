// SPDX-License-Identifier: MIT
#pragma once

#include "file_bytes.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace scanmill::fuzz {

// A private directory for the files of one fuzzing process, removed at exit.
inline const std::filesystem::path& workDirectory() {
    static const std::filesystem::path dir = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "scanmill-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        std::atexit([] { std::filesystem::remove_all(workDirectory()); });
        return std::filesystem::path(pattern);
    }();
    return dir;
}

// The fuzzer's bytes as a file; a failure to write them ends the process.
inline void writeBytes(const std::filesystem::path& path, const std::uint8_t* data,
                       std::size_t size) {
    testing::writeFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
}

// A broken invariant: report it and stop, so libFuzzer keeps the input.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void check(bool holds, const char* what) {
    if (!holds)
        fail(what);
}

} // namespace scanmill::fuzz

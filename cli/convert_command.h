// SPDX-License-Identifier: MIT
#pragma once

#include "scan_record.h"

#include <cstdio>
#include <string>
#include <vector>

namespace scanmill::cli {

// What the command line asked for.
struct ConvertCommand {
    OutputFormat format = OutputFormat::TwoColumnAscii;
    std::string outputDirectory; // empty: each output beside its input
    bool recursive = false;
    unsigned jobs = 0; // 0: one per core
    bool quiet = false;
    bool failFast = false;
    std::vector<std::string> paths;
};

inline constexpr int exitConverted = 0;
inline constexpr int exitFailed = 1;
inline constexpr int exitUsage = 2;

// Runs the command: status lines on out, failures and notes on err, where a
// progress line is kept too when err is a terminal. Returns exitConverted
// when every file converted, else exitFailed.
int runConvertCommand(const ConvertCommand& command, std::FILE* out, std::FILE* err);

} // namespace scanmill::cli

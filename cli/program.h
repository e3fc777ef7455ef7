// SPDX-License-Identifier: MIT
#pragma once

namespace scanmill::cli {

// The name every message of the command line begins with.
inline constexpr char programName[] = "scanmill-convert";

inline constexpr int exitConverted = 0;
inline constexpr int exitFailed = 1;
inline constexpr int exitUsage = 2;
// A run stopped by a closed standard output, as if SIGPIPE had ended it:
// 128 + its number.
inline constexpr int exitOutputClosed = 128 + 13;

} // namespace scanmill::cli

// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>

namespace scanmill::cli {

// The exit status of a run stopped by a closed standard output, as if
// SIGPIPE had ended it: 128 + its number.
inline constexpr int exitOutputClosed = 128 + 13;

// Ends an interrupted run cleanly: on SIGINT, SIGTERM or SIGHUP (on Windows a
// console's Ctrl+C or Ctrl+Break, or its window closed) the temporaries in
// flight are removed, a progress line on err cleared, the status lines
// written so far flushed to out, and the program exits with 128 + the
// signal's number (130 for Ctrl+C, 129 for a closed console). A signal
// ignored on entry (nohup) stays ignored. SIGPIPE is ignored, so that a closed
// standard output is a failed write the run sees. Call it once, before any
// thread starts.
void handleInterrupts(std::FILE* out, std::FILE* err);

// The width of the progress line now shown on err, 0 for none: what an
// interrupt clears.
void setProgressWidth(int width);

} // namespace scanmill::cli

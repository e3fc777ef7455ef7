// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>

// How a run ends when it is interrupted; the part that waits for the
// interrupt differs between systems (interrupt_posix.cpp, interrupt_win32.cpp).
namespace scanmill::cli {

// Ends an interrupted run cleanly: on SIGINT, SIGTERM or SIGHUP (on Windows a
// console's Ctrl+C or Ctrl+Break, or its window closed) the temporaries in
// flight are removed (the run makes a directory only with the output that
// fills it, so it leaves none empty), a progress line on err cleared, the
// status lines
// written so far flushed to out, and the program exits with 128 + the
// signal's number (130 for Ctrl+C, 129 for a closed console). A signal
// ignored on entry (nohup) stays ignored. SIGPIPE is ignored, so that a closed
// standard output is a failed write the run sees. Call it once, before any
// thread starts.
void handleInterrupts(std::FILE* out, std::FILE* err);

// The width of the progress line now shown on err, 0 for none: what an
// interrupt clears.
void setProgressWidth(int width);

// The system's part of handleInterrupts: hands each interrupt to
// endInterruptedRun.
void catchInterrupts();

// The end of the run once an interrupt has come, with the exit status and
// what to call the interrupt. Called by the system's handler on a thread of
// its own, never in a signal handler, so that it may take locks and call the
// C library; what the other threads do meanwhile cannot put a temporary or a
// half-written output in place.
[[noreturn]] void endInterruptedRun(int status, const std::string& cause);

} // namespace scanmill::cli

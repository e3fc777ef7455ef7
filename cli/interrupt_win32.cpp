// SPDX-License-Identifier: MIT
#include "interrupt.h"

#include <csignal>
#include <windows.h>

namespace scanmill::cli {
namespace {

// The console runs this on a thread of its own.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        endInterruptedRun(128 + SIGINT, "Ctrl+C");
    }
    endInterruptedRun(128 + 1, "console closed"); // as SIGHUP on POSIX
}

} // namespace

void catchInterrupts() {
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

} // namespace scanmill::cli

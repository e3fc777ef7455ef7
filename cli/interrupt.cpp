// SPDX-License-Identifier: MIT
#include "interrupt.h"

#include "output_file.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <system_error>
#include <thread>
#endif

namespace scanmill::cli {
namespace {

std::atomic<int> progressWidth{0};
std::FILE* statusStream = stdout;
std::FILE* messageStream = stderr;

// Runs on a thread of its own, never in a signal handler, so that it may
// take locks and call the C library; what the other threads do meanwhile
// cannot put a temporary or a half-written output in place.
[[noreturn]] void endInterruptedRun(int status, const std::string& cause) {
    abandonTemporaries();
    if (const int width = progressWidth.load(); width > 0) {
        std::fprintf(messageStream, "\r%*s\r", width, "");
    }
    std::fprintf(messageStream, "scanmill-convert: interrupted (%s)\n", cause.c_str());
    std::fflush(messageStream);
    std::fflush(statusStream);
    std::_Exit(status);
}

#ifdef _WIN32
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        endInterruptedRun(128 + SIGINT, "Ctrl+C");
    }
    endInterruptedRun(128 + 1, "console closed"); // as SIGHUP on POSIX
}
#else
std::string signalName(int number) {
    switch (number) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
    default:
        return "SIGHUP";
    }
}
#endif

} // namespace

void setProgressWidth(int width) {
    progressWidth.store(width);
}

#ifdef _WIN32
void handleInterrupts(std::FILE* out, std::FILE* err) {
    statusStream = out;
    messageStream = err;
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}
#else
void handleInterrupts(std::FILE* out, std::FILE* err) {
    statusStream = out;
    messageStream = err;
    std::signal(SIGPIPE, SIG_IGN);
    // Blocked in every thread and taken by one that waits for them.
    sigset_t signals;
    sigemptyset(&signals);
    for (const int number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        if (sigaction(number, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            sigaddset(&signals, number);
        }
    }
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    try {
        std::thread([signals] {
            int number = 0;
            if (sigwait(&signals, &number) != 0) {
                return;
            }
            // A second one, while the first is handled, ends the program at once.
            sigset_t again;
            sigemptyset(&again);
            sigaddset(&again, number);
            pthread_sigmask(SIG_UNBLOCK, &again, nullptr);
            endInterruptedRun(128 + number, signalName(number));
        }).detach();
    } catch (const std::system_error&) {
        pthread_sigmask(SIG_UNBLOCK, &signals, nullptr); // the system's own handling, then
    }
}
#endif

} // namespace scanmill::cli

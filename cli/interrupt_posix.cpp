// SPDX-License-Identifier: MIT
#include "interrupt.h"

#include <csignal>
#include <pthread.h>
#include <system_error>
#include <thread>

namespace scanmill::cli {
namespace {

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

} // namespace

void catchInterrupts() {
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

} // namespace scanmill::cli

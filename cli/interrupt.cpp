// SPDX-License-Identifier: MIT
#include "interrupt.h"

#include "output_file.h"
#include "program.h"

#include <atomic>
#include <cstdlib>
#include <utility>

namespace scanmill::cli {
namespace {

std::atomic<int> progressWidth{0};
std::FILE* statusStream = stdout;
std::FILE* messageStream = stderr;

} // namespace

void setProgressWidth(int width) {
    progressWidth.store(width);
}

void handleInterrupts(std::FILE* out, std::FILE* err) {
    statusStream = out;
    messageStream = err;
    catchInterrupts();
}

void endInterruptedRun(int status, const std::string& cause) {
    abandonTemporaries();
    if (const int width = progressWidth.load(); width > 0) {
        std::fprintf(messageStream, "\r%*s\r", width, "");
    }
    std::fprintf(messageStream, "%s: interrupted (%s)\n", programName, cause.c_str());
    std::fflush(messageStream);
    std::fflush(statusStream);
    std::_Exit(status);
}

} // namespace scanmill::cli

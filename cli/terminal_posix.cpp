// SPDX-License-Identifier: MIT
#include "terminal.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace scanmill::cli {

void openClosedStandardStreams() {
    for (const int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(descriptor, F_GETFD) == -1 && errno == EBADF) {
            // The lowest free number: this one, as those below it are open,
            // so the stream's number now names /dev/null.
            open("/dev/null", descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        }
    }
}

bool isTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return {argv, argv + argc};
}

ExpandedPaths expandWildcards(const std::vector<std::string>& paths) {
    return {paths, {}}; // the shell has expanded them
}

bool explainedOutsideAConsole() {
    return false;
}

void writeText(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

} // namespace scanmill::cli

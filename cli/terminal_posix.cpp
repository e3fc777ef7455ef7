// SPDX-License-Identifier: MIT
#include "terminal.h"

#include <unistd.h>

namespace scanmill::cli {

bool isTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return {argv, argv + argc};
}

Utf8Console::Utf8Console() = default;

Utf8Console::~Utf8Console() = default;

} // namespace scanmill::cli

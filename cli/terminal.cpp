// SPDX-License-Identifier: MIT
#include "terminal.h"

#ifdef _WIN32
#include <algorithm>
#include <io.h>
#include <utility>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace scanmill::cli {

bool isTerminal(std::FILE* stream) {
#ifdef _WIN32
    return _isatty(_fileno(stream)) != 0;
#else
    return isatty(fileno(stream)) != 0;
#endif
}

#ifdef _WIN32
std::vector<std::string> utf8Arguments(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        const int length =
            WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(static_cast<std::size_t>(std::max(length, 1)), '\0');
        WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, argument.data(), length, nullptr, nullptr);
        argument.pop_back(); // the terminating NUL
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

Utf8Console::Utf8Console() : previousCodePage_(GetConsoleOutputCP()) {
    SetConsoleOutputCP(CP_UTF8);
}

Utf8Console::~Utf8Console() {
    // The code page belongs to the console, which outlives the program.
    if (previousCodePage_ != 0) {
        SetConsoleOutputCP(previousCodePage_);
    }
}
#endif

} // namespace scanmill::cli

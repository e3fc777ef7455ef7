// SPDX-License-Identifier: MIT
#include "terminal.h"

#include <algorithm>
#include <fcntl.h>
#include <io.h>
#include <utility>
#include <windows.h>

// The C runtime's own reading of the UTF-16 command line, the one a wmain
// program gets its arguments from; its headers do not declare it.
struct _startupinfo {
    int newmode;
};
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment,
                              int expandWildcards, _startupinfo* startInfo);

namespace scanmill::cli {

void openClosedStandardStreams() {
    for (const int descriptor : {0, 1, 2}) {
        // _open_osfhandle, as the engine opens files, takes the lowest free number.
        if (_get_osfhandle(descriptor) == -1) {
            const int opened = _open("NUL", descriptor == 0 ? _O_RDONLY : _O_WRONLY);
            if (opened >= 0 && opened != descriptor) {
                _dup2(opened, descriptor);
                _close(opened);
            }
        }
    }
}

bool isTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

std::vector<std::string> programArguments(int, char**) {
    int argc = 0;
    wchar_t** argv = nullptr;
    wchar_t** environment = nullptr;
    _startupinfo startInfo{0};
    __wgetmainargs(&argc, &argv, &environment, 0, &startInfo);
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

} // namespace scanmill::cli

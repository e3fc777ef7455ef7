// SPDX-License-Identifier: MIT
#include "command_line.h"

#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

namespace scanmill::win32 {

std::vector<std::wstring> commandLineArguments(const wchar_t* commandLine) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
    if (!arguments) {
        return {};
    }
    std::vector<std::wstring> files(arguments + (count > 0 ? 1 : 0), arguments + count);
    LocalFree(arguments);
    return files;
}

} // namespace scanmill::win32

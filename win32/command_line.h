// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace scanmill::win32 {

// The arguments of a command line such as GetCommandLineW gives (files and
// options), the program's own name left out, split by the system's rules
// for quotes.
std::vector<std::wstring> commandLineArguments(const wchar_t* commandLine);

} // namespace scanmill::win32

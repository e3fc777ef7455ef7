// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace scanmill::win32 {

// The files named on a command line such as GetCommandLineW gives, the
// program's own name left out, split by the system's rules for quotes.
std::vector<std::wstring> commandLineFiles(const wchar_t* commandLine);

} // namespace scanmill::win32

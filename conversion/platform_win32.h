// SPDX-License-Identifier: MIT
#pragma once

// Private to the Windows side of the platform: what its file calls and its
// path conversion share.

#include <string>

namespace scanmill::platform {

// Sets errno to the nearest POSIX number for GetLastError(), so that
// FileError numbers and descriptions mean the same on every system.
void setErrnoFromLastError();

// The UTF-16 form of a UTF-8 path; bytes that are not UTF-8 fail with EILSEQ
// rather than reach a file of some other name.
bool toWide(const std::string& path, std::wstring& wide);

// The form of path that Windows' wide calls take without changing it: UTF-16,
// absolute and behind "\\?\" ("\\?\UNC\" for a share), so that a path
// longer than 260 characters is reached too. Refused (EINVAL) when a name in
// it would be changed on the way.
bool systemPath(const std::string& path, std::wstring& wide);

} // namespace scanmill::platform

// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

// Windows takes text as UTF-16; the engine and the window's rules take UTF-8.
// These convert at that edge, NULs inside the text included.
namespace scanmill::win32 {

std::wstring wide(std::string_view text);
std::string utf8(std::wstring_view text);

} // namespace scanmill::win32

// SPDX-License-Identifier: MIT
#pragma once

#include "utf16.h"

#include <string>
#include <string_view>

// Windows takes text as UTF-16; the engine and the window's rules take UTF-8.
// These convert at that edge, NULs inside the text included; bytes that are
// not UTF-8 are shown replaced.
namespace scanmill::win32 {

inline std::wstring wide(std::string_view text) {
    return platform::toUtf16(text, platform::InvalidUtf8::Replace).value_or(std::wstring());
}

inline std::string utf8(std::wstring_view text) {
    return platform::toUtf8(text);
}

} // namespace scanmill::win32

// SPDX-License-Identifier: MIT
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Between the engine's UTF-8 and the UTF-16 that Windows' calls take, NULs
// inside the text included. Windows only: defined with the other calls that
// differ between systems, in platform_win32.cpp.
namespace scanmill::platform {

// What becomes of bytes that are not UTF-8: a path refuses them rather than
// reach a file of some other name; text that is only shown replaces each
// with U+FFFD.
enum class InvalidUtf8 { Refuse, Replace };

// The UTF-16 form of text; nothing when it holds bytes that are not UTF-8
// and invalid is Refuse (errno is then EILSEQ).
std::optional<std::wstring> toUtf16(std::string_view text, InvalidUtf8 invalid);

// The UTF-8 form of UTF-16 text; a lone surrogate becomes U+FFFD.
std::string toUtf8(std::wstring_view text);

} // namespace scanmill::platform

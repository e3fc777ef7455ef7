// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace scanmill::cli {

// A line as a terminal may show it without being steered by it: control
// characters (C0, DEL, and C1 whether UTF-8 encodes it or a lone byte
// stands for it) escaped in the manner of GNU ls's escape quoting: C's
// letters where there is one ("\n", "\t"), "\e" for ESC, else two hex digits
// ("\x9b"). A backslash is doubled, so that no escape can be forged, except
// on Windows, where it separates directories. Everything else (blanks,
// letters of any script, bytes that are not UTF-8) stays as it is.
std::string escapeControls(std::string_view text);

// The same for text of several lines: each line escaped, its end kept.
std::string escapeControlsByLine(std::string_view text);

} // namespace scanmill::cli

// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace scanmill::cli {

// A line as a terminal may show it without being steered by it: control
// characters (C0, DEL, and C1 whether UTF-8 encodes it or a lone byte
// stands for it) escaped as GNU ls's escape quoting does: "\n", "\t", "\e",
// "\x9b". A backslash is doubled, so that an escape cannot be forged, except
// on Windows, where it separates directories. Everything else (blanks,
// letters of any script, bytes that are not UTF-8) stays as it is.
std::string escapeControls(std::string_view text);

} // namespace scanmill::cli

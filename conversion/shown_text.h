// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace scanmill {

// What becomes of bytes that are not UTF-8 when a name or a title is shown.
enum class OtherBytes {
    Kept,     // as they are, for a terminal in an 8-bit encoding
    AsLatin1, // as the Latin-1 letters they stand for, in UTF-8
    // Escaped too ("\xb0"), and so is every character beyond ASCII
    // ("\u00b0", "\U0001f600") and every backslash: printable ASCII alone,
    // the same on every system, for files that other programs read.
    Escaped,
};

// A name, a path or a title as the program shows it, in a terminal, a window
// or a plot, without being steered by it: valid UTF-8 stays as it is. Control
// characters (C0, DEL, and C1, whether UTF-8 encodes it or a lone byte stands
// for it) are escaped in the manner of GNU ls's escape quoting, C's letter
// where there is one ("\n", "\t"), "\e" for ESC, else two hex digits
// ("\x9b"); the bidirectional overrides and isolates (U+202A to U+202E,
// U+2066 to U+2069) and the noncharacters U+FFFE and U+FFFF as "\u202e". A
// backslash is doubled, so that no escape can be forged, except where it
// separates directories (Windows). With AsLatin1 the result holds no
// character that XML 1.0 forbids.
std::string escapeControls(std::string_view text, OtherBytes other = OtherBytes::Kept);

// The same for text of several lines: each line escaped, its end kept.
std::string escapeControlsByLine(std::string_view text);

} // namespace scanmill

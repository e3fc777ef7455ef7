// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace scanmill {

// Bytes of a name or a title as a plot shows them, in UTF-8: valid UTF-8 as
// it is, any other byte as the Latin-1 letter it stands for. What could
// steer or hide the text is escaped in the command line's notation: control
// characters (C0, DEL, C1) as "\n", "\e", "\x9b", the bidirectional
// overrides and isolates (U+202A to U+202E, U+2066 to U+2069) and the two
// noncharacters U+FFFE and U+FFFF as "\u202e"; a backslash is doubled, so
// that no escape can be forged. The result holds no character XML 1.0
// forbids.
std::string displayText(std::string_view bytes);

} // namespace scanmill

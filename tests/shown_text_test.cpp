// SPDX-License-Identifier: MIT
#include "platform.h"
#include "shown_text.h"

#include <gtest/gtest.h>

namespace scanmill {
namespace {

// Names steer no terminal, list or plot; ordinary names, blanks and letters
// of any script, stay.
TEST(ShownText, ControlsAndOverridesAreEscaped) {
    EXPECT_EQ(escapeControls("esc\x1b[2J\x1b]0;PWNED\a.raw"), "esc\\e[2J\\e]0;PWNED\\a.raw");
    EXPECT_EQ(escapeControls("a\tb\nc\rd\x7f\x01"), "a\\tb\\nc\\rd\\x7f\\x01");
    EXPECT_EQ(escapeControls("C1 \xC2\x9B and \xC2\x9F in UTF-8, \x9B alone"),
              "C1 \\xc2\\x9b and \\xc2\\x9f in UTF-8, \\x9b alone");
    EXPECT_EQ(escapeControls("evil\xE2\x80\xAEwar.raw"), "evil\\u202ewar.raw");
    EXPECT_EQ(escapeControls("\xE2\x81\xA6x\xE2\x81\xA9"), "\\u2066x\\u2069");
    const std::string ordinary = "Probe 7 \xC3\xA9t\xC3\xA9 \xCE\xB1 \xE9t\xE9 \xA0\xC2\xA0.raw";
    EXPECT_EQ(escapeControls(ordinary), ordinary);
    EXPECT_EQ(escapeControls("one\nline\x01\nmore"), "one\\nline\\x01\\nmore");
    EXPECT_EQ(escapeControlsByLine("one\nline\x01\n"), "one\nline\\x01\n");
}

// A window or a plot shows bytes that are not UTF-8 as Latin-1 letters.
TEST(ShownText, OtherBytesAsLatin1) {
    EXPECT_EQ(escapeControls("\xE9t\xE9 \xC3\xA9", OtherBytes::AsLatin1),
              "\xC3\xA9t\xC3\xA9 \xC3\xA9");
    EXPECT_EQ(escapeControls("\x9B\xED\xA0\x80", OtherBytes::AsLatin1),
              "\\x9b\xC3\xAD\xC2\xA0\\x80")
        << "C1 bytes and a surrogate's bytes are no letters";
}

// Files for other programs: printable ASCII, the same bytes on every system.
TEST(ShownText, EscapedLeavesPrintableAsciiAlone) {
    EXPECT_EQ(escapeControls("2\xC2\xB0 \xF0\x9F\x98\x80 \xB0 \xC2\x85 \\ ~", OtherBytes::Escaped),
              "2\\u00b0 \\U0001f600 \\xb0 \\u0085 \\\\ ~");
}

TEST(ShownText, BackslashIsDoubledUnlessItSeparatesDirectories) {
    EXPECT_EQ(escapeControls("in\\a.raw"), pathSeparator == '\\' ? "in\\a.raw" : "in\\\\a.raw")
        << "no escape can be forged";
}

} // namespace
} // namespace scanmill

// SPDX-License-Identifier: MIT
// The Open dialog's value read into the directory and names the window core takes.
#include "file_dialog_value.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace scanmill::win32 {
namespace {

std::string join(const std::vector<std::string>& parts) {
    std::string value;
    for (const std::string& part : parts) {
        value += (value.empty() ? "" : std::string(1, '\0')) + part;
    }
    return value;
}

TEST(FileDialogValue, OneFileOrADirectoryAndNames) {
    const ChosenFiles one = parseFileDialogValue(R"(C:\data\scan01.raw)");
    EXPECT_EQ(one.directory, R"(C:\data\)");
    EXPECT_EQ(one.names, std::vector<std::string>{"scan01.raw"});

    // The separator is added to the directory, in the dialog's order of names.
    const ChosenFiles three = parseFileDialogValue(join({R"(C:\data)", "c.raw", "a.raw", "b.raw"}));
    EXPECT_EQ(three.directory, R"(C:\data\)");
    EXPECT_EQ(three.names, std::vector<std::string>({"c.raw", "a.raw", "b.raw"}));
    // As the system's buffer holds it, with NULs after the last name.
    EXPECT_EQ(parseFileDialogValue(join({R"(C:\data)", "c.raw", "a.raw", "b.raw", "", ""})).names,
              three.names);

    // At the root the directory already ends with it.
    EXPECT_EQ(parseFileDialogValue(join({R"(C:\)", "a.raw", "b.raw"})).directory, R"(C:\)");

    // Not from the dialog, but read soundly: no directory, which Convert takes as no selection.
    const ChosenFiles bare = parseFileDialogValue("scan01.raw");
    EXPECT_TRUE(bare.directory.empty());
    EXPECT_EQ(bare.names, std::vector<std::string>{"scan01.raw"});
}

} // namespace
} // namespace scanmill::win32

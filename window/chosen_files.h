// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace scanmill {

// What the system's file-open dialog, which both windows show for the input
// Browse, ends with when it gives no names: the control's numbers and
// descriptions, which the window shows.
namespace fileDialog {

inline constexpr int cancelError = 32755;
inline constexpr char cancelDescription[] = "Cancel was selected.";
inline constexpr int bufferTooSmallError = 20476;
inline constexpr char bufferTooSmallDescription[] =
    "The file name buffer is too small for this selection.";
// Characters (UTF-16 code units) the dialog's value may hold: room for the
// 101 names a selection takes, each as long as a file system allows, after
// their directory.
inline constexpr std::size_t bufferSize = 32767;

} // namespace fileDialog

// Files chosen in one press of the input Browse button, dropped on the
// window or named on the command line.
struct ChosenFiles {
    std::string directory; // ends with the separator; empty when the path had none
    std::vector<std::string> names;
};

// Paths (at least one) chosen together: the directory of the first, and
// each path relative to it. Relative paths are taken against the working
// directory.
ChosenFiles chosenTogether(const std::vector<std::string>& paths);

// Whether the dialog's buffer of bufferSize characters holds the choice as
// the dialog's value gives it: one full path, or the directory followed by
// the names, each after a NUL.
bool fitsFileDialogBuffer(const ChosenFiles& chosen);

// A directory as the selection holds it: ending with the separator.
std::string directoryWithSeparator(std::string directory);

// The path as the engine takes it: absolute against the working directory,
// without "." and ".." steps, with the platform's separators.
std::string absolutePath(const std::string& path);

} // namespace scanmill

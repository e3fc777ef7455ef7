// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace scanmill {

// The system's file-open dialog as both Browse buttons use it: the settings
// each press makes, and the numbers and descriptions it ends with. The flags
// are the dialog's own (OFN_*).
namespace fileDialog {

inline constexpr unsigned hideReadOnly = 0x4;
inline constexpr unsigned noChangeDir = 0x8;
inline constexpr unsigned noValidate = 0x100;
inline constexpr unsigned allowMultiSelect = 0x200;
inline constexpr unsigned pathMustExist = 0x800;
inline constexpr unsigned explorer = 0x80000;

// The input Browse: one or several scans.
inline constexpr unsigned inputFlags = explorer | allowMultiSelect;
inline constexpr char inputFilter[] = "Rigaku raw (*.raw)|*.raw"; // description|patterns

// The output Browse: a directory.
inline constexpr unsigned outputFlags =
    pathMustExist | hideReadOnly | noChangeDir | explorer | noValidate;
inline constexpr char outputFileName[] = "*.*";
inline constexpr char outputFilter[] = "Output directory";

inline constexpr int cancelError = 32755;
inline constexpr char cancelDescription[] = "Cancel was selected.";
inline constexpr int bufferTooSmallError = 20476;
inline constexpr char bufferTooSmallDescription[] =
    "The file name buffer is too small for this selection.";
// Characters (UTF-16 code units) the value may hold: room for the 101 names a
// selection takes, each as long as a file system allows, after their directory.
inline constexpr std::size_t bufferSize = 32767;

} // namespace fileDialog

// Files chosen in one press of the input Browse button, dropped on the
// window or named on the command line.
struct ChosenFiles {
    std::string directory; // ends with the separator; empty when the path had none
    std::vector<std::string> names;
    std::string display; // what the input box shows
};

// Reads the dialog's value: one full path, or a directory followed by names,
// each part separated from the next by a NUL. NULs after the last name, as
// the system's buffer holds them, are no part of it.
ChosenFiles parseFileDialogValue(const std::string& value);

// The dialog's value for these paths (at least one), chosen together: the
// full path of one file, or the directory of the first followed by the names
// relative to it. Relative paths are taken against the working directory.
std::string fileDialogValue(const std::vector<std::string>& paths);

// Whether the value fits the dialog's buffer of bufferSize characters.
bool fitsFileDialogBuffer(const std::string& value);

// A directory as the selection holds it: ending with the separator.
std::string directoryWithSeparator(std::string directory);

// The path as the engine takes it: absolute against the working directory,
// without "." and ".." steps, with the platform's separators.
std::string absolutePath(const std::string& path);

} // namespace scanmill

// SPDX-License-Identifier: MIT
#pragma once

#include "chosen_files.h"

#include <string>

namespace scanmill::win32 {

// Reads the Open dialog's value, in UTF-8: one full path, or a directory
// followed by names, each part separated from the next by a NUL. NULs after
// the last name, as the dialog's buffer holds them, are no part of it.
ChosenFiles parseFileDialogValue(const std::string& value);

} // namespace scanmill::win32

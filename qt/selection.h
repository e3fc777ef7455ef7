// SPDX-License-Identifier: MIT
#pragma once

#include "scan_record.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace scanmill {

// Files chosen in one press of the input Browse button, dropped on the
// window or named on the command line.
struct ChosenFiles {
    std::string directory; // ends with the separator; empty when the path had none
    std::vector<std::string> names;
    QString display; // what the input box shows
};

// Reads the file dialog's value: one full path, or a directory followed by
// names, each part separated from the next by a NUL.
ChosenFiles parseFileDialogValue(const QString& value);

// Of the paths dropped on the window or named on the command line, those the
// input Browse offers: names ending in ".raw", in any case, that are not
// directories. The order stays.
QStringList scanPaths(const QStringList& paths);

// The number of directories the files lie in.
qsizetype directoryCount(const QStringList& paths);

// Whether the selection's table has a slot for every chosen name.
bool fitsSelection(const ChosenFiles& chosen);

// Replaces the input part of the selection; slots beyond the new names keep
// what they held. The chosen names must fit.
void storeChosenFiles(const ChosenFiles& chosen, FileSelection& selection);

// A directory as the selection holds it: bytes, ending with the separator.
std::string directoryWithSeparator(const QString& directory);

// A path of the selection as people read it.
QString displayPath(const std::string& path);

} // namespace scanmill

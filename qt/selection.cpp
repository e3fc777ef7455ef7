// SPDX-License-Identifier: MIT
#include "selection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <tuple>

namespace scanmill {

namespace {

std::string bytes(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

} // namespace

ChosenFiles parseFileDialogValue(const QString& value) {
    const QStringList parts = value.split(QChar(u'\0'));
    ChosenFiles chosen;
    if (parts.size() == 1) {
        const qsizetype nameStart = value.lastIndexOf(QChar::fromLatin1(pathSeparator)) + 1;
        chosen.directory = bytes(value.left(nameStart));
        chosen.names.push_back(bytes(value.mid(nameStart)));
        chosen.display = QDir::toNativeSeparators(value);
        return chosen;
    }
    chosen.directory = directoryWithSeparator(parts.front());
    for (qsizetype i = 1; i < parts.size(); ++i)
        chosen.names.push_back(bytes(parts[i]));
    chosen.display = QStringLiteral("%1 . . .  %2 files selected")
                         .arg(displayPath(chosen.directory), QString::number(chosen.names.size()));
    return chosen;
}

QStringList scanPaths(const QStringList& paths) {
    QStringList scans;
    for (const QString& path : paths)
        if (path.endsWith(QStringLiteral(".raw"), Qt::CaseInsensitive) && !QFileInfo(path).isDir())
            scans << path;
    return scans;
}

qsizetype directoryCount(const QStringList& paths) {
    QStringList directories;
    for (const QString& path : paths)
        directories << QFileInfo(path).absolutePath();
    directories.removeDuplicates();
    return directories.size();
}

bool fitsSelection(const ChosenFiles& chosen) {
    return chosen.names.size() <= std::tuple_size_v<decltype(FileSelection::fileNames)>;
}

void storeChosenFiles(const ChosenFiles& chosen, FileSelection& selection) {
    selection.inputDirectory = chosen.directory;
    std::copy(chosen.names.begin(), chosen.names.end(), selection.fileNames.begin());
    selection.fileCount = static_cast<std::int16_t>(chosen.names.size());
}

std::string directoryWithSeparator(const QString& directory) {
    std::string result = bytes(directory);
    if (!result.ends_with(pathSeparator))
        result += pathSeparator;
    return result;
}

QString displayPath(const std::string& path) {
    return QDir::toNativeSeparators(QFile::decodeName(QByteArray::fromStdString(path)));
}

} // namespace scanmill

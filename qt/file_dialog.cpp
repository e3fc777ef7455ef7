// SPDX-License-Identifier: MIT
#include "file_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <utility>

namespace scanmill {

DialogError::DialogError(int number, const QString& description)
    : std::runtime_error(description.toStdString()), number_(number), description_(description) {}

FileDialogBackend qtFileDialogBackend(QFileDialog::Options options) {
    return [options](QWidget* parent, const FileDialogRequest& request) {
        QFileDialog dialog(parent);
        dialog.setOptions(options);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setDirectory(request.directory);
        switch (request.mode) {
        case FileDialogRequest::Mode::OneFile:
            dialog.setFileMode(QFileDialog::ExistingFile);
            break;
        case FileDialogRequest::Mode::Files:
            dialog.setFileMode(QFileDialog::ExistingFiles);
            break;
        case FileDialogRequest::Mode::Directory:
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly);
            break;
        }
        if (!request.nameFilters.isEmpty())
            dialog.setNameFilters(request.nameFilters);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList{};
    };
}

QStringList qtNameFilters(const QString& filter) {
    QStringList filters;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts[i + 1]).replace(u';', u' ');
        const QString& description = parts[i];
        filters << (description.contains(u'(')
                        ? description
                        : QStringLiteral("%1 (%2)").arg(description, patterns));
    }
    return filters;
}

QString fileDialogValue(const QStringList& paths) {
    if (paths.size() == 1)
        return QDir::toNativeSeparators(QFileInfo(paths.front()).absoluteFilePath());
    // Names are relative to the first file's directory, which the dialog
    // shares for all of them.
    const QString directory = QFileInfo(paths.front()).absolutePath();
    QStringList parts{QDir::toNativeSeparators(directory)};
    for (const QString& path : paths)
        parts << QDir::toNativeSeparators(QDir(directory).relativeFilePath(path));
    return parts.join(QChar(u'\0'));
}

FileDialog::FileDialog(QWidget* parent, FileDialogBackend backend)
    : parent_(parent), backend_(std::move(backend)), directory_(QDir::currentPath()) {}

void FileDialog::showOpen() {
    const QStringList paths = ask(flags_ & allowMultiSelect ? FileDialogRequest::Mode::Files
                                                            : FileDialogRequest::Mode::OneFile);
    keep(fileDialogValue(paths), QFileInfo(paths.front()).absolutePath());
}

void FileDialog::showDirectory() {
    const QString directory =
        QFileInfo(ask(FileDialogRequest::Mode::Directory).front()).absoluteFilePath();
    keep(QDir::toNativeSeparators(directory), directory);
}

QStringList FileDialog::ask(FileDialogRequest::Mode mode) const {
    const QStringList paths = backend_(parent_, {mode, directory_, qtNameFilters(filter_)});
    if (paths.isEmpty())
        throw DialogError(cancelError, QStringLiteral("Cancel was selected."));
    return paths;
}

void FileDialog::keep(const QString& value, const QString& directory) {
    if (value.size() > bufferSize)
        throw DialogError(bufferTooSmallError,
                          QStringLiteral("The file name buffer is too small for this selection."));
    fileName_ = value;
    directory_ = directory;
}

} // namespace scanmill

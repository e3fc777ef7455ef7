// SPDX-License-Identifier: MIT
#include "file_dialog.h"

#include "file_dialog_value.h"
#include "native_paths.h"

#include <QDir>
#include <QFileInfo>
#include <utility>
#include <vector>

namespace scanmill {

DialogError::DialogError(int number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

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

FileDialog::FileDialog(QWidget* parent, FileDialogBackend backend)
    : parent_(parent), backend_(std::move(backend)), directory_(QDir::currentPath()) {}

void FileDialog::showOpen() {
    const QStringList paths =
        ask(flags_ & fileDialog::allowMultiSelect ? FileDialogRequest::Mode::Files
                                                  : FileDialogRequest::Mode::OneFile);
    std::vector<std::string> chosen;
    for (const QString& path : paths)
        chosen.push_back(nativePath(path));
    keep(fileDialogValue(chosen), QFileInfo(paths.front()).absolutePath());
}

void FileDialog::showDirectory() {
    const QString directory =
        QFileInfo(ask(FileDialogRequest::Mode::Directory).front()).absoluteFilePath();
    keep(absolutePath(nativePath(directory)), directory);
}

QStringList FileDialog::ask(FileDialogRequest::Mode mode) const {
    const QStringList paths = backend_(parent_, {mode, directory_, qtNameFilters(filter_)});
    if (paths.isEmpty())
        throw DialogError(fileDialog::cancelError, fileDialog::cancelDescription);
    return paths;
}

void FileDialog::keep(const std::string& value, const QString& directory) {
    if (!fitsFileDialogBuffer(value))
        throw DialogError(fileDialog::bufferTooSmallError, fileDialog::bufferTooSmallDescription);
    fileName_ = value;
    directory_ = directory;
}

} // namespace scanmill

// SPDX-License-Identifier: MIT
#include "file_dialog.h"

#include "native_paths.h"

#include <QDir>
#include <QFileInfo>
#include <utility>
#include <vector>

namespace scanmill {

namespace {

void throwUnlessItFits(const ChosenFiles& chosen) {
    if (!fitsFileDialogBuffer(chosen)) {
        throw DialogError(fileDialog::bufferTooSmallError, fileDialog::bufferTooSmallDescription);
    }
}

} // namespace

DialogError::DialogError(int number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

FileDialogBackend qtFileDialogBackend(QFileDialog::Options options) {
    return [options](QWidget* parent, const FileDialogRequest& request) {
        QFileDialog dialog(parent);
        dialog.setOptions(options);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setDirectory(request.directory);
        switch (request.mode) {
        case FileDialogRequest::Mode::Files:
            dialog.setFileMode(QFileDialog::ExistingFiles);
            break;
        case FileDialogRequest::Mode::Directory:
            dialog.setFileMode(QFileDialog::Directory);
            dialog.setOption(QFileDialog::ShowDirsOnly);
            break;
        }
        if (!request.nameFilters.isEmpty()) {
            dialog.setNameFilters(request.nameFilters);
        }
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList{};
    };
}

FileDialog::FileDialog(QWidget* parent, FileDialogBackend backend)
    : parent_(parent), backend_(std::move(backend)), directory_(QDir::currentPath()) {}

ChosenFiles FileDialog::openFiles() {
    const QStringList paths =
        ask(FileDialogRequest::Mode::Files, {QStringLiteral("Rigaku raw (*.raw)")});
    std::vector<std::string> native;
    for (const QString& path : paths) {
        native.push_back(nativePath(path));
    }
    ChosenFiles chosen = chosenTogether(native);
    throwUnlessItFits(chosen);
    directory_ = QFileInfo(paths.front()).absolutePath();
    return chosen;
}

std::string FileDialog::chooseDirectory() {
    const QString directory =
        QFileInfo(ask(FileDialogRequest::Mode::Directory, {}).front()).absoluteFilePath();
    const std::string path = absolutePath(nativePath(directory));
    throwUnlessItFits(chosenTogether({path}));
    directory_ = directory;
    return path;
}

QStringList FileDialog::ask(FileDialogRequest::Mode mode, const QStringList& nameFilters) const {
    const QStringList paths = backend_(parent_, {mode, directory_, nameFilters});
    if (paths.isEmpty()) {
        throw DialogError(fileDialog::cancelError, fileDialog::cancelDescription);
    }
    return paths;
}

} // namespace scanmill

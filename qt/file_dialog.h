// SPDX-License-Identifier: MIT
#pragma once

#include "chosen_files.h"

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>
#include <string>

namespace scanmill {

// A dialog that ended without a result: the error number and description of
// the system's file dialog control (fileDialog).
class DialogError : public std::runtime_error {
public:
    DialogError(int number, const std::string& description);
    int number() const { return number_; }
    std::string description() const { return what(); }

private:
    int number_;
};

// What the dialog asks a person for.
struct FileDialogRequest {
    enum class Mode { Files, Directory };
    Mode mode = Mode::Files;
    QString directory;       // where the dialog opens: where it was last used
    QStringList nameFilters; // in Qt's form, "Rigaku raw (*.raw)"
};

// Shows the request to a person (or plays a test's script) and returns the
// chosen absolute paths; none when cancelled.
using FileDialogBackend = std::function<QStringList(QWidget* parent, const FileDialogRequest&)>;

// The toolkit's own dialogs.
FileDialogBackend qtFileDialogBackend(QFileDialog::Options options = {});

// dlgfiles: the stand-in for the system's file-open dialog control, one for
// both Browse buttons, so that it opens where it was last used. It fails as
// that control does, with its numbers and descriptions.
class FileDialog {
public:
    FileDialog(QWidget* parent, FileDialogBackend backend);

    // Asks for one or several scans. Throws DialogError.
    ChosenFiles openFiles();

    // Asks for a directory and returns its path. Throws DialogError.
    std::string chooseDirectory();

private:
    QStringList ask(FileDialogRequest::Mode mode, const QStringList& nameFilters) const;

    QWidget* parent_;
    FileDialogBackend backend_;
    QString directory_;
};

} // namespace scanmill

// SPDX-License-Identifier: MIT
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>
#include <string>

namespace scanmill {

// A dialog that ended without a result: the error number and description of
// the system's file dialog control.
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
    enum class Mode { OneFile, Files, Directory };
    Mode mode = Mode::OneFile;
    QString directory;       // where the dialog opens: where it was last used
    QStringList nameFilters; // in Qt's form, "Rigaku raw (*.raw)"
};

// Shows the request to a person (or plays a test's script) and returns the
// chosen absolute paths; none when cancelled.
using FileDialogBackend = std::function<QStringList(QWidget* parent, const FileDialogRequest&)>;

// The toolkit's own dialogs.
FileDialogBackend qtFileDialogBackend(QFileDialog::Options options = {});

// Turns the control's filter text ("Rigaku raw (*.raw)|*.raw", pairs of
// description and patterns) into Qt name filters.
QStringList qtNameFilters(const QString& filter);

// dlgfiles: the stand-in for the system's file-open dialog control, with the
// flags, numbers and texts of fileDialog. Its settings are properties set
// before each use; its result is one value of bytes.
class FileDialog {
public:
    FileDialog(QWidget* parent, FileDialogBackend backend);

    unsigned flags() const { return flags_; }
    void setFlags(unsigned flags) { flags_ = flags; }
    QString filter() const { return filter_; }
    void setFilter(const QString& filter) { filter_ = filter; }
    std::string fileName() const { return fileName_; }
    void setFileName(const std::string& fileName) { fileName_ = fileName; }

    // Asks for one file, or several when fileDialog::allowMultiSelect is
    // set. fileName() then holds the full path of one file, or the directory
    // and the names, each part separated from the next by a NUL. Throws
    // DialogError.
    void showOpen();

    // Asks for a directory; fileName() then holds its path. Throws DialogError.
    void showDirectory();

private:
    QStringList ask(FileDialogRequest::Mode mode) const;
    void keep(const std::string& value, const QString& directory);

    QWidget* parent_;
    FileDialogBackend backend_;
    unsigned flags_ = 0;
    QString filter_;
    std::string fileName_;
    QString directory_;
};

} // namespace scanmill

// SPDX-License-Identifier: MIT
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

namespace scanmill {

// A dialog that ended without a result: the error number and description of
// the system's file dialog control.
class DialogError : public std::runtime_error {
public:
    DialogError(int number, const QString& description);
    int number() const { return number_; }
    QString description() const { return description_; }

private:
    int number_;
    QString description_;
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

// The control's value for files chosen together: the full path of one file,
// or the directory of the first followed by the names relative to it, each
// part separated from the next by a NUL. Paths are shown with the platform's
// separators.
QString fileDialogValue(const QStringList& paths);

// dlgfiles: the stand-in for the system's file-open dialog control. Its
// settings are properties set before each use; its result is one text value.
class FileDialog {
public:
    static constexpr int cancelError = 32755;
    static constexpr int bufferTooSmallError = 20476;
    // Room for the 101 names a selection holds, each as long as a file
    // system allows, after their directory.
    static constexpr qsizetype bufferSize = 32767;

    enum Flag : unsigned {
        hideReadOnly = 0x4,
        noChangeDir = 0x8,
        noValidate = 0x100,
        allowMultiSelect = 0x200,
        pathMustExist = 0x800,
        explorer = 0x80000,
    };

    FileDialog(QWidget* parent, FileDialogBackend backend);

    unsigned flags() const { return flags_; }
    void setFlags(unsigned flags) { flags_ = flags; }
    QString filter() const { return filter_; }
    void setFilter(const QString& filter) { filter_ = filter; }
    QString fileName() const { return fileName_; }
    void setFileName(const QString& fileName) { fileName_ = fileName; }

    // Asks for one file, or several when allowMultiSelect is set. fileName()
    // then holds the full path of one file, or the directory and the names,
    // each part separated from the next by a NUL. Throws DialogError.
    void showOpen();

    // Asks for a directory; fileName() then holds its path. Throws DialogError.
    void showDirectory();

private:
    QStringList ask(FileDialogRequest::Mode mode) const;
    void keep(const QString& value, const QString& directory);

    QWidget* parent_;
    FileDialogBackend backend_;
    unsigned flags_ = 0;
    QString filter_;
    QString fileName_;
    QString directory_;
};

} // namespace scanmill

// SPDX-License-Identifier: MIT
#pragma once

#include "file_dialog.h"
#include "scan_record.h"
#include "selection.h"

#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace scanmill {

// The program's only window: it holds the selection and the status log for
// as long as it is open and runs one command per button.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(FileDialogBackend dialogBackend = qtFileDialogBackend(),
                   QWidget* parent = nullptr);

    const FileSelection& selection() const { return selection_; }

    // Files dropped on the window or named on the command line: the ".raw"
    // files among them become the input selection by the input Browse rules,
    // provided they lie in one directory.
    void openFiles(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void browseInputFiles();
    void convert();
    void browseOutputDirectory();
    void exitProgram();

private:
    void createControls();
    void chainTabOrder();
    void takeChosenFiles(const ChosenFiles& chosen);
    void takeOutputDirectory(const QString& directory);
    // Converts, shows the status lines and output directory, and returns the
    // failure that ended the batch, if any.
    QString runBatch();
    bool dropsOutputDirectory(const QStringList& paths, QPoint position) const;
    bool takesDrop(const QStringList& paths, QPoint position) const;
    void showMessage(const QString& text);

    QLabel* Label1;
    QLabel* Label2;
    QGroupBox* Frame1;
    QLineEdit* Text1;
    QPushButton* Command1;
    QGroupBox* Frame4;
    QLineEdit* Text2;
    QPushButton* Command3;
    QGroupBox* Frame2;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QGroupBox* Frame3;
    QListWidget* List1;
    QPushButton* Command2;
    QPushButton* Command4;
    FileDialog dlgfiles;

    FileSelection selection_;
    StatusLog log_;
};

} // namespace scanmill

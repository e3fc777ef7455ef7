#pragma once

#include "file_dialog.h"
#include "scan_record.h"

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

private slots:
    void browseInputFiles();
    void convert();
    void browseOutputDirectory();
    void exitProgram();

private:
    void createControls();
    void chainTabOrder();
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

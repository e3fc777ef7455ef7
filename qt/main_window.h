// SPDX-License-Identifier: MIT
#pragma once

#include "file_dialog.h"
#include "message_box.h"
#include "window_core.h"

#include <QWidget>
#include <string>
#include <vector>

class QGroupBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QComboBox;
class QRadioButton;

namespace scanmill {

// The program's only window: it hands each button, drop and command-line file
// to the window core, which holds the selection and the status log, and
// shows what the core answers.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(FileDialogBackend dialogBackend = qtFileDialogBackend(),
                   MessageBoxBackend messageBox = qtMessageBox(), QWidget* parent = nullptr);

    const FileSelection& selection() const { return core_.selection(); }

    // The window's command line, as the system gave it: files and the tube.
    void openCommandLine(const std::vector<std::string>& arguments);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    void browseInputFiles();
    void convert();
    void browseOutputDirectory();
    void exitProgram();
    void openPreview(QListWidgetItem* line);

private:
    void createControls();
    void chainTabOrder();
    // Shows the boxes and the status lines of an update, then its message.
    void showUpdate(const WindowUpdate& update);
    void showBoxesAndLines(const WindowUpdate& update);
    void showMessage(const std::optional<std::string>& text);
    bool onOutputFrame(QPoint position) const;

    template <typename Widget> Widget* child(const char* name) const {
        return findChild<Widget*>(QLatin1StringView(name));
    }

    // The controls the commands read or show in; the form makes them all.
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QRadioButton* Option1;
    QComboBox* Combo1;
    QGroupBox* Frame4;
    QListWidget* List1;
    FileDialog dlgfiles;
    MessageBoxBackend messageBox_;

    WindowCore core_;
};

} // namespace scanmill

// SPDX-License-Identifier: MIT
#include "main_window.h"
#include "window_test_support.h"

#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWindow>
#include <filesystem>
#include <initializer_list>
#include <memory>

using namespace scanmill;
using namespace scanmill::testing;

namespace {

// A shown window whose file dialog is a script.
struct Fixture {
    ScriptedDialog dialog;
    std::unique_ptr<Form1> window = std::make_unique<Form1>(dialog.backend());

    Fixture() { window->show(); }

    template <typename Control = QWidget> Control* control(const char* name) const {
        auto* found = window->findChild<Control*>(QLatin1StringView(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    void click(const char* name) const {
        QTest::mouseClick(control<QAbstractButton>(name), Qt::LeftButton);
    }
    QString text(const char* name) const { return control<QLineEdit>(name)->text(); }
    QStringList statusLines() const {
        QStringList lines;
        for (int i = 0; i < control<QListWidget>("List1")->count(); ++i)
            lines << control<QListWidget>("List1")->item(i)->text();
        return lines;
    }
    void chooseInput(const QStringList& paths) {
        dialog.answers << paths;
        click("Command1");
    }
    void chooseOutput(const QString& directory) {
        dialog.answers << QStringList{directory};
        click("Command3");
    }
};

QStringList pathsIn(const QString& directory, const QStringList& names) {
    QStringList paths;
    for (const QString& name : names)
        paths << directory + u'/' + name;
    return paths;
}

// Names of 200 characters, as labs name their scans and longer.
QStringList longNames(int count) {
    QStringList names;
    for (int i = 0; i < count; ++i)
        names
            << QStringLiteral("2005-02-14_quartz_standard_run%1.raw").arg(i, 166, 10, QChar(u'0'));
    return names;
}

// Drags the data to a point of the window and drops it, through the window's
// own dispatch, as a file manager does with Shift held to ask for a move.
// Returns the action the window took, IgnoreAction when it refused.
Qt::DropAction dropMimeData(Form1& window, const QMimeData& data, QPoint at) {
    const Qt::DropActions offered = Qt::MoveAction | Qt::CopyAction;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    QDropEvent dropped(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    for (QEvent* event : std::initializer_list<QEvent*>{&enter, &move, &dropped})
        QApplication::sendEvent(window.windowHandle(), event);
    QCoreApplication::processEvents(); // the window takes a drop once the drag has ended
    if (!move.isAccepted() || !dropped.isAccepted() || move.dropAction() != dropped.dropAction())
        return Qt::IgnoreAction;
    return dropped.dropAction();
}

Qt::DropAction drop(Form1& window, const QStringList& paths, QPoint at) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    return dropMimeData(window, data, at);
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Closes every message box with OK and keeps "title|text".
struct MessageBoxes : Answering<QMessageBox> {
    QStringList seen;
    MessageBoxes()
        : Answering<QMessageBox>([this](QMessageBox* box) {
              QVERIFY(box->icon() == QMessageBox::NoIcon);
              QVERIFY(box->standardButtons() == QMessageBox::Ok);
              seen << box->windowTitle() + u'|' + box->text();
              box->button(QMessageBox::Ok)->click();
          }) {}
};

const QString ascii = QStringLiteral("     converted to 2-column ASCII file     ");

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startsEmptyWithAsciiSelected();
    void controlsSitWhereTheLayoutPutsThem_data();
    void controlsSitWhereTheLayoutPutsThem();
    void fontsToolTipsAndTextsThatFit();
    void tabVisitsTheControlsInOrder();
    void boxesTakeNoTypingButCopy();
    void enterPressesTheFocusedButtonAsSpaceDoes();

    void chosenFilesShowInTheInputBox();
    void cancelOrDialogErrorKeepsSelection();
    void dialogSettingsAreMadeAnewOnEachPress();
    void browseOutputDirectory();

    void convertsIntoInputDirectory();
    void convertsToBrukerIntoChosenDirectory();
    void failingFileIsShownAndEarlierLinesStay();

    void droppedScansBecomeTheSelection();
    void namesThatAreNotUtf8AreShownAndConverted();

    void realDialogChoosesFilesAndDirectory();
    void realDialogCancelChangesNothing();

    void exitEndsTheProgram();
};

void MainWindowTest::startsEmptyWithAsciiSelected() {
    Fixture f;
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Scanmill (v1.0)"));
    QCOMPARE(f.window->size(), QSize(723, 442));
    QVERIFY(f.control<QRadioButton>("Option1")->isChecked());
    QVERIFY(!f.control<QRadioButton>("Option2")->isChecked());
    QCOMPARE(f.control<QListWidget>("List1")->count(), 0);
    QCOMPARE(f.window->selection().fileCount, 0);
    QVERIFY(f.window->selection().inputDirectory.empty());
    QVERIFY(f.window->selection().outputDirectory.empty());
}

void MainWindowTest::controlsSitWhereTheLayoutPutsThem_data() {
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    auto row = [](const char* name, const char* parent, QRect geometry, const char* text) {
        QTest::newRow(name) << QString::fromLatin1(parent) << geometry << QString::fromUtf8(text);
    };
    // Twips divided by 15.
    row("Label1", "Form1", {16, 0, 145, 49}, "Scanmill");
    row("Label2", "Form1", {16, 40, 385, 17},
        "Rigaku D/Max-B x-ray data file format conversion program");
    row("Frame1", "Form1", {32, 80, 665, 73}, "Rigaku Input file(s)");
    row("Text1", "Frame1", {24, 24, 537, 33}, "Browse to files . . .");
    row("Command1", "Form1", {608, 104, 57, 33}, "Browse");
    row("Frame4", "Form1", {32, 160, 665, 73}, "Output directory");
    row("Text2", "Frame4", {24, 24, 537, 35}, "Browse to directory . . .");
    row("Command3", "Frame4", {576, 24, 57, 33}, "Browse");
    row("Frame2", "Form1", {32, 248, 177, 105}, "Convert to which format . . .");
    row("Option1", "Form1", {48, 272, 105, 25}, "2-column ASCII");
    row("Option2", "Form1", {48, 304, 145, 25}, "Bruker-AXS Diffrac Plus");
    row("Frame3", "Form1", {240, 248, 473, 185}, "Status window");
    row("List1", "Form1", {256, 272, 441, 147}, "");
    row("Command2", "Form1", {32, 368, 89, 41}, "Convert");
    row("Command4", "Form1", {152, 384, 57, 25}, "Exit");
}

void MainWindowTest::controlsSitWhereTheLayoutPutsThem() {
    QFETCH(QString, parent);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    Fixture f;
    QWidget* control = f.control(QTest::currentDataTag());
    QCOMPARE(control->parentWidget()->objectName(), parent);
    QCOMPARE(control->geometry(), geometry);
    QString shown;
    if (auto* label = qobject_cast<QLabel*>(control))
        shown = label->text();
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        shown = button->text();
    else if (auto* frame = qobject_cast<QGroupBox*>(control))
        shown = frame->title();
    else if (auto* box = qobject_cast<QLineEdit*>(control))
        shown = box->text();
    QCOMPARE(shown, text);
    // Screen readers announce what people read; a box is announced by its frame.
    if (text.isEmpty() || qobject_cast<QLineEdit*>(control))
        QVERIFY(!control->accessibleName().isEmpty() && control->accessibleName() != text);
    else
        QCOMPARE(control->accessibleName(), text);

    // A control drawn over a frame must be stacked above it, or the frame takes its clicks.
    if (!qobject_cast<QGroupBox*>(control)) {
        QWidget* hit = f.window->childAt(control->mapTo(f.window.get(), control->rect().center()));
        QVERIFY(hit == control || control->isAncestorOf(hit));
    }
}

void MainWindowTest::fontsToolTipsAndTextsThatFit() {
    Fixture f;
    const QFont title = f.control("Label1")->font();
    QCOMPARE(title.families().front(), QStringLiteral("Trebuchet MS"));
    QCOMPARE(title.pointSizeF(), 24.0);
    QVERIFY(!title.bold());
    QCOMPARE(f.control("Label2")->font().pointSizeF(), 9.75);
    QCOMPARE(f.control("Command2")->font().pointSizeF(), 12.0);
    QVERIFY(f.control("Command2")->font().bold());
    QCOMPARE(f.control("Frame2")->toolTip(), QStringLiteral("Select desired output format"));
    QCOMPARE(f.control("Command2")->toolTip(), QStringLiteral("Click to begin conversion"));
    QCOMPARE(f.control("Command4")->toolTip(), QStringLiteral("Close program"));

    // The fixed geometry holds the texts in the fonts the machine has.
    for (auto* button : f.window->findChildren<QPushButton*>())
        QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width(),
                 qPrintable(button->objectName()));
    for (QWidget* control : f.window->findChildren<QRadioButton*>())
        QVERIFY2(control->sizeHint().width() <= control->width(),
                 qPrintable(control->objectName()));
    for (QWidget* control : f.window->findChildren<QLabel*>())
        QVERIFY2(control->sizeHint().width() <= control->width(),
                 qPrintable(control->objectName()));
}

void MainWindowTest::tabVisitsTheControlsInOrder() {
    Fixture f;
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    auto visit = [&] {
        f.control("Command1")->setFocus(Qt::TabFocusReason);
        QStringList order;
        for (int i = 0; i < 9; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return order;
    };
    QCOMPARE(visit(), QStringList({"Command1", "Command2", "List1", "Text1", "Option1", "Text2",
                                   "Command3", "Command4", "Command1"}));
    // Of the two options only the selected one is a stop.
    f.click("Option2");
    QCOMPARE(visit(), QStringList({"Command1", "Command2", "List1", "Text1", "Option2", "Text2",
                                   "Command3", "Command4", "Command1"}));
}

void MainWindowTest::boxesTakeNoTypingButCopy() {
    Fixture f;
    QApplication::clipboard()->setText(QStringLiteral("/data/a.raw"));
    for (const char* name : {"Text1", "Text2"}) {
        auto* box = f.control<QLineEdit>(name);
        const QString shown = box->text();
        QTest::keyClicks(box, "/data/");
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(box->text(), shown);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), shown);
    }
    MessageBoxes boxes;
    f.click("Command2");
    f.click("Command2");
    QCOMPARE(f.statusLines(), QStringList(2, QStringLiteral("No files have been selected.")));
    QCOMPARE(f.control<QListWidget>("List1")->selectedItems().size(), 0);
    QVERIFY(f.window->selection().outputDirectory.empty());
    QCOMPARE(boxes.answered, 0);
}

void MainWindowTest::enterPressesTheFocusedButtonAsSpaceDoes() {
    Fixture f;
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})
        QTest::keyClick(f.control("Command2"), key);
    QCOMPARE(f.statusLines().size(), 3);
    QTest::keyClick(f.control("Command3"), Qt::Key_Return);
    QCOMPARE(f.dialog.requests.size(), 1);
}

void MainWindowTest::chosenFilesShowInTheInputBox() {
    Fixture f;
    const QStringList paths = pathsIn("/data/run %1", {"c.raw", "a.raw"});
    f.chooseInput(paths);
    const FileSelection& selection = f.window->selection();
    QCOMPARE(selection.inputDirectory, "/data/run %1/");
    QCOMPARE(selection.fileCount, 2);
    QCOMPARE(selection.fileNames[0], "c.raw");
    // "%1" in a path must survive the building of the box's text.
    QCOMPARE(f.text("Text1"), QStringLiteral("/data/run %1/ . . .  2 files selected"));
    QCOMPARE(f.text("Text2"), QStringLiteral("Browse to directory . . ."));
}

void MainWindowTest::cancelOrDialogErrorKeepsSelection() {
    Fixture f;
    f.chooseInput(pathsIn("/data", {"a.raw", "b.raw"}));
    MessageBoxes boxes;
    f.chooseInput({});
    QCOMPARE(boxes.answered, 0);
    // 163 names of 200 characters, each after a NUL, overflow the dialog's buffer.
    f.chooseInput(pathsIn("/data/other", longNames(163)));
    QCOMPARE(boxes.seen, QStringList{"Scanmill|Error 20476 selecting files.\n"
                                     "The file name buffer is too small for this selection."});
    QCOMPARE(f.dialog.requests.size(), 3);
    QCOMPARE(f.window->selection().inputDirectory, "/data/");
    QCOMPARE(f.window->selection().fileCount, 2);
    QCOMPARE(f.text("Text1"), QStringLiteral("/data/ . . .  2 files selected"));
}

void MainWindowTest::dialogSettingsAreMadeAnewOnEachPress() {
    Fixture f;
    f.chooseInput(pathsIn("/data", {"a.raw", "b.raw"}));
    f.chooseOutput("/out");
    f.chooseInput({"/data/c.raw"});
    const QList<FileDialogRequest>& asked = f.dialog.requests;
    QCOMPARE(asked.size(), 3);
    QCOMPARE(asked[0].mode, FileDialogRequest::Mode::Files);
    QCOMPARE(asked[1].mode, FileDialogRequest::Mode::Directory);
    QCOMPARE(asked[2].mode, FileDialogRequest::Mode::Files);
    QCOMPARE(asked[2].nameFilters, QStringList{"Rigaku raw (*.raw)"});
    // One dialog for both buttons: it opens where it was last used.
    QCOMPARE(asked[1].directory, QStringLiteral("/data"));
    QCOMPARE(asked[2].directory, QStringLiteral("/out"));
}

void MainWindowTest::browseOutputDirectory() {
    Fixture f;
    MessageBoxes boxes;
    f.click("Command3"); // cancelled
    QVERIFY(f.window->selection().outputDirectory.empty());
    QCOMPARE(f.text("Text2"), QStringLiteral("Browse to directory . . ."));
    f.chooseOutput("/out");
    f.click("Command3");
    QCOMPARE(f.dialog.requests.size(), 3);
    QCOMPARE(f.window->selection().outputDirectory, "/out/");
    QCOMPARE(f.text("Text2"), QStringLiteral("/out/"));
    QVERIFY(f.window->selection().inputDirectory.empty());
    QCOMPARE(boxes.answered, 0);
}

void MainWindowTest::convertsIntoInputDirectory() {
    QTemporaryDir in;
    writeRigakuRaw(in.filePath("scan01.raw"), "Quartz", {100, 250.5F, 0.75F});
    writeRigakuRaw(in.filePath("a.b.raw"), "", {1});
    Fixture f;
    f.chooseInput(pathsIn(in.path(), {"scan01.raw", "a.b.raw"}));
    f.click("Command2");

    QCOMPARE(f.statusLines(),
             QStringList({"scan01.raw" + ascii + "scan01.dat", "a.b.raw" + ascii + "a.dat"}));
    QCOMPARE(f.control<QListWidget>("List1")->selectedItems().size(), 0);
    QCOMPARE(f.text("Text2"), in.path() + u'/');
    QVERIFY(QFile::exists(in.filePath("a.dat")));
}

void MainWindowTest::convertsToBrukerIntoChosenDirectory() {
    QTemporaryDir in;
    QTemporaryDir out;
    writeRigakuRaw(in.filePath("scan01.raw"), "Quartz", {100, 250.5F, 0.75F});
    Fixture f;
    f.chooseOutput(out.path());
    f.chooseInput({in.filePath("scan01.raw")});
    f.click("Option2");
    f.click("Command2");
    QCOMPARE(f.statusLines(),
             QStringList{"scan01.raw     converted to Bruker-AXS Diffrac Plus file     "
                         "scan01_b.raw"});
    const QByteArray bruker = contents(out.filePath("scan01_b.raw"));
    QCOMPARE(bruker.size(), 1016 + 4 * 3);
    QVERIFY(bruker.startsWith("RAW1.01"));
    QVERIFY(!QFile::exists(in.filePath("scan01_b.raw")));
    QCOMPARE(f.text("Text2"), out.path() + u'/');
}

void MainWindowTest::failingFileIsShownAndEarlierLinesStay() {
    QTemporaryDir in;
    writeRigakuRaw(in.filePath("a.raw"), "A", {1, 2});
    writeRigakuRaw(in.filePath("c.raw"), "C", {1, 2});
    Fixture f;
    f.chooseInput(pathsIn(in.path(), {"a.raw", "missing.raw", "c.raw"}));
    // Busy while the batch runs and its outcome is shown; not while the box waits.
    QList<Qt::CursorShape> cursors;
    auto noteCursor = [&] {
        const QCursor* busy = QGuiApplication::overrideCursor();
        cursors << (busy ? busy->shape() : Qt::ArrowCursor);
    };
    connect(f.control<QListWidget>("List1")->model(), &QAbstractItemModel::rowsInserted,
            noteCursor);
    connect(f.control<QLineEdit>("Text2"), &QLineEdit::textChanged, noteCursor);
    QStringList linesWhileShown;
    Answering<QMessageBox> person([&](QMessageBox* box) {
        noteCursor();
        linesWhileShown = f.statusLines();
        QVERIFY2(box->text().startsWith(QStringLiteral("Error 2 converting files.\n") +
                                        in.filePath("missing")),
                 qPrintable(box->text()));
        QCOMPARE(box->windowTitle(), QStringLiteral("Scanmill"));
        box->accept();
    });
    f.click("Command2");
    QCOMPARE(person.answered, 1);
    QCOMPARE(linesWhileShown, QStringList{"a.raw" + ascii + "a.dat"});
    QCOMPARE(f.statusLines(), linesWhileShown);
    QCOMPARE(cursors, QList({Qt::WaitCursor, Qt::WaitCursor, Qt::ArrowCursor}));
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(f.text("Text2"), in.path() + u'/');
}

void MainWindowTest::droppedScansBecomeTheSelection() {
    QTemporaryDir in;
    QVERIFY(QDir(in.path()).mkdir("out.raw"));
    Fixture f;
    MessageBoxes boxes;
    const QPoint onInput = f.control("Text1")->mapTo(f.window.get(), QPoint(5, 5));
    const QPoint onOutput = f.control("Text2")->mapTo(f.window.get(), QPoint(5, 5));
    QCOMPARE(drop(*f.window, pathsIn(in.path(), {"notes.txt", "out.raw"}), onOutput),
             Qt::IgnoreAction);
    QCOMPARE(drop(*f.window, {in.filePath("out.raw")}, onInput), Qt::IgnoreAction);
    QCOMPARE(f.text("Text2"), QStringLiteral("Browse to directory . . ."));

    // Scans count wherever they land, in the order dropped; they are copied, never moved.
    QCOMPARE(drop(*f.window, pathsIn(in.path(), {"b.RAW", "notes.txt", "a.raw"}), onOutput),
             Qt::CopyAction);
    QCOMPARE(f.window->selection().fileCount, 2);
    QCOMPARE(f.window->selection().fileNames[0], "b.RAW");
    QCOMPARE(f.text("Text1"), in.path() + "/ . . .  2 files selected");
    QCOMPARE(drop(*f.window, {in.filePath("out.raw")}, onOutput), Qt::CopyAction);
    QCOMPARE(f.window->selection().outputDirectory, (in.filePath("out.raw") + u'/').toStdString());
    QCOMPARE(f.text("Text2"), in.filePath("out.raw") + u'/');

    // Refused with a message once the drop has ended, the selection as it was.
    QCOMPARE(drop(*f.window, {in.filePath("a.raw"), in.filePath("out.raw/b.raw")}, onInput),
             Qt::CopyAction);
    QCOMPARE(boxes.answered, 1);
    QVERIFY2(boxes.seen[0].startsWith(u"Scanmill|The files lie in 2 directories"),
             qPrintable(boxes.seen[0]));
    QCOMPARE(f.text("Text1"), in.path() + "/ . . .  2 files selected");
}

// A Latin-1 name from an old archive: shown with the replacement character,
// converted from the file of that name, whether named on the command line,
// dropped or chosen in the dialog.
void MainWindowTest::namesThatAreNotUtf8AreShownAndConverted() {
    QTemporaryDir in;
    const QByteArray directory = QFile::encodeName(in.path()) + '/';
    writeFile((directory + "bad\xE4.raw").toStdString(), rigakuBytes({}));
    writeFile((directory + "bad\xE5.raw").toStdString(), rigakuBytes({}));
    writeFile((directory + "old\xF6.raw").toStdString(), rigakuBytes({}));
    const QString shownName = QStringLiteral("bad\uFFFD.raw");
    Fixture f;
    f.window->openFiles({(directory + "bad\xE4.raw").toStdString()});
    QCOMPARE(f.window->selection().fileNames[0], "bad\xE4.raw");
    QCOMPARE(f.text("Text1"), in.filePath(shownName));
    f.click("Command2");
    QCOMPARE(f.statusLines(), QStringList{shownName + ascii + "bad\uFFFD.dat"});
    QVERIFY(std::filesystem::exists((directory + "bad\xE4.dat").toStdString()));

    QMimeData data;
    data.setData(QStringLiteral("text/uri-list"),
                 "file://" + directory.toPercentEncoding("/") + "bad%E5.raw\r\n");
    dropMimeData(*f.window, data, f.control("Text1")->mapTo(f.window.get(), QPoint(5, 5)));
    QCOMPARE(f.window->selection().fileNames[0], "bad\xE5.raw");

    // A dialog that lists the name gives it as Qt shows it.
    f.chooseInput({in.filePath(QStringLiteral("old\uFFFD.raw"))});
    QCOMPARE(f.window->selection().fileNames[0], "old\xF6.raw");
}

void MainWindowTest::realDialogChoosesFilesAndDirectory() {
    QTemporaryDir in;
    writeRigakuRaw(in.filePath("a.raw"), "A", {1});
    writeRigakuRaw(in.filePath("b.raw"), "B", {1});
    Form1 window(qtFileDialogBackend(QFileDialog::DontUseNativeDialog));
    window.show();
    auto type = [](QFileDialog* dialog, const QString& text) {
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(text);
        QTest::keyClick(name, Qt::Key_Return);
    };
    QStringList filters;
    Answering<QFileDialog> person([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        if (dialog->fileMode() == QFileDialog::ExistingFiles) {
            dialog->setDirectory(in.path());
            type(dialog, QStringLiteral("\"b.raw\" \"a.raw\""));
        } else if (dialog->fileMode() == QFileDialog::Directory) {
            type(dialog, in.filePath("out"));
        }
    });
    QVERIFY(QDir(in.path()).mkdir("out"));
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(filters, QStringList{"Rigaku raw (*.raw)"});
    QTest::mouseClick(window.findChild<QPushButton*>("Command3"), Qt::LeftButton);

    QCOMPARE(person.answered, 2);
    const FileSelection& selection = window.selection();
    QCOMPARE(selection.inputDirectory, (in.path() + u'/').toStdString());
    QCOMPARE(selection.fileCount, 2);
    QCOMPARE(selection.fileNames[0], "b.raw");
    QCOMPARE(selection.fileNames[1], "a.raw");
    QCOMPARE(selection.outputDirectory, (in.filePath("out") + u'/').toStdString());
    QCOMPARE(window.findChild<QLineEdit*>("Text2")->text(), in.filePath("out") + u'/');
}

void MainWindowTest::realDialogCancelChangesNothing() {
    Form1 window(qtFileDialogBackend(QFileDialog::DontUseNativeDialog));
    window.show();
    MessageBoxes boxes;
    Answering<QFileDialog> person(
        [](QFileDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton*>("Command3"), Qt::LeftButton);
    QCOMPARE(person.answered, 2);
    QCOMPARE(boxes.answered, 0);
    QCOMPARE(window.findChild<QLineEdit*>("Text1")->text(),
             QStringLiteral("Browse to files . . ."));
    QVERIFY(window.selection().inputDirectory.empty());
    QVERIFY(window.selection().outputDirectory.empty());
}

// Last: it runs and ends the application's event loop.
void MainWindowTest::exitEndsTheProgram() {
    Fixture f;
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    QTimer::singleShot(0, [&] { f.click("Command4"); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QCOMPARE(quitting.size(), 1);
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"

// SPDX-License-Identifier: MIT
#include "form.h"
#include "main_window.h"
#include "plot_frame.h"
#include "preview_window.h"
#include "window_test_support.h"

#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>
#include <filesystem>
#include <initializer_list>
#include <memory>

using namespace scanmill;
using namespace scanmill::testing;

namespace {

// A shown window whose file dialog and message box are scripts.
struct Fixture {
    ScriptedDialog dialog;
    ScriptedMessages messages;
    std::unique_ptr<Form1> window = std::make_unique<Form1>(dialog.backend(), messages.backend());

    Fixture() { window->show(); }

    template <typename Control = QWidget> Control* control(const char* name) const {
        auto* found = window->findChild<Control*>(QLatin1StringView(name));
        if (!found) {
            qFatal("no control %s", name);
        }
        return found;
    }
    void click(const char* name) const {
        QTest::mouseClick(control<QAbstractButton>(name), Qt::LeftButton);
    }
    QString text(const char* name) const { return control<QLineEdit>(name)->text(); }
    QStringList statusLines() const {
        QStringList lines;
        for (int i = 0; i < control<QListWidget>("List1")->count(); ++i) {
            lines << control<QListWidget>("List1")->item(i)->text();
        }
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
    for (const QString& name : names) {
        paths << directory + u'/' + name;
    }
    return paths;
}

// Names of 200 characters, as labs name their scans and longer.
QStringList longNames(int count) {
    QStringList names;
    for (int i = 0; i < count; ++i) {
        names
            << QStringLiteral("2005-02-14_quartz_standard_run%1.raw").arg(i, 166, 10, QChar(u'0'));
    }
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
    for (QEvent* event : std::initializer_list<QEvent*>{&enter, &move, &dropped}) {
        QApplication::sendEvent(window.windowHandle(), event);
    }
    QCoreApplication::processEvents(); // the window takes a drop once the drag has ended
    if (!move.isAccepted() || !dropped.isAccepted() || move.dropAction() != dropped.dropAction()) {
        return Qt::IgnoreAction;
    }
    return dropped.dropAction();
}

Qt::DropAction drop(Form1& window, const QStringList& paths, QPoint at) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls << QUrl::fromLocalFile(path);
    }
    data.setUrls(urls);
    return dropMimeData(window, data, at);
}

// The words between input and output of a status line, as the engine words
// them.
QString wordsOf(scanmill::OutputFormat format) {
    return QString::fromStdString(
        scanmill::statusLine("", scanmill::formatNames(format).description, ""));
}
const QString ascii = wordsOf(scanmill::OutputFormat::TwoColumnAscii);

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startsEmptyWithAsciiSelected();
    void controlsSitWhereTheFormPutsThem();
    void messageAndQuestionBoxesHaveTheTitleAndTheirButtons();
    void fontsToolTipsAndTextsThatFit();
    void tabVisitsTheControlsInOrder();
    void boxesTakeNoTypingButCopy();
    void enterPressesTheFocusedButtonAsSpaceDoes();

    void chosenFilesShowInTheInputBox();
    void cancelOrDialogErrorKeepsSelection();
    void oneDialogServesBothBrowseButtons();
    void browseOutputDirectory();

    void convertsIntoInputDirectory();
    void convertsToBrukerIntoChosenDirectory();
    void failingFileIsShownAndEarlierLinesStay();
    void answeredClashConvertsAndTheListShowsItsNewestAndLongestLine();

    void droppedScansBecomeTheSelection();
    void namesThatAreNotUtf8AreShownAndConverted();

    void statusLineOpensAPreviewOfItsScan();
    void previewOverlaysZoomsAndSaves();

    void realDialogChoosesFilesAndDirectory();
    void realDialogCancelChangesNothing();

    void exitEndsTheProgram();
};

void MainWindowTest::startsEmptyWithAsciiSelected() {
    Fixture f;
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Scanmill (v1.0)"));
    QCOMPARE(f.window->size(), QSize(formWidth / twipsPerPixel, formHeight / twipsPerPixel));
    QVERIFY(f.control<QRadioButton>("Option1")->isChecked());
    QVERIFY(!f.control<QRadioButton>("Option2")->isChecked());
    QCOMPARE(f.control<QListWidget>("List1")->count(), 0);
    QVERIFY(f.window->selection().fileNames.empty());
    QVERIFY(f.window->selection().inputDirectory.empty());
    QVERIFY(f.window->selection().outputDirectory.empty());
}

void MainWindowTest::controlsSitWhereTheFormPutsThem() {
    Fixture f;
    for (const FormControl& item : formControls) {
        QWidget* control = f.control(item.name);
        const QString text = QString::fromUtf8(item.text);
        QCOMPARE(control->parentWidget()->objectName(),
                 QString::fromLatin1(item.container ? item.container : "Form1"));
        // Within its frame, where it has one.
        const FormRect place = item.place();
        QCOMPARE(control->geometry(),
                 QRect(place.left / twipsPerPixel, place.top / twipsPerPixel,
                       place.width / twipsPerPixel, place.height / twipsPerPixel));
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(control)) {
            shown = label->text();
        } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            shown = button->text();
        } else if (auto* frame = qobject_cast<QGroupBox*>(control)) {
            shown = frame->title();
        } else if (auto* box = qobject_cast<QLineEdit*>(control)) {
            shown = box->text();
        } else if (auto* list = qobject_cast<QComboBox*>(control)) {
            // The tubes, Cu chosen; its text is only its name.
            QCOMPARE(list->count(), 6);
            QCOMPARE(list->currentText(), QStringLiteral("Cu"));
            shown = text;
        }
        QCOMPARE(shown, text);
        // Screen readers announce what people read; a box is announced by its frame.
        if (text.isEmpty() || qobject_cast<QLineEdit*>(control)) {
            QVERIFY(!control->accessibleName().isEmpty() && control->accessibleName() != text);
        } else {
            QCOMPARE(control->accessibleName(), text);
        }

        // A control drawn over a frame must be stacked above it, or the frame takes its clicks.
        if (!qobject_cast<QGroupBox*>(control)) {
            QWidget* hit =
                f.window->childAt(control->mapTo(f.window.get(), control->rect().center()));
            QVERIFY2(hit == control || control->isAncestorOf(hit), item.name);
        }
    }
}

void MainWindowTest::messageAndQuestionBoxesHaveTheTitleAndTheirButtons() {
    const std::unique_ptr<QMessageBox> box = messageBox(nullptr, QStringLiteral("text"));
    QCOMPARE(box->windowTitle(), QStringLiteral("Scanmill"));
    QCOMPARE(box->text(), QStringLiteral("text"));
    QCOMPARE(box->icon(), QMessageBox::NoIcon);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));

    // Convert's question: each button says what it does and answers so;
    // Escape cancels, and Replace is there only where offered.
    for (const bool offersReplace : {true, false}) {
        const std::unique_ptr<QMessageBox> question =
            questionBox(nullptr, {"Sure?", offersReplace});
        QCOMPARE(question->windowTitle(), QStringLiteral("Scanmill"));
        QCOMPARE(question->icon(), QMessageBox::Question);
        QCOMPARE(question->defaultButton()->text(), QStringLiteral("Use whole names"));
        QCOMPARE(question->buttons().size(), offersReplace ? 3 : 2);
        QTest::keyClick(question.get(), Qt::Key_Escape);
        QCOMPARE(answerOf(*question), ConvertAnswer::Cancel);
    }
    const std::unique_ptr<QMessageBox> question = questionBox(nullptr, {"Sure?", true});
    for (QAbstractButton* button : question->buttons()) {
        if (button->text() == QStringLiteral("Replace")) {
            button->click();
        }
    }
    QCOMPARE(answerOf(*question), ConvertAnswer::Replace);
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
    for (auto* button : f.window->findChildren<QPushButton*>()) {
        QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width(),
                 qPrintable(button->objectName()));
    }
    for (QWidget* control : f.window->findChildren<QRadioButton*>()) {
        QVERIFY2(control->sizeHint().width() <= control->width(),
                 qPrintable(control->objectName()));
    }
    for (QWidget* control : f.window->findChildren<QLabel*>()) {
        QVERIFY2(control->sizeHint().width() <= control->width(),
                 qPrintable(control->objectName()));
    }
}

void MainWindowTest::tabVisitsTheControlsInOrder() {
    Fixture f;
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    auto visit = [&] {
        f.control("Command1")->setFocus(Qt::TabFocusReason);
        QStringList order;
        for (int i = 0; i < 10; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return order;
    };
    QCOMPARE(visit(), QStringList({"Command1", "Command2", "List1", "Text1", "Option1", "Combo1",
                                   "Text2", "Command3", "Command4", "Command1"}));
    // Of the two options only the selected one is a stop.
    f.click("Option2");
    QCOMPARE(visit(), QStringList({"Command1", "Command2", "List1", "Text1", "Option2", "Combo1",
                                   "Text2", "Command3", "Command4", "Command1"}));
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
}

void MainWindowTest::enterPressesTheFocusedButtonAsSpaceDoes() {
    Fixture f;
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        QTest::keyClick(f.control("Command2"), key);
    }
    QCOMPARE(f.statusLines(), QStringList(3, QStringLiteral("No files have been selected.")));
    QTest::keyClick(f.control("Command3"), Qt::Key_Return);
    QCOMPARE(f.dialog.requests.size(), 1);
}

void MainWindowTest::chosenFilesShowInTheInputBox() {
    Fixture f;
    const QStringList paths = pathsIn("/data/run %1", {"c.raw", "a.raw"});
    f.chooseInput(paths);
    const FileSelection& selection = f.window->selection();
    QCOMPARE(selection.inputDirectory, "/data/run %1/");
    QCOMPARE(selection.fileNames, std::vector<std::string>({"c.raw", "a.raw"}));
    // "%1" in a path must survive the building of the box's text.
    QCOMPARE(f.text("Text1"), QStringLiteral("/data/run %1/ . . .  2 files selected"));
    QCOMPARE(f.text("Text2"), QStringLiteral("Browse to directory . . ."));
}

void MainWindowTest::cancelOrDialogErrorKeepsSelection() {
    Fixture f;
    f.chooseInput(pathsIn("/data", {"a.raw", "b.raw"}));
    f.chooseInput({});
    QVERIFY(f.messages.shown.isEmpty());
    // 163 names of 200 characters, each after a NUL, overflow the dialog's buffer.
    f.chooseInput(pathsIn("/data/other", longNames(163)));
    QCOMPARE(f.messages.shown,
             QStringList{"Error 20476 selecting files.\n"
                         "The file name buffer is too small for this selection."});
    QCOMPARE(f.dialog.requests.size(), 3);
    QCOMPARE(f.window->selection().inputDirectory, "/data/");
    QCOMPARE(f.window->selection().fileNames.size(), 2U);
    QCOMPARE(f.text("Text1"), QStringLiteral("/data/ . . .  2 files selected"));
}

void MainWindowTest::oneDialogServesBothBrowseButtons() {
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
    f.click("Command3"); // cancelled
    QVERIFY(f.window->selection().outputDirectory.empty());
    QCOMPARE(f.text("Text2"), QStringLiteral("Browse to directory . . ."));
    f.chooseOutput("/out");
    f.click("Command3");
    QCOMPARE(f.dialog.requests.size(), 3);
    QCOMPARE(f.window->selection().outputDirectory, "/out/");
    QCOMPARE(f.text("Text2"), QStringLiteral("/out/"));
    QVERIFY(f.window->selection().inputDirectory.empty());
    QVERIFY(f.messages.shown.isEmpty());
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
    QCOMPARE(
        f.statusLines(),
        QStringList{"scan01.raw" + wordsOf(scanmill::OutputFormat::BrukerRaw) + "scan01_b.raw"});
    QVERIFY(QFile::exists(out.filePath("scan01_b.raw")));
    QVERIFY(!QFile::exists(in.filePath("scan01_b.raw")));
    QCOMPARE(f.text("Text2"), out.path() + u'/');
}

// Thirty files, two of whose first-dot names clash: after "Use whole names", the list
// shows its newest line, and scrolls far enough to read its longest one.
void MainWindowTest::answeredClashConvertsAndTheListShowsItsNewestAndLongestLine() {
    QTemporaryDir in;
    QStringList names = {"Fe2O3_0.5mm.raw", "Fe2O3_0.7mm.raw"};
    names << QStringLiteral("%1.raw").arg(QString(120, u'x'));
    for (int i = names.size(); i < 30; ++i) {
        names << QStringLiteral("scan%1.raw").arg(i);
    }
    for (const QString& name : names) {
        writeRigakuRaw(in.filePath(name), "", {1});
    }
    Fixture f;
    f.chooseInput(pathsIn(in.path(), names));
    f.messages.answers << ConvertAnswer::WholeNames;
    f.click("Command2");
    QCOMPARE(f.messages.asked.size(), 1);
    QVERIFY(f.messages.asked.first().startsWith(
        "These outputs may hold other scans:\nFe2O3_0.dat: Fe2O3_0.5mm.raw and Fe2O3_0.7mm.raw "
        "would both be written to it\n"));
    QVERIFY(f.messages.shown.isEmpty());
    QCOMPARE(f.statusLines().size(), 30);
    QCOMPARE(f.statusLines().first(), "Fe2O3_0.5mm.raw" + ascii + "Fe2O3_0.5mm.dat");

    auto* list = f.control<QListWidget>("List1");
    const QRect shown = list->viewport()->rect();
    // Lines are as wide as the longest; what counts here is the height.
    const auto visible = [&](int row) {
        const QRect line = list->visualItemRect(list->item(row));
        return line.top() >= shown.top() && line.bottom() <= shown.bottom();
    };
    QVERIFY(!visible(0));
    QVERIFY(visible(29));
    list->horizontalScrollBar()->setValue(list->horizontalScrollBar()->maximum());
    const QRect longest = list->visualItemRect(list->item(2));
    QVERIFY(longest.left() < 0);
    QVERIFY2(list->fontMetrics().horizontalAdvance(list->item(2)->text()) + longest.left() <=
                 shown.right(),
             "the longest line can be read to its end");
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
    f.messages.whileShown = [&] {
        noteCursor();
        linesWhileShown = f.statusLines();
    };
    f.click("Command2");
    QCOMPARE(f.messages.shown.size(), 1);
    QVERIFY2(f.messages.shown[0].startsWith(QStringLiteral("Error 2 converting files.\n") +
                                            in.filePath("missing")),
             qPrintable(f.messages.shown[0]));
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
    const QPoint onInput = f.control("Text1")->mapTo(f.window.get(), QPoint(5, 5));
    const QPoint onOutput = f.control("Text2")->mapTo(f.window.get(), QPoint(5, 5));
    QCOMPARE(drop(*f.window, {in.filePath("notes.txt")}, onOutput), Qt::IgnoreAction);
    QCOMPARE(f.text("Text2"), QStringLiteral("Browse to directory . . ."));

    // Scans count wherever they land, in the order dropped; they are copied,
    // never moved.
    QCOMPARE(drop(*f.window, pathsIn(in.path(), {"b.RAW", "notes.txt", "a.raw"}), onOutput),
             Qt::CopyAction);
    QCOMPARE(f.window->selection().fileNames, std::vector<std::string>({"b.RAW", "a.raw"}));
    QCOMPARE(f.text("Text1"), in.path() + "/ . . .  2 files selected");
    f.messages.shown.clear(); // the file left out, as the core words it
    QCOMPARE(drop(*f.window, {in.filePath("out.raw")}, onOutput), Qt::CopyAction);
    QCOMPARE(f.window->selection().outputDirectory, (in.filePath("out.raw") + u'/').toStdString());
    QCOMPARE(f.text("Text2"), in.filePath("out.raw") + u'/');

    // Refused with a message once the drop has ended, the selection as it was.
    QCOMPARE(drop(*f.window, {in.filePath("a.raw"), in.filePath("out.raw/b.raw")}, onInput),
             Qt::CopyAction);
    QCOMPARE(f.messages.shown.size(), 1);
    QVERIFY2(f.messages.shown[0].startsWith(u"The files lie in 2 directories"),
             qPrintable(f.messages.shown[0]));
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
    f.window->openCommandLine({(directory + "bad\xE4.raw").toStdString()});
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

void MainWindowTest::statusLineOpensAPreviewOfItsScan() {
    QTemporaryDir in;
    writeRigakuRaw(in.filePath("a.raw"), "First", {1, 2});
    writeRigakuRaw(in.filePath("b.raw"), "Second", {3, 4});
    Fixture f;
    f.chooseInput(pathsIn(in.path(), {"a.raw", "b.raw"}));
    f.click("Command2");
    auto* list = f.control<QListWidget>("List1");
    QCOMPARE(list->toolTip(), QStringLiteral("Double-click a line to see its scan"));
    const auto previews = [&] { return f.window->findChildren<PreviewWindow*>(); };

    // The tip shows below the lines, never over one.
    const QPoint onSecond = list->visualItemRect(list->item(1)).center();
    const auto tipAt = [&](QPoint at) {
        QToolTip::hideText();
        QHelpEvent asked(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(list->viewport(), &asked);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(tipAt(onSecond), QString());
    QCOMPARE(tipAt(QPoint(onSecond.x(), list->viewport()->height() - 5)), list->toolTip());

    // The press, then the double-click, as a person's mouse sends them.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, onSecond);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, onSecond);
    QCOMPARE(previews().size(), 1);
    PreviewWindow* second = previews().front();
    QCOMPARE(second->windowTitle(), QStringLiteral("b.raw - Scanmill"));
    QCOMPARE(second->plot().scans()[0].scan.title, std::string("Second"));
    QVERIFY(second->isVisible() && second->isWindow());
    // Painted in the plot's style: paper at its corner, the pattern within.
    const QImage picture = second->grab().toImage();
    QCOMPARE(picture.pixelColor(2, 2), QColor::fromRgb(plotStyle.paper));
    bool patternDrawn = false;
    for (int y = 0; y < picture.height() && !patternDrawn; ++y) {
        for (int x = 0; x < picture.width() && !patternDrawn; ++x) {
            const QColor pixel = picture.pixelColor(x, y);
            patternDrawn = pixel.blue() > pixel.red() + 60;
        }
    }
    QVERIFY(patternDrawn);

    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(previews().size(), 2);
    QVERIFY(previews().contains(second));

    const QPointer<PreviewWindow> closing = second;
    second->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(second));
    QTest::keyClick(second, Qt::Key_Escape);
    QTRY_VERIFY(closing.isNull());
    QCOMPARE(previews().size(), 1);
    QCOMPARE(previews().front()->plot().scans()[0].scan.title, std::string("First"));
    QVERIFY(f.messages.shown.isEmpty());
}

// Lines selected with Shift open one preview of their scans, which the
// keys, the wheel and a drag zoom, and which saves and copies its picture.
void MainWindowTest::previewOverlaysZoomsAndSaves() {
    QTemporaryDir in;
    for (const char* name : {"a.raw", "b.raw", "c.raw"}) {
        writeRigakuRaw(in.filePath(name), name, std::vector<float>(1001, 10.0F));
    }
    Fixture f;
    f.chooseInput(pathsIn(in.path(), {"a.raw", "b.raw", "c.raw"}));
    f.click("Command2");
    auto* list = f.control<QListWidget>("List1");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      list->visualItemRect(list->item(2)).center());
    QTest::keyClick(list, Qt::Key_Return);
    const auto previews = f.window->findChildren<PreviewWindow*>();
    QCOMPARE(previews.size(), 1);
    PreviewWindow* window = previews.front();
    QCOMPARE(window->windowTitle(), QStringLiteral("3 scans - Scanmill"));
    const PreviewPlot& plot = window->plot();
    QCOMPARE(plot.scans().size(), std::size_t(3));
    QVERIFY(QTest::qWaitForWindowExposed(window));

    QTest::keyClick(window, Qt::Key_G);
    QCOMPARE(plot.view().scale, IntensityScale::Log);
    QTest::keyClick(window, Qt::Key_S);
    QCOMPARE(plot.view().scale, IntensityScale::SquareRoot);

    // Dragged across the middle half of the frame: 15° to 25°.
    window->repaint();
    const PlotRect frame = plot.frame();
    const auto at = [&](double part) {
        return QPoint(qRound(frame.left + part * frame.width),
                      qRound(frame.top + frame.height / 2));
    };
    QTest::mousePress(window, Qt::LeftButton, {}, at(0.25));
    QTest::mouseMove(window, at(0.75));
    QTest::mouseRelease(window, Qt::LeftButton, {}, at(0.75));
    window->repaint();
    QVERIFY(plot.view().twoTheta);
    QVERIFY(std::abs(plot.view().twoTheta->low - 15) < 0.1);
    QVERIFY(std::abs(plot.view().twoTheta->high - 25) < 0.1);
    // The wheel turned away zooms in around the cursor, at the middle.
    QWheelEvent wheel(at(0.5), window->mapToGlobal(QPointF(at(0.5))), {}, {0, 120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window, &wheel);
    window->repaint();
    QVERIFY(std::abs(plot.view().twoTheta->low - 16) < 0.1);
    QVERIFY(std::abs(plot.view().twoTheta->high - 24) < 0.1);
    QTest::mouseDClick(window, Qt::LeftButton, {}, at(0.5));
    QVERIFY(!plot.view().twoTheta);

    window->saveTo(in.filePath("plot.png"));
    window->saveTo(in.filePath("plot.SVG"));
    QCOMPARE(QImage(in.filePath("plot.png")).size(), window->size() * window->devicePixelRatio());
    QFile svg(in.filePath("plot.SVG"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QVERIFY(svg.readAll().startsWith("<?xml"));
    QTest::keyClick(window, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->image().size(), window->picture().size());
    QVERIFY(f.messages.shown.isEmpty());
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
    QCOMPARE(selection.fileNames, std::vector<std::string>({"b.raw", "a.raw"}));
    QCOMPARE(selection.outputDirectory, (in.filePath("out") + u'/').toStdString());
    QCOMPARE(window.findChild<QLineEdit*>("Text2")->text(), in.filePath("out") + u'/');
}

void MainWindowTest::realDialogCancelChangesNothing() {
    ScriptedMessages messages;
    Form1 window(qtFileDialogBackend(QFileDialog::DontUseNativeDialog), messages.backend());
    window.show();
    Answering<QFileDialog> person(
        [](QFileDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QTest::mouseClick(window.findChild<QPushButton*>("Command3"), Qt::LeftButton);
    QCOMPARE(person.answered, 2);
    QVERIFY(messages.shown.isEmpty());
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

#include "main_window.h"
#include "window_test_support.h"

#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace scanmill;
using namespace scanmill::testing;

namespace {

// A shown window whose file dialog is a script.
struct Fixture {
    ScriptedDialog dialog;
    std::unique_ptr<Form1> window;

    Fixture() : window(std::make_unique<Form1>(dialog.backend())) {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    template <typename Control> Control* control(const char* name) const {
        auto* found = window->findChild<Control*>(QLatin1StringView(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    void click(const char* name) const {
        QTest::mouseClick(control<QPushButton>(name), Qt::LeftButton);
    }
    QString text(const char* name) const { return control<QLineEdit>(name)->text(); }
    QStringList statusLines() const {
        QStringList lines;
        auto* list = control<QListWidget>("List1");
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }
    // Chooses files through the input Browse button.
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

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startsEmptyWithAsciiSelected();
    void controlsSitWhereTheLayoutPutsThem_data();
    void controlsSitWhereTheLayoutPutsThem();
    void fontsAndToolTips();
    void tabVisitsTheControlsInOrder();
    void convertWithoutSelectionAddsNoticeAndIgnoresTypedText();

    void browseOneFile();
    void browseSeveralFiles();
    void browseSeveralFilesAtRoot();
    void cancelKeepsEarlierSelection();
    void dialogErrorIsShownAndSelectionKept();
    void moreNamesThanTheTableHoldsAreRefused();
    void dialogSettingsAreMadeAnewOnEachPress();
    void browseOutputDirectoryAppendsSeparator();
    void cancelKeepsOutputDirectory();

    void convertsChosenFilesIntoInputDirectory();
    void convertsToBrukerIntoChosenDirectory();
    void shorterSelectionConvertsOnlyItsOwnNames();
    void failingFileIsShownAndEarlierLinesStay();

    void realDialogChoosesSeveralFiles();
    void realDialogChoosesDirectory();
    void realDialogCancelChangesNothing();

    void exitEndsTheProgram();
};

void MainWindowTest::startsEmptyWithAsciiSelected() {
    Fixture f;
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Scanmill (v1.0)"));
    QCOMPARE(f.window->size(), QSize(723, 442));
    QCOMPARE(f.text("Text1"), QStringLiteral("Browse to files . . ."));
    QCOMPARE(f.text("Text2"), QStringLiteral("Browse to directory . . ."));
    QVERIFY(f.control<QRadioButton>("Option1")->isChecked());
    QVERIFY(!f.control<QRadioButton>("Option2")->isChecked());
    QCOMPARE(f.control<QListWidget>("List1")->count(), 0);
    const FileSelection& selection = f.window->selection();
    QCOMPARE(selection.fileCount, 0);
    QVERIFY(selection.inputDirectory.empty());
    QVERIFY(selection.outputDirectory.empty());
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
    auto* control = f.window->findChild<QWidget*>(QString::fromLatin1(QTest::currentDataTag()));
    QVERIFY(control);
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
    // Screen readers announce what people read: the text, or a box's frame.
    if (qobject_cast<QLineEdit*>(control) || qobject_cast<QListWidget*>(control)) {
        auto* frame = f.control<QGroupBox>(parent == u"Form1" ? "Frame3" : qPrintable(parent));
        QCOMPARE(control->accessibleName(), frame->title());
    } else {
        QCOMPARE(control->accessibleName(), text);
    }

    // Controls drawn over a frame must be above it, or the frame hides them.
    if (parent == u"Form1" && !qobject_cast<QGroupBox*>(control)) {
        const QList<QObject*> siblings = f.window->children();
        for (const char* frame : {"Frame1", "Frame2", "Frame3", "Frame4"}) {
            auto* frameWidget = f.control<QGroupBox>(frame);
            if (frameWidget->geometry().intersects(geometry))
                QVERIFY(siblings.indexOf(control) > siblings.indexOf(frameWidget));
        }
    }
}

void MainWindowTest::fontsAndToolTips() {
    Fixture f;
    const QFont title = f.control<QLabel>("Label1")->font();
    QCOMPARE(title.pointSizeF(), 24.0);
    QVERIFY(!title.bold());
    QCOMPARE(f.control<QLabel>("Label2")->font().pointSizeF(), 9.75);
    const QFont convert = f.control<QPushButton>("Command2")->font();
    QCOMPARE(convert.pointSizeF(), 12.0);
    QVERIFY(convert.bold());
    QCOMPARE(title.families().front(), QStringLiteral("Trebuchet MS"));

    // Whatever fonts the machine has, no text is cut off.
    for (auto* button : f.window->findChildren<QPushButton*>())
        QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) < button->width(),
                 qPrintable(button->objectName()));
    for (QWidget* control : f.window->findChildren<QRadioButton*>())
        QVERIFY2(control->sizeHint().width() <= control->width(),
                 qPrintable(control->objectName()));
    for (QWidget* control : f.window->findChildren<QLabel*>())
        QVERIFY2(control->sizeHint().width() <= control->width(),
                 qPrintable(control->objectName()));

    QCOMPARE(f.control<QGroupBox>("Frame2")->toolTip(),
             QStringLiteral("Select desired output format"));
    QCOMPARE(f.control<QPushButton>("Command2")->toolTip(),
             QStringLiteral("Click to begin conversion"));
    QCOMPARE(f.control<QPushButton>("Command4")->toolTip(), QStringLiteral("Close program"));
}

void MainWindowTest::tabVisitsTheControlsInOrder() {
    Fixture f;
    QApplication::setActiveWindow(f.window.get());
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    auto visit = [&] {
        f.control<QPushButton>("Command1")->setFocus(Qt::TabFocusReason);
        QStringList order;
        for (int i = 0; i < 9; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return order;
    };
    QCOMPARE(visit(), QStringList({"Command1", "Command2", "List1", "Text1", "Option1", "Text2",
                                   "Command3", "Command4", "Command1"}));
    // Only the selected option takes the focus.
    QTest::mouseClick(f.control<QRadioButton>("Option2"), Qt::LeftButton);
    QVERIFY(f.control<QRadioButton>("Option2")->isChecked());
    QCOMPARE(visit(), QStringList({"Command1", "Command2", "List1", "Text1", "Option2", "Text2",
                                   "Command3", "Command4", "Command1"}));
}

void MainWindowTest::convertWithoutSelectionAddsNoticeAndIgnoresTypedText() {
    Fixture f;
    QTemporaryDir typed;
    writeRigakuRaw(typed.filePath("a.raw"), "A", 10, 0.02F, {1});
    f.control<QLineEdit>("Text1")->setText(typed.filePath("a.raw"));
    f.control<QLineEdit>("Text2")->setText(typed.path() + u'/');
    MessageBoxCloser boxes;
    f.click("Command2");
    f.click("Command2");
    QCOMPARE(f.statusLines(), QStringList(2, QStringLiteral("No files have been selected.")));
    QCOMPARE(f.control<QListWidget>("List1")->selectedItems().size(), 0);
    QCOMPARE(f.text("Text2"), typed.path() + u'/');
    QVERIFY(f.window->selection().outputDirectory.empty());
    QVERIFY(!QFile::exists(typed.filePath("a.dat")));
    QVERIFY(boxes.seen.isEmpty());
}

void MainWindowTest::browseOneFile() {
    Fixture f;
    f.chooseInput({"/data/scan01.raw"});
    const FileSelection& selection = f.window->selection();
    QCOMPARE(selection.inputDirectory, "/data/");
    QCOMPARE(selection.fileNames[0], "scan01.raw");
    QCOMPARE(selection.fileCount, 1);
    QCOMPARE(f.text("Text1"), QStringLiteral("/data/scan01.raw"));
    QVERIFY(selection.outputDirectory.empty());
}

void MainWindowTest::browseSeveralFiles() {
    Fixture f;
    // "%1" in a path must survive the building of the box's text.
    f.chooseInput(pathsIn("/data/run %1", {"c.raw", "a.raw", "b.raw"}));
    const FileSelection& selection = f.window->selection();
    QCOMPARE(selection.inputDirectory, "/data/run %1/");
    QCOMPARE(selection.fileCount, 3);
    QCOMPARE(selection.fileNames[0], "c.raw");
    QCOMPARE(selection.fileNames[1], "a.raw");
    QCOMPARE(selection.fileNames[2], "b.raw");
    QCOMPARE(f.text("Text1"), QStringLiteral("/data/run %1/ . . .  3 files selected"));
}

void MainWindowTest::browseSeveralFilesAtRoot() {
    Fixture f;
    f.chooseInput({"/a.raw", "/b.raw"});
    QCOMPARE(f.window->selection().inputDirectory, "/");
    QCOMPARE(f.window->selection().fileCount, 2);
    QCOMPARE(f.text("Text1"), QStringLiteral("/ . . .  2 files selected"));
}

void MainWindowTest::cancelKeepsEarlierSelection() {
    Fixture f;
    f.chooseInput(pathsIn("/data", {"a.raw", "b.raw"}));
    MessageBoxCloser boxes;
    f.chooseInput({});
    QCOMPARE(f.dialog.requests.size(), 2);
    QCOMPARE(f.window->selection().inputDirectory, "/data/");
    QCOMPARE(f.window->selection().fileCount, 2);
    QCOMPARE(f.text("Text1"), QStringLiteral("/data/ . . .  2 files selected"));
    QVERIFY(boxes.seen.isEmpty());
}

void MainWindowTest::dialogErrorIsShownAndSelectionKept() {
    Fixture f;
    f.chooseInput({"/data/scan01.raw"});
    // 20 names of 12 characters each, with their NULs, overflow the buffer.
    QStringList names;
    for (int i = 0; i < 20; ++i)
        names << QStringLiteral("scan%1.raw").arg(i, 4, 10, QChar(u'0'));
    MessageBoxCloser boxes;
    f.chooseInput(pathsIn("/data/other", names));
    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("Scanmill"));
    QCOMPARE(boxes.seen[0].text,
             QStringLiteral("Error 20476 selecting files.\n"
                            "The file name buffer is too small for this selection."));
    QCOMPARE(boxes.seen[0].icon, QMessageBox::NoIcon);
    QCOMPARE(boxes.seen[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(f.window->selection().inputDirectory, "/data/");
    QCOMPARE(f.window->selection().fileCount, 1);
    QCOMPARE(f.text("Text1"), QStringLiteral("/data/scan01.raw"));
}

void MainWindowTest::moreNamesThanTheTableHoldsAreRefused() {
    // One- and two-character names at the root fit the dialog's buffer.
    const QString symbols =
        QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
    QStringList names;
    for (QChar symbol : symbols)
        names << symbol;
    for (QChar symbol : symbols.left(102 - names.size()))
        names << QStringLiteral("x") + symbol;
    Fixture f;
    MessageBoxCloser boxes;
    f.chooseInput(pathsIn("", names.mid(1)));
    QCOMPARE(f.window->selection().fileCount, 101);
    QCOMPARE(f.window->selection().fileNames[100], names.last().toStdString());
    f.chooseInput(pathsIn("", names));
    QCOMPARE(boxes.seen.size(), 1);
    QVERIFY2(boxes.seen[0].text.contains(u"102") && boxes.seen[0].text.contains(u"101"),
             qPrintable(boxes.seen[0].text));
    QCOMPARE(f.window->selection().fileCount, 101);
    QCOMPARE(f.window->selection().fileNames[0], "1");
    QCOMPARE(f.text("Text1"), QStringLiteral("/ . . .  101 files selected"));
}

void MainWindowTest::dialogSettingsAreMadeAnewOnEachPress() {
    Fixture f;
    f.chooseInput(pathsIn("/data", {"a.raw", "b.raw"}));
    f.chooseOutput("/out");
    f.chooseInput({"/data/c.raw"});
    const QList<FileDialogRequest>& asked = f.dialog.requests;
    QCOMPARE(asked.size(), 3);
    QCOMPARE(asked[0].mode, FileDialogRequest::Mode::Files);
    QCOMPARE(asked[0].nameFilters, QStringList{"Rigaku raw (*.raw)"});
    QCOMPARE(asked[1].mode, FileDialogRequest::Mode::Directory);
    QCOMPARE(asked[2].mode, FileDialogRequest::Mode::Files);
    QCOMPARE(asked[2].nameFilters, QStringList{"Rigaku raw (*.raw)"});
    // One dialog for both buttons: it opens where it was last used.
    QCOMPARE(asked[1].directory, QStringLiteral("/data"));
    QCOMPARE(asked[2].directory, QStringLiteral("/out"));
}

void MainWindowTest::browseOutputDirectoryAppendsSeparator() {
    Fixture f;
    f.chooseOutput("/out");
    QCOMPARE(f.window->selection().outputDirectory, "/out/");
    QCOMPARE(f.text("Text2"), QStringLiteral("/out/"));
    f.chooseOutput("/");
    QCOMPARE(f.window->selection().outputDirectory, "/");
    QCOMPARE(f.text("Text2"), QStringLiteral("/"));
    QVERIFY(f.window->selection().inputDirectory.empty());
}

void MainWindowTest::cancelKeepsOutputDirectory() {
    Fixture f;
    MessageBoxCloser boxes;
    f.click("Command3");
    QVERIFY(f.window->selection().outputDirectory.empty());
    QCOMPARE(f.text("Text2"), QStringLiteral("Browse to directory . . ."));
    f.chooseOutput("/out");
    f.click("Command3");
    QCOMPARE(f.dialog.requests.size(), 3);
    QCOMPARE(f.window->selection().outputDirectory, "/out/");
    QCOMPARE(f.text("Text2"), QStringLiteral("/out/"));
    QVERIFY(boxes.seen.isEmpty());
}

void MainWindowTest::convertsChosenFilesIntoInputDirectory() {
    QTemporaryDir in;
    writeRigakuRaw(in.filePath("scan01.raw"), "Quartz", 10, 0.02F, {100, 250.5F, 0.75F});
    writeRigakuRaw(in.filePath("a.b.raw"), "", 5, 0.05F, {1});
    Fixture f;
    f.chooseInput(pathsIn(in.path(), {"scan01.raw", "a.b.raw"}));
    MessageBoxCloser boxes;
    f.click("Command2");

    QCOMPARE(f.statusLines(),
             QStringList({"scan01.raw     converted to 2-column ASCII file     scan01.dat",
                          "a.b.raw     converted to 2-column ASCII file     a.dat"}));
    QCOMPARE(f.control<QListWidget>("List1")->selectedItems().size(), 0);
    QCOMPARE(f.text("Text2"), in.path() + u'/');
    QCOMPARE(f.window->selection().outputDirectory, (in.path() + u'/').toStdString());
    const QList<QByteArray> lines = contents(in.filePath("scan01.dat")).split('\n');
    QCOMPARE(lines.size(), 6); // five lines and the empty rest after the last CR LF
    QCOMPARE(lines[0], QByteArray("Quartz\r"));
    QVERIFY(lines[1].startsWith("2theta"));
    QVERIFY(lines[4].startsWith(" 10.04 "));
    QVERIFY(lines[4].endsWith(" .75 \r"));
    QVERIFY(QFile::exists(in.filePath("a.dat")));
    QVERIFY(boxes.seen.isEmpty());
}

void MainWindowTest::convertsToBrukerIntoChosenDirectory() {
    QTemporaryDir in;
    QTemporaryDir out;
    writeRigakuRaw(in.filePath("scan01.raw"), "Quartz", 10, 0.02F, {100, 250.5F, 0.75F});
    Fixture f;
    f.chooseOutput(out.path());
    f.chooseInput({in.filePath("scan01.raw")});
    QTest::mouseClick(f.control<QRadioButton>("Option2"), Qt::LeftButton);
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

void MainWindowTest::shorterSelectionConvertsOnlyItsOwnNames() {
    QTemporaryDir in;
    const QStringList five{"a.raw", "b.raw", "c.raw", "d.raw", "e.raw"};
    for (const QString& name : five)
        writeRigakuRaw(in.filePath(name), name.toLatin1(), 10, 0.02F, {1, 2});
    Fixture f;
    f.chooseInput(pathsIn(in.path(), five));
    f.chooseInput({in.filePath("e.raw")});
    QCOMPARE(f.window->selection().fileCount, 1);
    QCOMPARE(f.window->selection().fileNames[1], "b.raw"); // left alone, never read
    f.click("Command2");
    QCOMPARE(f.statusLines(), QStringList{"e.raw     converted to 2-column ASCII file     e.dat"});
    QVERIFY(!QFile::exists(in.filePath("a.dat")));
    QVERIFY(!QFile::exists(in.filePath("b.dat")));
}

void MainWindowTest::failingFileIsShownAndEarlierLinesStay() {
    QTemporaryDir in;
    writeRigakuRaw(in.filePath("a.raw"), "A", 10, 0.02F, {1, 2});
    writeRigakuRaw(in.filePath("c.raw"), "C", 10, 0.02F, {1, 2});
    Fixture f;
    f.chooseInput(pathsIn(in.path(), {"a.raw", "missing.raw", "c.raw"}));
    MessageBoxCloser boxes;
    f.click("Command2");

    QCOMPARE(boxes.seen.size(), 1);
    QCOMPARE(boxes.seen[0].title, QStringLiteral("Scanmill"));
    const QString text = boxes.seen[0].text;
    QVERIFY2(text.startsWith(u"Error 2 converting files.\n"), qPrintable(text));
    QVERIFY2(text.contains(in.filePath("missing.raw")), qPrintable(text));
    QCOMPARE(f.statusLines(), QStringList{"a.raw     converted to 2-column ASCII file     a.dat"});
    QVERIFY(!QFile::exists(in.filePath("c.dat")));
    QCOMPARE(f.text("Text2"), in.path() + u'/');
    QVERIFY(f.window->isVisible());

    // The window carries on: the next press converts again.
    writeRigakuRaw(in.filePath("missing.raw"), "B", 10, 0.02F, {1});
    f.click("Command2");
    QCOMPARE(f.statusLines().size(), 4);
    QCOMPARE(boxes.seen.size(), 1);
}

void MainWindowTest::realDialogChoosesSeveralFiles() {
    QTemporaryDir in;
    writeRigakuRaw(in.filePath("a.raw"), "A", 10, 0.02F, {1});
    writeRigakuRaw(in.filePath("b.raw"), "B", 10, 0.02F, {1});
    Form1 window(qtFileDialogBackend(QFileDialog::DontUseNativeDialog));
    window.show();
    QStringList filters;
    QFileDialog::FileMode mode{};
    DialogDriver<QFileDialog> person([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        mode = dialog->fileMode();
        dialog->setDirectory(in.path());
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(QStringLiteral("\"b.raw\" \"a.raw\""));
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);

    QVERIFY(person.acted);
    QCOMPARE(filters, QStringList{"Rigaku raw (*.raw)"});
    QCOMPARE(mode, QFileDialog::ExistingFiles);
    QCOMPARE(window.selection().inputDirectory, (in.path() + u'/').toStdString());
    QCOMPARE(window.selection().fileCount, 2);
    QCOMPARE(window.selection().fileNames[0], "b.raw");
    QCOMPARE(window.selection().fileNames[1], "a.raw");
}

void MainWindowTest::realDialogChoosesDirectory() {
    QTemporaryDir out;
    Form1 window(qtFileDialogBackend(QFileDialog::DontUseNativeDialog));
    window.show();
    DialogDriver<QFileDialog> person([&](QFileDialog* dialog) {
        QCOMPARE(dialog->fileMode(), QFileDialog::Directory);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(out.path());
        QTest::keyClick(name, Qt::Key_Return);
    });
    QTest::mouseClick(window.findChild<QPushButton*>("Command3"), Qt::LeftButton);
    QVERIFY(person.acted);
    QCOMPARE(window.selection().outputDirectory, (out.path() + u'/').toStdString());
    QCOMPARE(window.findChild<QLineEdit*>("Text2")->text(), out.path() + u'/');
}

void MainWindowTest::realDialogCancelChangesNothing() {
    Form1 window(qtFileDialogBackend(QFileDialog::DontUseNativeDialog));
    window.show();
    MessageBoxCloser boxes;
    for (const char* button : {"Command1", "Command3"}) {
        DialogDriver<QFileDialog> person(
            [](QFileDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
        QTest::mouseClick(window.findChild<QPushButton*>(button), Qt::LeftButton);
        QVERIFY(person.acted);
    }
    QCOMPARE(window.findChild<QLineEdit*>("Text1")->text(),
             QStringLiteral("Browse to files . . ."));
    QCOMPARE(window.findChild<QLineEdit*>("Text2")->text(),
             QStringLiteral("Browse to directory . . ."));
    QVERIFY(window.selection().inputDirectory.empty());
    QVERIFY(window.selection().outputDirectory.empty());
    QVERIFY(boxes.seen.isEmpty());
}

// Last: it ends the application's event loop.
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

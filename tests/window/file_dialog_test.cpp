#include "file_dialog.h"
#include "selection.h"
#include "window_test_support.h"

#include <QTest>

using namespace scanmill;
using namespace scanmill::testing;

namespace {

// A dialog whose person answers with these paths, once.
struct AnsweredDialog {
    ScriptedDialog script;
    FileDialog dialog{nullptr, script.backend()};

    explicit AnsweredDialog(const QStringList& paths,
                            unsigned flags = FileDialog::allowMultiSelect) {
        script.answers << paths;
        dialog.setFlags(flags);
    }
    // The error the dialog ends with; 0 when it returns a value.
    int open() {
        try {
            dialog.showOpen();
            return 0;
        } catch (const DialogError& error) {
            return error.number();
        }
    }
};

} // namespace

class FileDialogTest : public QObject {
    Q_OBJECT

private slots:
    void filterTextBecomesNameFilters();
    void valueJoinsDirectoryAndNamesWithNuls();
    void oneFileModeUnlessMultiSelect();
    void valueMustFitTheBuffer();
    void cancelAndErrorsKeepTheLastValue();
    void pathWithoutSeparatorGivesEmptyDirectory();
};

void FileDialogTest::filterTextBecomesNameFilters() {
    QCOMPARE(qtNameFilters("Rigaku raw (*.raw)|*.raw"), QStringList{"Rigaku raw (*.raw)"});
    QCOMPARE(qtNameFilters("Scans|*.raw;*.RAW|All|*.*"),
             QStringList({"Scans (*.raw *.RAW)", "All (*.*)"}));
    // A description without patterns is no filter at all.
    QCOMPARE(qtNameFilters("Output directory"), QStringList{});
}

void FileDialogTest::valueJoinsDirectoryAndNamesWithNuls() {
    AnsweredDialog one({"/data/scan01.raw"});
    QCOMPARE(one.open(), 0);
    QCOMPARE(one.dialog.fileName(), QStringLiteral("/data/scan01.raw"));

    AnsweredDialog several({"/data/b.raw", "/data/a.raw", "/data/sub/c.raw"});
    QCOMPARE(several.open(), 0);
    const QString value = several.dialog.fileName();
    QCOMPARE(value.split(QChar(u'\0')), QStringList({"/data", "b.raw", "a.raw", "sub/c.raw"}));
    const ChosenFiles chosen = parseFileDialogValue(value);
    QCOMPARE(chosen.directory, "/data/");
    QCOMPARE(chosen.names, std::vector<std::string>({"b.raw", "a.raw", "sub/c.raw"}));
}

void FileDialogTest::oneFileModeUnlessMultiSelect() {
    AnsweredDialog dialog({"/data/a.raw"}, FileDialog::explorer);
    dialog.open();
    QCOMPARE(dialog.script.requests.front().mode, FileDialogRequest::Mode::OneFile);
}

void FileDialogTest::valueMustFitTheBuffer() {
    const QString directory = QStringLiteral("/") + QString(250, u'd');
    // The directory, "ab.raw" and "b", each after a NUL: 251 + 7 + 2 = 260 characters.
    const QString fits = directory + QStringLiteral("/ab.raw");
    AnsweredDialog atLimit({fits, directory + QStringLiteral("/b")});
    QCOMPARE(atLimit.open(), 0);
    QCOMPARE(atLimit.dialog.fileName().size(), FileDialog::bufferSize);

    AnsweredDialog over({fits, directory + QStringLiteral("/bc")});
    QCOMPARE(over.open(), FileDialog::bufferTooSmallError);
}

void FileDialogTest::cancelAndErrorsKeepTheLastValue() {
    AnsweredDialog dialog({"/data/a.raw"});
    dialog.open();
    dialog.script.answers << QStringList{} << QStringList{QStringLiteral("/") + QString(300, u'x')};
    try {
        dialog.dialog.showOpen();
        QFAIL("no answer must cancel");
    } catch (const DialogError& error) {
        QCOMPARE(error.number(), FileDialog::cancelError);
        QCOMPARE(error.description(), QStringLiteral("Cancel was selected."));
    }
    try {
        dialog.dialog.showDirectory();
        QFAIL("a directory longer than the buffer must fail");
    } catch (const DialogError& error) {
        QCOMPARE(error.number(), FileDialog::bufferTooSmallError);
        QCOMPARE(error.description(),
                 QStringLiteral("The file name buffer is too small for this selection."));
    }
    QCOMPARE(dialog.dialog.fileName(), QStringLiteral("/data/a.raw"));
}

void FileDialogTest::pathWithoutSeparatorGivesEmptyDirectory() {
    const ChosenFiles chosen = parseFileDialogValue(QStringLiteral("scan01.raw"));
    QVERIFY(chosen.directory.empty());
    QCOMPARE(chosen.names, std::vector<std::string>{"scan01.raw"});
    QCOMPARE(chosen.display, QStringLiteral("scan01.raw"));
}

QTEST_MAIN(FileDialogTest)
#include "file_dialog_test.moc"

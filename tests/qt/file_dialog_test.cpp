// SPDX-License-Identifier: MIT
#include "file_dialog.h"
#include "selection.h"
#include "window_test_support.h"

#include <QTest>

using namespace scanmill;
using namespace scanmill::testing;

namespace {

// The error number the dialog ends with when its person answers with paths; 0 for none.
int openWith(FileDialog& dialog, ScriptedDialog& script, const QStringList& paths) {
    script.answers << paths;
    try {
        dialog.showOpen();
        return 0;
    } catch (const DialogError& error) {
        return error.number();
    }
}

} // namespace

class FileDialogTest : public QObject {
    Q_OBJECT

private slots:
    void filterTextBecomesNameFilters();
    void valueJoinsDirectoryAndNamesWithNuls();
    void valueMustFitTheBuffer();
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
    ScriptedDialog script;
    FileDialog dialog(nullptr, script.backend());
    QCOMPARE(openWith(dialog, script, {"/data/a.raw", "/data/b.raw"}), 0);
    QCOMPARE(script.requests.back().mode, FileDialogRequest::Mode::OneFile);
    dialog.setFlags(FileDialog::allowMultiSelect);
    // A typed name may reach into a subdirectory; it stays relative to the first.
    QCOMPARE(openWith(dialog, script, {"/data/b.raw", "/data/a.raw", "/data/sub/c.raw"}), 0);
    QCOMPARE(script.requests.back().mode, FileDialogRequest::Mode::Files);
    const QString value = dialog.fileName();
    QCOMPARE(value.split(QChar(u'\0')), QStringList({"/data", "b.raw", "a.raw", "sub/c.raw"}));
    const ChosenFiles chosen = parseFileDialogValue(value);
    QCOMPARE(chosen.directory, "/data/");
    QCOMPARE(chosen.names, std::vector<std::string>({"b.raw", "a.raw", "sub/c.raw"}));
}

void FileDialogTest::valueMustFitTheBuffer() {
    ScriptedDialog script;
    FileDialog dialog(nullptr, script.backend());
    dialog.setFlags(FileDialog::allowMultiSelect);
    const QString directory = QStringLiteral("/") + QString(32757, u'd');
    // The directory, then "ab.raw" and "b", each after a NUL: 32758 + 7 + 2 = 32767 characters.
    QCOMPARE(openWith(dialog, script, {directory + "/ab.raw", directory + "/b"}), 0);
    QCOMPARE(dialog.fileName().size(), 32767);
    const QString fitting = dialog.fileName();

    QCOMPARE(openWith(dialog, script, {directory + "/ab.raw", directory + "/bc"}),
             FileDialog::bufferTooSmallError);
    QCOMPARE(openWith(dialog, script, {}), FileDialog::cancelError);
    script.answers << QStringList{directory + u'/' + QString(10, u'e')};
    QVERIFY_THROWS_EXCEPTION(DialogError, dialog.showDirectory());
    QCOMPARE(dialog.fileName(), fitting);
}

void FileDialogTest::pathWithoutSeparatorGivesEmptyDirectory() {
    const ChosenFiles chosen = parseFileDialogValue(QStringLiteral("scan01.raw"));
    QVERIFY(chosen.directory.empty());
    QCOMPARE(chosen.names, std::vector<std::string>{"scan01.raw"});
}

QTEST_MAIN(FileDialogTest)
#include "file_dialog_test.moc"

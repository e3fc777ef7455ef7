// SPDX-License-Identifier: MIT
#include "file_dialog.h"
#include "file_dialog_value.h"
#include "native_paths.h"
#include "window_test_support.h"

#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <string>

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
    void namesShownWithReplacementCharacterKeepTheirBytes();
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
    dialog.setFlags(fileDialog::allowMultiSelect);
    QCOMPARE(openWith(dialog, script, {"/data/b.raw", "/data/a.raw"}), 0);
    QCOMPARE(script.requests.back().mode, FileDialogRequest::Mode::Files);
    QCOMPARE(dialog.fileName(), std::string("/data\0b.raw\0a.raw", 17));
}

void FileDialogTest::valueMustFitTheBuffer() {
    ScriptedDialog script;
    FileDialog dialog(nullptr, script.backend());
    dialog.setFlags(fileDialog::allowMultiSelect);
    const QString directory = QStringLiteral("/") + QString(32757, u'd');
    // The directory, then "ab.raw" and "b", each after a NUL: 32758 + 7 + 2 = 32767 characters.
    QCOMPARE(openWith(dialog, script, {directory + "/ab.raw", directory + "/b"}), 0);
    QCOMPARE(dialog.fileName().size(), fileDialog::bufferSize);
    const std::string fitting = dialog.fileName();

    QCOMPARE(openWith(dialog, script, {directory + "/ab.raw", directory + "/bc"}),
             fileDialog::bufferTooSmallError);
    QCOMPARE(openWith(dialog, script, {}), fileDialog::cancelError);
    script.answers << QStringList{directory + u'/' + QString(10, u'e')};
    QVERIFY_THROWS_EXCEPTION(DialogError, dialog.showDirectory());
    QCOMPARE(dialog.fileName(), fitting);
}

void FileDialogTest::namesShownWithReplacementCharacterKeepTheirBytes() {
    QTemporaryDir in;
    const std::string directory = QFile::encodeName(in.path()).toStdString();
    QVERIFY(QDir(in.path()).mkdir(QStringLiteral("sub")));
    std::filesystem::create_directory(directory + "/old\xE4");
    for (const char* name : {"/old\xE4/a\xE4.raw", "/sub/b\xE4.raw", "/sub/b\xE5.raw"})
        writeFile(directory + name, "");
    const QString replaced(QChar::ReplacementCharacter);
    QCOMPARE(nativePath(in.path() + "/old" + replaced + "/a" + replaced + ".raw"),
             directory + "/old\xE4/a\xE4.raw");
    // Two names shown alike: neither is guessed.
    QCOMPARE(nativePath(in.path() + "/sub/b" + replaced + ".raw"),
             directory + "/sub/b\xEF\xBF\xBD.raw");
    QCOMPARE(shown(directory + "/sub/b\xE4.raw"), in.path() + "/sub/b" + replaced + ".raw");
}

QTEST_MAIN(FileDialogTest)
#include "file_dialog_test.moc"

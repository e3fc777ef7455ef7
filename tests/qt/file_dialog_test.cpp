// SPDX-License-Identifier: MIT
#include "file_dialog.h"
#include "native_paths.h"
#include "window_test_support.h"

#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <string>

using namespace scanmill;
using namespace scanmill::testing;

class FileDialogTest : public QObject {
    Q_OBJECT

private slots:
    void directoryTooLongForTheBufferFails();
    void namesShownWithReplacementCharacterKeepTheirBytes();
};

void FileDialogTest::directoryTooLongForTheBufferFails() {
    ScriptedDialog script;
    FileDialog dialog(nullptr, script.backend());
    script.answers << QStringList{QStringLiteral("/") + QString(32757, u'd') + u'/' +
                                  QString(10, u'e')};
    try {
        dialog.chooseDirectory();
        QFAIL("a directory longer than the buffer was taken");
    } catch (const DialogError& error) {
        QCOMPARE(error.number(), fileDialog::bufferTooSmallError);
    }
}

void FileDialogTest::namesShownWithReplacementCharacterKeepTheirBytes() {
    QTemporaryDir in;
    const std::string directory = QFile::encodeName(in.path()).toStdString();
    QVERIFY(QDir(in.path()).mkdir(QStringLiteral("sub")));
    std::filesystem::create_directory(directory + "/old\xE4");
    for (const char* name : {"/old\xE4/a\xE4.raw", "/sub/b\xE4.raw", "/sub/b\xE5.raw"}) {
        writeFile(directory + name, "");
    }
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

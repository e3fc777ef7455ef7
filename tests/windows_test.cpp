// SPDX-License-Identifier: MIT
// What Windows does differently: names are UTF-16 at the system calls and
// case-blind, renaming does not replace unless asked, read-only is an
// attribute, an open file cannot be replaced, some names are devices, and
// paths longer than 260 characters need a form of their own.
#include "ascii_writer.h"
#include "file_selection.h"
#include "output_file.h"
#include "platform.h"
#include "rigaku_reader.h"
#include "scan_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <windows.h>

namespace scanmill {
namespace {

namespace fs = std::filesystem;
using namespace testing;

const std::string earlierContent = "earlier output, to be kept\n";

ScanRecord sampleScan() {
    ScanRecord scan;
    scan.title = "Quartz standard";
    scan.intensities = {1.0F, 2.0F};
    scan.pointCount = 2;
    return scan;
}

// The names in dir as Windows holds them, sorted.
std::vector<std::wstring> wideEntriesOf(const fs::path& dir) {
    std::vector<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A folder tree deeper than 260 characters is listed, looked up, read and written.
TEST(WindowsFiles, PathsLongerThan260CharactersAreReached) {
    ScratchDirectory dir;
    std::string deep = dir.path().string();
    for (int level = 0; level < 12; ++level) {
        deep += "\\folder-" + std::to_string(level) + "-of-a-deep-archive";
        ASSERT_NE(CreateDirectoryW(verbatim(platform::toPath(deep)).c_str(), nullptr), 0) << deep;
    }
    ASSERT_GT(deep.size(), 300u);
    testing::RigakuFields fields;
    fields.title = "Deep";
    writeFile(verbatim(platform::toPath(deep + "\\s.raw")), rigakuBytes(fields));

    EXPECT_EQ(readRigakuRaw(deep + "\\s.raw").title, "Deep");
    writeTwoColumnAscii(sampleScan(), deep + "\\s.dat");
    EXPECT_EQ(readFile(verbatim(platform::toPath(deep + "\\s.dat"))),
              formatTwoColumnAscii(sampleScan()));
    const std::optional<std::vector<platform::DirectoryEntry>> entries =
        platform::listDirectory(deep);
    ASSERT_TRUE(entries.has_value());
    std::vector<std::string> names;
    for (const platform::DirectoryEntry& entry : *entries) {
        EXPECT_EQ(entry.kind, platform::EntryKind::RegularFile) << entry.name;
        names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"s.dat", "s.raw"}));
    const std::optional<platform::FileStatus> folder = platform::fileStatus(deep);
    ASSERT_TRUE(folder.has_value());
    EXPECT_TRUE(folder->directory);
    removeTree(dir / "folder-0-of-a-deep-archive");
}

// The C runtime ignores fopen's "x", so the temporary's clash check is the seam's own.
TEST(WindowsFiles, TemporaryIsCreatedExclusively) {
    ScratchDirectory dir;
    writeFile(dir / "taken.part", earlierContent);
    errno = 0;
    std::FILE* file = platform::createTemporaryFile(dir / "taken.part", dir / "taken.dat");
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(errno, EEXIST);
    if (file != nullptr) {
        std::fclose(file);
    }
    EXPECT_EQ(readFile(dir / "taken.part"), earlierContent);
}

// A leading dot hides nothing in Explorer: the temporary carries the hidden
// attribute, and the output it becomes does not.
TEST(WindowsFiles, TemporaryIsHiddenAndItsOutputIsNot) {
    ScratchDirectory dir;
    const auto hidden = [](const fs::path& path) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    };
    PendingFile pending(dir / "scan01.dat", earlierContent);
    const std::vector<std::wstring> entries = wideEntriesOf(dir.path());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(hidden(dir.path() / entries[0]));
    pending.commit();
    EXPECT_FALSE(hidden(dir.path() / "scan01.dat"));
    EXPECT_EQ(readFile(dir / "scan01.dat"), earlierContent);
}

// Renaming onto an existing file fails on Windows unless told to replace it,
// and a name in other case is that same file.
TEST(WindowsFiles, OutputIsReplacedWhateverTheCaseOfItsName) {
    ScratchDirectory dir;
    writeFile(dir / "scan01.raw", rigakuBytes({}));
    writeFile(dir / "SCAN01.DAT", std::string(5000, 'x'));
    FileSelection selection = selectionOf(dir.path(), {"scan01.raw"});
    StatusLog log;
    convertSelection(selection, OutputFormat::TwoColumnAscii, log);
    const std::string first = readFile(dir / "scan01.dat");
    convertSelection(selection, OutputFormat::TwoColumnAscii, log);
    EXPECT_EQ(log.lines().size(), 2u);
    EXPECT_EQ(first.substr(0, 17), "Quartz standard\r\n");
    EXPECT_EQ(readFile(dir / "scan01.dat"), first);
    EXPECT_EQ(dir.entries().size(), 2u) << "one input, one output, no temporary";
}

// A file with the read-only attribute, or held open by another program, is
// not replaced, and no temporary is left beside it.
TEST(WindowsFiles, OutputThatCannotBeReplacedIsKept) {
    ScratchDirectory dir;
    const std::string path = dir / "scan01.dat";
    writeFile(path, earlierContent);
    // Like most programs, the C runtime opens without letting others delete.
    std::FILE* held = _wfopen((dir.path() / "scan01.dat").c_str(), L"rb");
    ASSERT_NE(held, nullptr);
    expectFileError([&] { writeTwoColumnAscii(sampleScan(), path); }, ERROR_SHARING_VIOLATION,
                    path + ": " + windowsWords(ERROR_SHARING_VIOLATION));
    std::fclose(held);

    const std::wstring widePath = (dir.path() / "scan01.dat").wstring();
    ASSERT_NE(SetFileAttributesW(widePath.c_str(), FILE_ATTRIBUTE_READONLY), 0);
    expectFileError([&] { writeTwoColumnAscii(sampleScan(), path); }, ERROR_ACCESS_DENIED,
                    path + ": " + windowsWords(ERROR_ACCESS_DENIED));
    EXPECT_EQ(readFile(path), earlierContent);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"scan01.dat"});
    SetFileAttributesW(widePath.c_str(), FILE_ATTRIBUTE_NORMAL); // so that it can be removed
}

TEST(WindowsFiles, NamesWindowsForbidsAreRefused) {
    ScratchDirectory dir;
    const std::string character = "Windows does not allow control characters or any of";
    const std::string device = "Windows reserves this name for a device";
    const std::string ending = "Windows does not allow a file name that ends in a dot or a blank";
    // Unchecked, Wine writes "a:b.dat" and "x" for "x.", Windows a stream of
    // file "a" and "x"; CON and NUL fail as "bad device", COM1 as "access
    // denied". A directory's name counts too: "run.\s.dat" is "run\s.dat".
    const std::string directoryEnding =
        "Windows does not allow a directory name that ends in a dot or a blank (run.)";
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"a:b.dat", character},
        {"a?b.dat", character},
        {"tab\there.dat", character},
        {"CON.dat", device},
        {"nul", device},
        {"Com1.txt", device},
        {"lpt9 .dat", device},
        {"x.", ending},
        {"x ", ending},
        {"run.\\s.dat", directoryEnding},
        {"a:b\\s.dat", character + " < > : \" | ? * in a directory name (a:b)"}};
    // Joined as the batch joins them: "a:b.dat" would be a drive to fs::path.
    for (const auto& [name, reason] : refused) {
        expectFileError([&] { writeTwoColumnAscii(sampleScan(), dir.withSeparator() + name); },
                        EINVAL, dir.withSeparator() + name + ": " + reason);
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{});
    // Nor are they read: CON would wait for the keyboard.
    expectFileError([&] { readRigakuRaw(dir.withSeparator() + "con.raw"); }, EINVAL,
                    dir.withSeparator() + "con.raw: " + device);

    // Names that only look like those are plain files.
    for (const std::string name : {"CONSOLE.dat", "com10.dat", ".\\x.con", "nul_b.raw"}) {
        writeTwoColumnAscii(sampleScan(), dir.withSeparator() + name);
    }
    EXPECT_EQ(dir.entries().size(), 4u);
}

// The engine's UTF-8 reaches the file system as the same characters, whatever
// the ANSI code page: no one code page holds both u-umlaut and alpha.
TEST(WindowsFiles, NamesAreUnicodeAtTheSystemCalls) {
    ScratchDirectory dir;
    writeFile(dir.path() / L"Probe M\u00FCller \u03B1.raw", rigakuBytes({}));
    const std::string name = "Probe M\xC3\xBCller \xCE\xB1.raw";
    FileSelection selection = selectionOf(dir.path(), {name});
    StatusLog log;
    convertSelection(selection, OutputFormat::BrukerRaw, log);
    EXPECT_EQ(log.lines(), std::vector<std::string>{
                               statusLine(name, formatNames(OutputFormat::BrukerRaw).description,
                                          "Probe M\xC3\xBCller \xCE\xB1_b.raw")});
    EXPECT_EQ(wideEntriesOf(dir.path()),
              (std::vector<std::wstring>{L"Probe M\u00FCller \u03B1.raw",
                                         L"Probe M\u00FCller \u03B1_b.raw"}));

    // Bytes that are not UTF-8 name no file.
    const std::string latin1 = dir.withSeparator() + "Probe M\xFCller \xE1.raw";
    expectFileError([&] { readRigakuRaw(latin1); }, ERROR_NO_UNICODE_TRANSLATION, latin1);
}

TEST(WindowsFiles, OutputNamesDifferingOnlyInCaseClash) {
    ScratchDirectory dir;
    const std::vector<std::string> names = {"Quartz.v1.raw", "\xC3\x84pfel.1.raw", "quartz.v2.raw",
                                            "\xC3\xA4pfel.2.raw"};
    for (const auto& name : names) {
        writeFile(platform::toPath(dir.withSeparator() + name), rigakuBytes({}));
    }
    FileSelection selection = selectionOf(dir.path(), names);
    StatusLog log;
    expectFileError([&] { convertSelection(selection, OutputFormat::TwoColumnAscii, log); }, EEXIST,
                    dir / "quartz.dat" +
                        ": Quartz.v1.raw and quartz.v2.raw would both be written to this file");
    selection = selectionOf(dir.path(), {names[1], names[3]}); // A and a with umlaut
    expectFileError([&] { convertSelection(selection, OutputFormat::TwoColumnAscii, log); }, EEXIST,
                    "would both be written to this file");
    EXPECT_EQ(wideEntriesOf(dir.path()).size(), 4u) << "nothing written";
    EXPECT_TRUE(log.lines().empty());
}

} // namespace
} // namespace scanmill

// SPDX-License-Identifier: MIT
// Faults during a batch: each I/O step of a conversion made to fail in turn,
// by real system faults wherever the system can produce them. After every
// failure the batch must report the system's number and name the file, leave
// no temporary file behind, keep an earlier output file as it was, and leave
// the files converted before it complete and logged.
#include "file_selection.h"
#include "names.h"
#include "output_file.h"
#include "platform.h"
#include "scan_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// Resource limits and fork make the system fail a write for real; the tests
// that need them are skipped on Windows, which has neither.
#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace scanmill {
namespace {

namespace fs = std::filesystem;
using namespace testing;

// Begins as a Bruker RAW file does, the only kind a Bruker output replaces.
const std::string earlierContent = "RAW1.01 earlier output, to be kept\n";

// How a batch ended, as its caller sees it.
struct Outcome {
    bool failed = false;
    int number = 0;
    std::string description;
    std::vector<std::string> log;
};

Outcome convertHere(FileSelection selection, OutputFormat format) {
    Outcome outcome;
    StatusLog log;
    try {
        convertSelection(selection, format, log);
    } catch (const FileError& error) {
        outcome = {true, error.number(), error.description(), {}};
    }
    outcome.log = log.lines();
    return outcome;
}

#ifndef _WIN32
void putField(std::string& out, const std::string& field) {
    out += std::to_string(field.size()) + ':' + field;
}

std::string takeField(const std::string& in, std::size_t& at) {
    const std::size_t colon = in.find(':', at);
    const std::size_t length = std::stoul(in.substr(at, colon - at));
    at = colon + 1 + length;
    return in.substr(colon + 1, length);
}

// Runs the batch in a child process whose files may not grow beyond
// fileSizeLimit bytes, SIGXFSZ left as the system sets it, which ends the
// process: the engine itself must make a write past the limit fail with
// EFBIG, as on a full quota. The limit stays out of the test process.
Outcome convertWithFileSizeLimit(const FileSelection& selection, OutputFormat format,
                                 rlim_t fileSizeLimit) {
    int channel[2];
    if (pipe(channel) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        std::signal(SIGXFSZ, SIG_DFL);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            _exit(3);
        }
        const Outcome outcome = convertHere(selection, format);
        std::string report;
        putField(report, std::to_string(outcome.failed ? outcome.number : 0));
        putField(report, outcome.description);
        for (const auto& line : outcome.log) {
            putField(report, line);
        }
        for (std::size_t sent = 0; sent < report.size();) {
            const ssize_t n = write(channel[1], report.data() + sent, report.size() - sent);
            if (n <= 0) {
                _exit(4);
            }
            sent += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(channel[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(n));
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << "the converting child process did not end normally, status " << status;
        return {};
    }
    Outcome outcome;
    std::size_t at = 0;
    outcome.number = std::stoi(takeField(report, at));
    outcome.failed = outcome.number != 0;
    outcome.description = takeField(report, at);
    while (at < report.size()) {
        outcome.log.push_back(takeField(report, at));
    }
    return outcome;
}

bool runningAsRoot() {
    return geteuid() == 0;
}
#endif

RigakuFields scanOf(int points, float first) {
    RigakuFields fields;
    fields.intensities.clear();
    for (int i = 0; i < points; ++i) {
        fields.intensities.push_back(first + static_cast<float>(i % 97) * 1.25F);
    }
    return fields;
}

// Each parameterised suite runs once per output format.
const auto bothFormats = ::testing::Values(OutputFormat::TwoColumnAscii, OutputFormat::BrukerRaw);
std::string formatName(const ::testing::TestParamInfo<OutputFormat>& info) {
    return info.param == OutputFormat::TwoColumnAscii ? "Ascii" : "Bruker";
}

// A batch of three scans, a.raw, b.raw and c.raw, from in/ into out/. The
// faults hit b.raw, which is large enough for its output to take several
// writes; out/ already holds an earlier output file of b.raw's name.
class BatchFault : public ::testing::TestWithParam<OutputFormat> {
protected:
    void SetUp() override {
        fs::create_directories(in());
        fs::create_directories(out());
        writeFile(in() / "a.raw", rigakuBytes(scanOf(3, 10)));
        writeFile(in() / "b.raw", rigakuBytes(scanOf(3000, 2000)));
        writeFile(in() / "c.raw", rigakuBytes(scanOf(3, 30)));
        writeFile(outputOf("b.raw"), earlierContent);
        selection = selectionOf(in(), {"a.raw", "b.raw", "c.raw"}, out());
    }

    fs::path in() const { return tree.path() / "in"; }
    fs::path out() const { return tree.path() / "out"; }
    OutputFormat format() const { return GetParam(); }
    std::string outputName(const std::string& input) const {
        return testing::outputNameFor(input, format());
    }
    fs::path outputOf(const std::string& input) const {
        return out() / platform::toPath(outputName(input));
    }

    // What an undisturbed one-file batch makes of the named input as it is
    // now: the output file's bytes and the status line.
    struct Converted {
        std::string bytes;
        std::string statusLine;
    };
    Converted reference(const std::string& input) const {
        const fs::path dir = tree.path() / "reference";
        fs::create_directories(dir);
        FileSelection one = selectionOf(in(), {input}, dir);
        StatusLog log;
        convertSelection(one, format(), log);
        Converted converted{readFile(dir / platform::toPath(outputName(input))), log.lines().at(0)};
        fs::remove_all(dir);
        return converted;
    }

    // The batch stopped at b.raw: the failure names the file, a.raw is
    // converted and logged, b.raw's earlier output (when kept is set) is
    // untouched, c.raw was never reached, and nothing else lies in out/.
    void expectStoppedAtB(const Outcome& outcome, int number, const fs::path& named,
                          const Converted& a, bool earlierKept = true) const {
        EXPECT_TRUE(outcome.failed);
        EXPECT_EQ(outcome.number, number) << outcome.description;
        EXPECT_NE(outcome.description.find(named.string()), std::string::npos)
            << "description: " << outcome.description << "\nexpected to name: " << named;
        EXPECT_EQ(outcome.log, std::vector<std::string>{a.statusLine});
        EXPECT_EQ(readFile(outputOf("a.raw")), a.bytes);
        if (earlierKept) {
            EXPECT_EQ(readFile(outputOf("b.raw")), earlierContent);
            EXPECT_EQ(entriesOf(out()), (std::vector{outputName("a.raw"), outputName("b.raw")}));
        }
    }

    ScratchDirectory tree;
    FileSelection selection;
};

INSTANTIATE_TEST_SUITE_P(BothFormats, BatchFault, bothFormats, formatName);

TEST_P(BatchFault, OpeningMissingInputFails) {
    const Converted a = reference("a.raw");
    fs::remove(in() / "b.raw");
    expectStoppedAtB(convertHere(selection, format()), shown::fileNotFound, in() / "b.raw", a);
}

TEST_P(BatchFault, ReadingInputThatIsADirectoryFails) {
    const Converted a = reference("a.raw");
    fs::remove(in() / "b.raw");
    fs::create_directory(in() / "b.raw");
    expectStoppedAtB(convertHere(selection, format()), EISDIR, in() / "b.raw", a);
}

TEST_P(BatchFault, InputEndingInsideItsPointsFails) {
    const Converted a = reference("a.raw");
    fs::resize_file(in() / "b.raw", 1000);
    expectStoppedAtB(convertHere(selection, format()), ENODATA, in() / "b.raw", a);
}

TEST_P(BatchFault, UnreadableInputFails) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no permission bits that make a file unreadable";
#else
    if (runningAsRoot()) {
        GTEST_SKIP() << "running as root, which reads a file whatever its permission bits";
    }
    const Converted a = reference("a.raw");
    fs::permissions(in() / "b.raw", fs::perms::none);
    expectStoppedAtB(convertHere(selection, format()), EACCES, in() / "b.raw", a);
#endif
}

// The file-size limit cuts b.raw's output at every stage: inside the first
// buffer, at buffer edges, in the middle and one byte short of the end. Each
// write call of the output is hit by one of these.
TEST_P(BatchFault, EveryWriteOfTheOutputCanFail) {
#ifdef _WIN32
    GTEST_SKIP() << "needs a file-size limit (setrlimit) and fork, which Windows does not have";
#else
    const Converted a = reference("a.raw");
    const Converted b = reference("b.raw");
    const Converted c = reference("c.raw");
    const rlim_t aSize = a.bytes.size();
    const rlim_t bSize = b.bytes.size();
    ASSERT_GT(bSize, 3 * 4096u) << "b.raw's output must need several writes";

    for (const rlim_t limit : {aSize, rlim_t{4095}, rlim_t{4096}, rlim_t{4097}, rlim_t{8192},
                               bSize / 2, bSize - 4096, bSize - 1}) {
        SCOPED_TRACE("file size limit " + std::to_string(limit));
        ASSERT_GE(limit, aSize);
        const Outcome outcome = convertWithFileSizeLimit(selection, format(), limit);
        expectStoppedAtB(outcome, EFBIG, outputOf("b.raw"), a);
    }

    // Room for exactly b.raw's output: the whole batch goes through.
    const Outcome outcome = convertWithFileSizeLimit(selection, format(), bSize);
    EXPECT_FALSE(outcome.failed) << outcome.description;
    EXPECT_EQ(outcome.log, (std::vector{a.statusLine, b.statusLine, c.statusLine}));
    EXPECT_EQ(readFile(outputOf("b.raw")), b.bytes);
    EXPECT_EQ(readFile(outputOf("c.raw")), c.bytes);
    EXPECT_EQ(entriesOf(out()).size(), 3u);
#endif
}

// Only a regular file is an earlier output: a directory, or a pipe (which a
// rename would replace and a Bruker check would wait on), stands at b.raw's
// output path and stays, with what it holds; a symbolic link to one too.
TEST_P(BatchFault, WhatIsNotARegularFileIsKept) {
    const Converted a = reference("a.raw");
    fs::remove(outputOf("b.raw"));
    fs::create_directory(outputOf("b.raw"));
    writeFile(outputOf("b.raw") / "kept.txt", earlierContent);
    expectStoppedAtB(convertHere(selection, format()), EEXIST, outputOf("b.raw"), a, false);
    EXPECT_EQ(entriesOf(out()), (std::vector{outputName("a.raw"), outputName("b.raw")}));
    EXPECT_EQ(readFile(outputOf("b.raw") / "kept.txt"), earlierContent);
#ifndef _WIN32
    fs::remove_all(outputOf("b.raw"));
    fs::remove(outputOf("a.raw"));
    ASSERT_EQ(mkfifo(outputOf("b.raw").c_str(), 0600), 0);
    const Outcome pipe = convertHere(selection, format());
    EXPECT_EQ(pipe.description,
              outputOf("b.raw").string() + ": exists and is not a regular file; kept");
    EXPECT_TRUE(fs::is_fifo(outputOf("b.raw")));
    fs::remove(outputOf("b.raw"));
    fs::remove(outputOf("a.raw"));
    fs::create_symlink(in(), outputOf("b.raw"));
    EXPECT_EQ(convertHere(selection, format()).number, EEXIST);
    EXPECT_TRUE(fs::is_symlink(outputOf("b.raw")));
#endif
}

TEST_P(BatchFault, ReadOnlyEarlierOutputIsNotReplaced) {
    const Converted a = reference("a.raw");
    fs::permissions(outputOf("b.raw"), fs::perms::owner_read | fs::perms::group_read);
    expectStoppedAtB(convertHere(selection, format()), shown::accessDenied, outputOf("b.raw"), a);
}

// Creating the temporary fails for the first file already, since all files
// share the output directory: nothing is logged and nothing is created.
TEST_P(BatchFault, CreatingTheTemporaryFails) {
    struct Case {
        const char* what;
        std::function<void(const fs::path&)> arrange;
        int number;
    };
    const std::vector<Case> cases = {
        {"missing output directory", [](const fs::path& dir) { fs::remove_all(dir); },
         shown::pathNotFound},
        {"a file where the output directory should be",
         [](const fs::path& dir) {
             fs::remove_all(dir);
             writeFile(dir, earlierContent);
         },
         shown::notADirectory},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange(out());
        const Outcome outcome = convertHere(selection, format());
        EXPECT_TRUE(outcome.failed);
        EXPECT_EQ(outcome.number, c.number) << outcome.description;
        EXPECT_NE(outcome.description.find(outputOf("a.raw").string()), std::string::npos)
            << outcome.description;
        EXPECT_TRUE(outcome.log.empty());
        for (const auto& name : entriesOf(tree.path())) {
            EXPECT_TRUE(name == "in" || name == "out") << "left behind: " << name;
        }
    }
}

TEST_P(BatchFault, ReadOnlyOutputDirectoryFails) {
#ifdef _WIN32
    GTEST_SKIP() << "the read-only attribute of a Windows directory does not keep files out";
#else
    if (runningAsRoot()) {
        GTEST_SKIP() << "running as root, which creates files in a directory whatever its "
                        "permission bits";
    }
    fs::permissions(out(), fs::perms::owner_read | fs::perms::owner_exec);
    const Outcome outcome = convertHere(selection, format());
    EXPECT_EQ(outcome.number, EACCES) << outcome.description;
    EXPECT_NE(outcome.description.find(outputOf("a.raw").string()), std::string::npos);
    EXPECT_TRUE(outcome.log.empty());
    EXPECT_EQ(entriesOf(out()), std::vector{outputName("b.raw")});
#endif
}

// Names are bytes of the system's encoding (UTF-8 on Windows, any 8-bit one
// elsewhere), blanks and all; they reach the output name, the status line and
// the failure's description unchanged.
TEST_P(BatchFault, NamesWithBlanksAndEightBitCharacters) {
#ifdef _WIN32
    const std::string name = "Probe 7 \xC3\xA9t\xC3\xA9 \xC2\xB0"
                             "C.raw";
#else
    const std::string name = "Probe 7 \xE9t\xE9 \xB0"
                             "C.raw";
#endif
    fs::rename(in() / "a.raw", in() / platform::toPath(name));
    const Converted a = reference(name);
    selection = selectionOf(in(), {name}, out());

    const Outcome converted = convertHere(selection, format());
    EXPECT_FALSE(converted.failed) << converted.description;
    EXPECT_EQ(converted.log, std::vector{a.statusLine});
    EXPECT_EQ(a.statusLine.substr(0, name.size()), name);
    EXPECT_EQ(a.statusLine.substr(a.statusLine.size() - outputName(name).size()), outputName(name));
    EXPECT_EQ(readFile(outputOf(name)), a.bytes);

    fs::remove(in() / platform::toPath(name));
    const Outcome missing = convertHere(selection, format());
    EXPECT_EQ(missing.number, shown::fileNotFound);
    EXPECT_NE(missing.description.find(in().string() + pathSeparator + name), std::string::npos)
        << missing.description;
}

// Closing a flushed file does not fail on a local disk, so this step is made
// to fail through the close call handed to the output file.
TEST(OutputFileFault, FailedCloseRemovesTheTemporaryAndKeepsTheEarlierFile) {
    ScratchDirectory tree;
    const fs::path target = tree.path() / "scan01.dat";
    writeFile(target, earlierContent);
    const CloseFile closeThenFail = [](std::FILE* file) {
        std::fclose(file);
        errno = ENOSPC; // not EIO, which a failure that sets no errno gives too
        return EOF;
    };
    try {
        replaceFileContents(target.string(), "new content\r\n", closeThenFail);
        ADD_FAILURE() << "a failed close went unreported";
    } catch (const FileError& error) {
        EXPECT_EQ(error.number(), shown::diskFull);
        EXPECT_NE(error.description().find(target.string()), std::string::npos);
    }
    EXPECT_EQ(entriesOf(tree.path()), std::vector<std::string>{"scan01.dat"});
    EXPECT_EQ(readFile(target), earlierContent);
}

// A rename that fails (here onto a directory made after the temporary) is
// reported as the output's failure, and its temporary goes.
TEST(OutputFileFault, FailedRenameIsReportedAndRemovesTheTemporary) {
    ScratchDirectory tree;
    const fs::path target = tree.path() / "scan01.dat";
    PendingFile pending(target.string(), "new content\r\n");
    fs::create_directories(target / "kept");
    try {
        pending.commit();
        ADD_FAILURE() << "a failed rename went unreported";
    } catch (const FileError& error) {
        EXPECT_NE(error.number(), 0);
        EXPECT_TRUE(error.description().starts_with(target.string() + ": ")) << error.description();
    }
    EXPECT_EQ(entriesOf(tree.path()), std::vector<std::string>{"scan01.dat"});
    EXPECT_TRUE(fs::is_directory(target / "kept"));
}

// A replaced output keeps who may read it: its permission bits and, where
// the process may set it (as root), its owner. A new one gets the default.
TEST(OutputFileFault, ReplacedFileKeepsItsPermissionsAndOwner) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows keeps no permission bits in a file beyond read-only";
#else
    ScratchDirectory tree;
    const std::string target = tree / "scan01.dat";
    writeFile(target, earlierContent);
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    const uid_t owner = runningAsRoot() ? 65534 : geteuid(); // nobody
    ASSERT_EQ(chown(target.c_str(), owner, static_cast<gid_t>(-1)), 0);
    replaceFileContents(target, "new content\r\n");
    struct stat replaced {};
    ASSERT_EQ(stat(target.c_str(), &replaced), 0);
    EXPECT_EQ(replaced.st_mode & 07777, 0640u);
    EXPECT_EQ(replaced.st_uid, owner);
    EXPECT_EQ(readFile(target), "new content\r\n");

    // As any new file: what the user's mask leaves of rw for all. A lab
    // sharing its outputs in a group sets 002.
    for (const mode_t mask : {022, 002}) {
        fs::remove(tree / "new.dat");
        const mode_t previous = umask(mask);
        replaceFileContents(tree / "new.dat", "new");
        umask(previous);
        struct stat created {};
        ASSERT_EQ(stat((tree / "new.dat").c_str(), &created), 0);
        EXPECT_EQ(created.st_mode & 07777, 0666u & ~mask) << std::oct << mask;
    }
    EXPECT_EQ(entriesOf(tree.path()), (std::vector<std::string>{"new.dat", "scan01.dat"}))
        << "no temporary is left";
#endif
}

// The temporary lies beside its output, so that the output is renamed into
// place, never copied, also on a file system other than the working one: the
// temporary and the output are one file.
TEST(OutputFileFault, TemporaryLiesBesideItsOutputOnAnotherFileSystem) {
#ifdef _WIN32
    GTEST_SKIP() << "needs a second file system (/dev/shm)";
#else
    ScratchDirectory tree;
    struct stat here {};
    struct stat shm {};
    if (stat(tree.path().c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 ||
        here.st_dev == shm.st_dev || access("/dev/shm", W_OK) != 0) {
        GTEST_SKIP() << "no writable /dev/shm on a file system of its own";
    }
    const fs::path elsewhere = fs::path("/dev/shm") / tree.path().filename();
    fs::create_directory(elsewhere);
    const std::string target = (elsewhere / "scan01.dat").string();
    {
        PendingFile pending(target, "content");
        const std::vector<std::string> entries = entriesOf(elsewhere);
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_TRUE(entries[0].starts_with(".scanmill-")) << entries[0];
        struct stat temporary {};
        ASSERT_EQ(stat((elsewhere / entries[0]).c_str(), &temporary), 0);
        pending.commit();
        struct stat output {};
        ASSERT_EQ(stat(target.c_str(), &output), 0);
        EXPECT_EQ(output.st_ino, temporary.st_ino);
        EXPECT_EQ(output.st_dev, shm.st_dev);
    }
    EXPECT_EQ(entriesOf(elsewhere), std::vector<std::string>{"scan01.dat"});
    fs::remove_all(elsewhere);
#endif
}

} // namespace
} // namespace scanmill

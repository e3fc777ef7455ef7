// SPDX-License-Identifier: MIT
#include "bruker_writer.h"
#include "platform.h"
#include "preview_plot.h"
#include "rigaku_reader.h"
#include "scan_files.h"
#include "window_core.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace scanmill;
using namespace scanmill::testing;

namespace {

namespace fs = std::filesystem;

// The status line of a converted file, worded as the engine words it.
std::string convertedLine(const std::string& input, OutputFormat format,
                          const std::string& output) {
    return statusLine(input, formatNames(format).description, output);
}
const std::string ascii = convertedLine("", OutputFormat::TwoColumnAscii, "");

// A path written with "/" in the platform's separators.
std::string native(std::string path) {
    std::replace(path.begin(), path.end(), '/', pathSeparator);
    return path;
}

// Files chosen in the dialog: one full path, or a directory and names.
ChosenFiles chosen(const std::string& path) {
    return chosenTogether({path});
}

// Names of 200 characters, as labs name their scans and longer.
std::vector<std::string> longNames(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        const std::string number = std::to_string(i);
        names.push_back("2005-02-14_quartz_standard_run" + std::string(166 - number.size(), '0') +
                        number + ".raw");
    }
    return names;
}

// The status list's lines from this row on, as the window shows them.
std::vector<std::string> statusLinesOf(const WindowCore& core, std::size_t from = 0) {
    std::vector<std::string> lines;
    for (std::size_t row = from; row < core.statusLineCount(); ++row) {
        lines.push_back(core.statusLine(row));
    }
    return lines;
}

std::vector<std::string> pathsIn(const ScratchDirectory& directory,
                                 const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const std::string& name : names) {
        paths.push_back(directory / name);
    }
    return paths;
}

void writeScan(const std::string& path, const std::string& title) {
    RigakuFields fields;
    fields.title = title;
    writeFile(platform::toPath(path), rigakuBytes(fields));
}

// Runs in directory while it lives.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const fs::path& directory) : started_(fs::current_path()) {
        fs::current_path(directory);
    }
    ~WorkingDirectory() { fs::current_path(started_); }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

private:
    fs::path started_;
};

} // namespace

TEST(ChosenFiles, PathsRelativeToTheFirstAndToTheWorkingDirectory) {
    ScratchDirectory lab;
    fs::create_directories(lab.path() / "fe");
    const std::string fe = lab / "fe";
    // A typed name may reach into a subdirectory; it stays relative to the first.
    const ChosenFiles typed =
        chosenTogether({fe + native("/b.raw"), fe + native("/a.raw"), fe + native("/sub/c.raw")});
    EXPECT_EQ(typed.directory, fe + pathSeparator);
    EXPECT_EQ(typed.names, std::vector<std::string>({"b.raw", "a.raw", native("sub/c.raw")}));
    // At the root the directory already ends with it.
    const std::string root = fs::current_path().root_path().string();
    EXPECT_EQ(chosenTogether({root + "a.raw"}).directory, root);

    WorkingDirectory in(lab.path());
    const ChosenFiles one = chosenTogether({native("fe/./a.raw")});
    EXPECT_EQ(one.directory, fe + pathSeparator);
    EXPECT_EQ(one.names, std::vector<std::string>{"a.raw"});
    EXPECT_EQ(chosenTogether({native("fe/a.raw"), native("x/../fe/b.raw")}).names,
              std::vector<std::string>({"a.raw", "b.raw"}));
}

// The dialog's value is one full path, or the directory without its
// separator and each name after a NUL; it counts UTF-16 units.
TEST(ChosenFiles, BufferHoldsTheDialogsValue) {
    const std::string directory = native("/") + std::string(32757, 'd');
    const std::string withSeparator = directory + pathSeparator;
    // 32758 + 7 + 2 = 32767 characters.
    EXPECT_TRUE(fitsFileDialogBuffer({withSeparator, {"ab.raw", "b"}}));
    EXPECT_FALSE(fitsFileDialogBuffer({withSeparator, {"ab.raw", "bc"}}));
    EXPECT_TRUE(fitsFileDialogBuffer({withSeparator, {"12345678"}}));
    EXPECT_FALSE(fitsFileDialogBuffer({withSeparator, {"123456789"}}));
    // At a root the separator stays in the value.
    const std::string root = fs::current_path().root_path().string();
    const std::string name(fileDialog::bufferSize - root.size() - 3, 'n');
    EXPECT_TRUE(fitsFileDialogBuffer({root, {name, "b"}}));
    EXPECT_FALSE(fitsFileDialogBuffer({root, {name, "bc"}}));
    // Two bytes make one unit, four bytes two.
    EXPECT_TRUE(fitsFileDialogBuffer({withSeparator, {"\xC3\xA4\xC3\xA4.raw", "b"}}));
    EXPECT_TRUE(fitsFileDialogBuffer({withSeparator, {"\xF0\x9F\x94\xAC.raw", "b"}}));
    EXPECT_FALSE(fitsFileDialogBuffer({withSeparator, {"\xF0\x9F\x94\xAC.raw", "bc"}}));
}

TEST(WindowCore, ChosenFilesBecomeTheSelectionUnlessTheDialogFailed) {
    WindowCore core;
    WindowUpdate update = core.filesChosen({native("/data/"), {"c.raw", "a.raw", "b.raw"}});
    EXPECT_EQ(update.inputBox, native("/data/ . . .  3 files selected"));
    EXPECT_FALSE(update.outputBox);
    EXPECT_FALSE(update.message);

    EXPECT_EQ(core.selection().fileNames, std::vector<std::string>({"c.raw", "a.raw", "b.raw"}));

    update = core.filesChosen({native("/data/"), {"e.raw"}});
    EXPECT_EQ(update.inputBox, native("/data/e.raw"));
    const FileSelection& selection = core.selection();
    EXPECT_EQ(selection.inputDirectory, native("/data/"));
    EXPECT_EQ(selection.fileNames, std::vector<std::string>{"e.raw"});
    EXPECT_TRUE(selection.outputDirectory.empty());

    // A cancelled dialog is silent, a failed one shown; the selection stays.
    const WindowUpdate cancelled =
        core.inputDialogFailed(fileDialog::cancelError, fileDialog::cancelDescription);
    EXPECT_FALSE(cancelled.message || cancelled.inputBox || cancelled.outputBox);
    const WindowUpdate failed = core.inputDialogFailed(fileDialog::bufferTooSmallError,
                                                       fileDialog::bufferTooSmallDescription);
    EXPECT_EQ(failed.message, "Error 20476 selecting files.\n"
                              "The file name buffer is too small for this selection.");
    EXPECT_FALSE(failed.inputBox);
    EXPECT_EQ(core.selection().inputDirectory, native("/data/"));
}

TEST(WindowCore, AHundredAndOneFitButNotMore) {
    std::vector<std::string> names = longNames(102);
    const std::string first = names.front();
    names.erase(names.begin());
    WindowCore core;
    EXPECT_EQ(core.filesChosen({native("/data/"), names}).inputBox,
              native("/data/ . . .  101 files selected"));

    const std::vector<std::string> refusedNames = names;
    names.push_back(first);
    const WindowUpdate refused = core.filesChosen({native("/data/"), names});
    EXPECT_EQ(refused.message, "102 files were selected, but Scanmill converts at most 101 at a "
                               "time.\nThe selection stays as it was.");
    EXPECT_FALSE(refused.inputBox);
    EXPECT_EQ(core.selection().fileNames, refusedNames);
}

TEST(WindowCore, OpenedFilesAreTheScansOfOneDirectory) {
    ScratchDirectory in;
    fs::create_directories(in.path() / "out.raw");
    WindowCore core;
    // Only scans count, in any case, in the order given; names need not exist.
    WindowUpdate update = core.filesOpened(pathsIn(in, {"b.RAW", "notes.txt", "out.raw", "a.raw"}));
    EXPECT_EQ(update.inputBox, in.withSeparator() + " . . .  2 files selected");
    EXPECT_EQ(core.selection().inputDirectory, in.withSeparator());
    EXPECT_EQ(core.selection().fileNames, std::vector<std::string>({"b.RAW", "a.raw"}));
    update = core.filesOpened({in / "notes.txt", in / "out.raw"});
    EXPECT_FALSE(update.inputBox || update.message);

    // Refused with a message, the selection as it was.
    update = core.filesOpened({in / "a.raw", in / native("out.raw/b.raw")});
    EXPECT_EQ(update.message, "The files lie in 2 directories, but Scanmill converts files from "
                              "one directory at a time.\nThe selection stays as it was.");
    update = core.filesOpened(pathsIn(in, longNames(102)));
    EXPECT_EQ(update.message->substr(0, 24), "102 files were selected,");
    EXPECT_FALSE(update.inputBox);
    EXPECT_EQ(core.selection().fileNames.size(), 2U);
    EXPECT_EQ(core.selection().inputDirectory, in.withSeparator());
}

// The window's command line names files and the tube, which reaches the
// Bruker files' wavelengths; an unknown tube is named and Cu stays.
TEST(WindowCore, CommandLineChoosesTheTubeOfTheBrukerFiles) {
    ScratchDirectory in;
    writeScan(in / "a.raw", "A");
    WindowCore core;
    WindowUpdate update = core.commandLine({"--anode", "co", in / "a.raw"});
    EXPECT_EQ(update.tube, Anode::Co);
    EXPECT_EQ(update.inputBox, in / "a.raw");
    EXPECT_FALSE(update.message);
    core.convert(OutputFormat::BrukerRaw, Anode::Co);
    EXPECT_EQ(readFile(in / "a_b.raw"), formatBrukerRaw(readRigakuRaw(in / "a.raw"), Anode::Co));
    EXPECT_EQ(core.commandLine({"--anode=Mo"}).tube, Anode::Mo);

    update = core.commandLine({"--anode", "W"});
    EXPECT_FALSE(update.tube);
    EXPECT_EQ(update.message, "--anode W: no such tube; the tubes are Cu, Co, Cr, Fe, Mo and "
                              "Ag.\nThe tube stays Cu.");
}

TEST(WindowCore, RelativePathsAreTakenFromTheWorkingDirectory) {
    ScratchDirectory lab;
    fs::create_directories(lab.path() / "fe");
    writeScan(lab / native("fe/a.raw"), "A");
    writeScan(lab / native("fe/b.raw"), "B");
    WindowCore core;
    {
        WorkingDirectory in(lab.path());
        EXPECT_EQ(core.filesOpened({native("fe/a.raw"), native("fe/b.raw")}).inputBox,
                  lab / native("fe/ . . .  2 files selected"));
    }
    const WindowUpdate converted = core.convert(OutputFormat::TwoColumnAscii);
    EXPECT_FALSE(converted.message) << *converted.message;
    EXPECT_EQ(statusLinesOf(core),
              std::vector<std::string>({"a.raw" + ascii + "a.dat", "b.raw" + ascii + "b.dat"}));
    EXPECT_TRUE(fs::exists(lab.path() / "fe" / "b.dat"));
}

TEST(WindowCore, DropTargetDependsOnWhatAndWhere) {
    ScratchDirectory in;
    fs::create_directories(in.path() / "out.raw");
    WindowCore core;
    EXPECT_EQ(core.dropTarget({in / "out.raw"}, true), DropTarget::OutputDirectory);
    EXPECT_EQ(core.dropTarget({in / "out.raw"}, false), DropTarget::InputFiles);
    EXPECT_EQ(core.dropTarget({in / "notes.txt"}, true), DropTarget::Nothing);
    EXPECT_EQ(core.dropTarget(pathsIn(in, {"notes.txt", "a.raw"}), true), DropTarget::InputFiles);
    EXPECT_FALSE(core.dropped({in / "out.raw"}, false).outputBox);

    const WindowUpdate update = core.dropped({in / "out.raw"}, true);
    EXPECT_EQ(update.outputBox, in / native("out.raw/"));
    EXPECT_EQ(core.selection().outputDirectory, in / native("out.raw/"));
    EXPECT_EQ(core.dropped(pathsIn(in, {"b.raw", "a.raw"}), true).inputBox,
              in.withSeparator() + " . . .  2 files selected");
}

// A directory dropped on the input area stands for its scans; dropped files
// that are no scans are named, not left out without a word.
TEST(WindowCore, DroppedDirectoryIsItsScansAndOtherFilesAreNamed) {
    ScratchDirectory in;
    fs::create_directories(in.path() / "run/deeper");
    for (const char* name : {"run/b.raw", "run/A.RAW", "run/notes.txt", "run/deeper/c.raw"}) {
        writeScan(in / native(name), name);
    }
    WindowCore core;
    WindowUpdate update = core.dropped({in / "run"}, false);
    EXPECT_EQ(core.selection().inputDirectory, in / native("run/"));
    EXPECT_EQ(core.selection().fileNames, (std::vector<std::string>{"A.RAW", "b.raw"}));
    EXPECT_FALSE(update.message);

    update = core.dropped(pathsIn(in, {"run/notes.txt", "run/b.raw", "a.dat"}), false);
    EXPECT_EQ(update.message, "2 dropped files are not .raw scans and were left out: notes.txt "
                              "and a.dat");
    EXPECT_EQ(core.selection().fileNames, std::vector<std::string>{"b.raw"});
    update = core.dropped({in / native("run/deeper/c.raw"), in / "a.dat"}, false);
    EXPECT_EQ(update.message, "1 dropped file is not a .raw scan and was left out: a.dat");

    fs::create_directories(in.path() / "empty");
    EXPECT_EQ(core.dropped({in / "empty"}, false).message,
              "The dropped directory holds no .raw scans.\nThe selection stays as it was.");
    EXPECT_EQ(core.selection().fileNames, std::vector<std::string>{"c.raw"});
}

TEST(WindowCore, ConvertWithoutSelectionAddsNotice) {
    WindowCore core;
    for (std::size_t press = 1; press <= 2; ++press) {
        const WindowUpdate update = core.convert(OutputFormat::TwoColumnAscii);
        EXPECT_EQ(statusLinesOf(core),
                  std::vector<std::string>(press, "No files have been selected."));
        EXPECT_FALSE(update.outputBox || update.message);
    }
}

// A Bruker RAW file, nearly always an earlier output, is skipped with a
// line; any other failure ends the batch and says how many files it left.
TEST(WindowCore, FailureEndsTheBatchAfterTheLinesBeforeItButBrukerFilesAreSkipped) {
    ScratchDirectory in;
    writeScan(in / "a.raw", "A");
    writeScan(in / "c.raw", "C");
    writeScan(in / "d.raw", "D");
    writeFile(in / "x_b.raw", "RAW1.01 an earlier output");
    WindowCore core;
    core.filesOpened(pathsIn(in, {"a.raw", "x_b.raw", "missing.raw", "c.raw", "d.raw"}));
    const WindowUpdate update = core.convert(OutputFormat::BrukerRaw);
    EXPECT_EQ(statusLinesOf(core),
              (std::vector<std::string>{convertedLine("a.raw", OutputFormat::BrukerRaw, "a_b.raw"),
                                        "x_b.raw     skipped: a Bruker RAW file"}));
    EXPECT_EQ(update.outputBox, in.withSeparator());
    const std::string expected = "Error 2 converting files.\n" + (in / "missing.raw");
    EXPECT_EQ(update.message->substr(0, expected.size()), expected) << *update.message;
    EXPECT_TRUE(update.message->ends_with("\n2 more files of this press were not converted."))
        << *update.message;
    EXPECT_FALSE(fs::exists(in.path() / "c_b.raw"));

    // The next press converts again, after the earlier lines; one file left
    // is counted as one, and a failure at the last file leaves no third line.
    writeScan(in / "missing.raw", "B");
    fs::remove(in.path() / "c.raw");
    const WindowUpdate again = core.convert(OutputFormat::BrukerRaw);
    EXPECT_EQ(core.statusLineCount(), 5U);
    ASSERT_TRUE(again.message);
    EXPECT_TRUE(again.message->ends_with("\n1 more file of this press was not converted."))
        << *again.message;
    fs::remove(in.path() / "d.raw");
    core.filesChosen({in.withSeparator(), {"a.raw", "d.raw"}});
    const WindowUpdate last = core.convert(OutputFormat::BrukerRaw);
    ASSERT_TRUE(last.message);
    EXPECT_EQ(std::count(last.message->begin(), last.message->end(), '\n'), 1) << *last.message;
}

// An output made from another scan is not replaced unasked: converted
// alone, one after the other, Fe2O3_0.5mm.raw and Fe2O3_0.7mm.raw would
// both be written to Fe2O3_0.dat. The same scan converted again replaces
// its own output without a question.
TEST(WindowCore, OutputOfAnotherScanIsNotReplacedUnasked) {
    ScratchDirectory in;
    writeScan(in / "Fe2O3_0.5mm.raw", "first");
    writeScan(in / "Fe2O3_0.7mm.raw", "second");
    WindowCore core;
    core.filesOpened(pathsIn(in, {"Fe2O3_0.5mm.raw"}));
    EXPECT_FALSE(core.convert(OutputFormat::TwoColumnAscii).question);
    const std::string first = readFile(in / "Fe2O3_0.dat");
    EXPECT_FALSE(core.convert(OutputFormat::TwoColumnAscii).question);
    ASSERT_EQ(core.statusLineCount(), 2U);

    core.filesOpened(pathsIn(in, {"Fe2O3_0.7mm.raw"}));
    const WindowUpdate asked = core.convert(OutputFormat::TwoColumnAscii);
    ASSERT_TRUE(asked.question);
    EXPECT_EQ(asked.question->text, "These outputs may hold other scans:\n"
                                    "Fe2O3_0.dat exists; Fe2O3_0.7mm.raw would replace it\n"
                                    "Whole names would write Fe2O3_0.7mm.dat instead.");
    EXPECT_TRUE(asked.question->offersReplace);
    const WindowUpdate cancelled = core.questionAnswered(ConvertAnswer::Cancel);
    EXPECT_TRUE(!cancelled.message && !cancelled.outputBox && core.statusLineCount() == 2);
    EXPECT_EQ(in.entries().size(), 3U);

    core.convert(OutputFormat::TwoColumnAscii);
    core.questionAnswered(ConvertAnswer::WholeNames);
    EXPECT_EQ(core.statusLine(2), "Fe2O3_0.7mm.raw" + ascii + "Fe2O3_0.7mm.dat");
    EXPECT_EQ(readFile(in / "Fe2O3_0.dat"), first);
    EXPECT_EQ(readFile(in / "Fe2O3_0.7mm.dat").substr(0, 6), "second");

    ASSERT_TRUE(core.convert(OutputFormat::TwoColumnAscii).question);
    core.questionAnswered(ConvertAnswer::Replace);
    EXPECT_EQ(core.statusLine(3), "Fe2O3_0.7mm.raw" + ascii + "Fe2O3_0.dat");
    EXPECT_EQ(readFile(in / "Fe2O3_0.dat").substr(0, 6), "second");
}

// First-dot names that clash bring a question when whole names keep them
// apart, without Replace: Cancel writes nothing, "Use whole names" converts
// the press with whole names. Where
// whole names would not help, or an output would replace another selected
// file, Convert refuses as ever.
TEST(WindowCore, ClashOfFirstDotNamesAsksForWholeNames) {
    ScratchDirectory in;
    const std::vector<std::string> names = {"Fe2O3_0.5mm.raw", "quartz.v1.raw", "Fe2O3_0.7mm.raw",
                                            "quartz.v2.raw",   "quartz.v3.raw", "lone.raw"};
    for (const std::string& name : names) {
        writeScan(in / name, name);
    }
    WindowCore core;
    core.filesOpened(pathsIn(in, names));
    const std::string question =
        "These outputs may hold other scans:\n"
        "Fe2O3_0.dat: Fe2O3_0.5mm.raw and Fe2O3_0.7mm.raw would both be written to it\n"
        "quartz.dat: quartz.v1.raw, quartz.v2.raw and quartz.v3.raw would all be written to it\n"
        "Whole names would write Fe2O3_0.5mm.dat, Fe2O3_0.7mm.dat, quartz.v1.dat, quartz.v2.dat "
        "and quartz.v3.dat instead.";
    const WindowUpdate asked = core.convert(OutputFormat::TwoColumnAscii);
    ASSERT_TRUE(asked.question);
    EXPECT_EQ(asked.question->text, question);
    EXPECT_FALSE(asked.question->offersReplace);
    EXPECT_TRUE(core.statusLineCount() == 0 && !asked.message && !asked.outputBox);
    const WindowUpdate no = core.questionAnswered(ConvertAnswer::Cancel);
    EXPECT_TRUE(core.statusLineCount() == 0 && !no.message && !no.outputBox && !no.question);
    EXPECT_EQ(in.entries().size(), names.size());
    EXPECT_EQ(core.selection().fileNames, names);
    EXPECT_TRUE(core.selection().outputDirectory.empty());

    EXPECT_EQ(core.convert(OutputFormat::TwoColumnAscii).question->text, question);
    const WindowUpdate yes = core.questionAnswered(ConvertAnswer::WholeNames);
    EXPECT_FALSE(yes.message) << *yes.message;
    EXPECT_EQ(yes.outputBox, in.withSeparator());
    ASSERT_EQ(core.statusLineCount(), names.size());
    EXPECT_EQ(core.statusLine(0), "Fe2O3_0.5mm.raw" + ascii + "Fe2O3_0.5mm.dat");
    EXPECT_EQ(core.statusLine(5), "lone.raw" + ascii + "lone.dat");
    EXPECT_EQ(readFile(in / "quartz.v2.dat").substr(0, 13), "quartz.v2.raw");
    // The next press names by the first dot again.
    core.filesOpened(pathsIn(in, {"Fe2O3_0.5mm.raw"}));
    core.convert(OutputFormat::TwoColumnAscii);
    EXPECT_EQ(statusLinesOf(core, names.size()),
              std::vector<std::string>{"Fe2O3_0.5mm.raw" + ascii + "Fe2O3_0.dat"});

    // Twelve clashes: ten named, the rest counted.
    std::vector<std::string> many;
    for (int i = 10; i < 22; ++i) {
        for (const char* run : {".1.raw", ".2.raw"}) {
            many.push_back("s" + std::to_string(i) + run);
            writeScan(in / many.back(), many.back());
        }
    }
    core.filesOpened(pathsIn(in, many));
    const std::optional<ConvertQuestion> manyAsked = core.convert(OutputFormat::BrukerRaw).question;
    ASSERT_TRUE(manyAsked);
    EXPECT_EQ(std::count(manyAsked->text.begin(), manyAsked->text.end(), '\n'), 12);
    EXPECT_NE(manyAsked->text.find("\ns19_b.raw: s19.1.raw and s19.2.raw would both be written to "
                                   "it\nand 2 more\nWhole names would write s10.1_b.raw, "),
              std::string::npos)
        << manyAsked->text;
    EXPECT_TRUE(manyAsked->text.ends_with(", s14.2_b.raw and 14 more instead.")) << manyAsked->text;

    // Whole names that still clash, and an output over another selected
    // scan, are refused without a question.
    writeScan(in / "q_b.raw", "a scan under a Bruker output's name");
    for (const std::vector<std::string>& refused :
         {std::vector<std::string>{"Fe2O3_0.5mm.raw", "Fe2O3_0.5mm.RAW"},
          std::vector<std::string>{"Fe2O3_0.5mm.raw", "Fe2O3_0.7mm.raw", "q.raw", "q_b.raw"},
          std::vector<std::string>{"a.b.raw", "a_b.raw"}}) {
        core.filesChosen({in.withSeparator(), refused});
        const std::size_t lines = core.statusLineCount();
        const WindowUpdate update = core.convert(OutputFormat::BrukerRaw);
        EXPECT_FALSE(update.question);
        ASSERT_TRUE(update.message);
        EXPECT_TRUE(update.message->starts_with("Error 17 converting files.\n")) << *update.message;
        EXPECT_EQ(core.statusLineCount(), lines);
    }
}

// Two folders with scans of the same names, converted in turn: each gets its
// own outputs, beside its own scans.
TEST(WindowCore, FilledInOutputDirectoryFollowsTheInput) {
    ScratchDirectory first("-first");
    ScratchDirectory second("-second");
    writeScan(first / "scan01.raw", "First");
    writeScan(second / "scan01.raw", "Second");
    WindowCore core;
    core.filesOpened({first / "scan01.raw"});
    EXPECT_EQ(core.convert(OutputFormat::TwoColumnAscii).outputBox, first.withSeparator());

    // Another file of the same directory keeps it.
    EXPECT_FALSE(core.filesChosen(chosen(first / "scan01.raw")).outputBox);
    EXPECT_EQ(core.selection().outputDirectory, first.withSeparator());

    const WindowUpdate elsewhere = core.filesChosen(chosen(second / "scan01.raw"));
    EXPECT_EQ(elsewhere.outputBox, noOutputText);
    EXPECT_TRUE(core.selection().outputDirectory.empty());
    EXPECT_EQ(core.convert(OutputFormat::TwoColumnAscii).outputBox, second.withSeparator());
    EXPECT_EQ(readFile(first.path() / "scan01.dat").substr(0, 5), "First");
    EXPECT_EQ(readFile(second.path() / "scan01.dat").substr(0, 6), "Second");
}

TEST(WindowCore, ChosenOrDroppedOutputDirectoryGetsItsSeparatorAndStays) {
    ScratchDirectory first("-first");
    ScratchDirectory second("-second");
    ScratchDirectory out("-out");
    writeScan(first / "a.raw", "First");
    writeScan(second / "b.raw", "Second");
    WindowCore core;
    // A chosen directory gets its separator, unless it is a root.
    const std::string root = fs::current_path().root_path().string();
    EXPECT_EQ(core.outputDirectoryChosen(root).outputBox, root);
    EXPECT_EQ(core.outputDirectoryChosen(out.path().string()).outputBox, out.withSeparator());
    EXPECT_TRUE(core.selection().inputDirectory.empty());
    for (const bool dropped : {false, true}) {
        if (dropped) {
            core.dropped({out.path().string()}, true);
        } else {
            core.outputDirectoryChosen(out.path().string());
        }
        core.filesChosen(chosen(first / "a.raw"));
        core.convert(OutputFormat::TwoColumnAscii);
        EXPECT_FALSE(core.filesChosen(chosen(second / "b.raw")).outputBox);
        EXPECT_FALSE(core.convert(OutputFormat::TwoColumnAscii).outputBox);
        EXPECT_EQ(out.entries(), std::vector<std::string>({"a.dat", "b.dat"}));
        fs::remove(out.path() / "a.dat");
        fs::remove(out.path() / "b.dat");
    }
    // A Browse after Convert filled it in ends its following the input.
    WindowCore filled;
    filled.filesChosen(chosen(first / "a.raw"));
    filled.convert(OutputFormat::TwoColumnAscii);
    filled.outputDirectoryChosen(first.path().string());
    EXPECT_FALSE(filled.filesChosen(chosen(second / "b.raw")).outputBox);
    EXPECT_EQ(filled.selection().outputDirectory, first.withSeparator());
}

// Names are bytes as the system gives them: on Linux also where they are not
// UTF-8 (a Latin-1 name from an old archive), on Windows UTF-8.
TEST(WindowCore, NamesReachTheEngineAsTheirBytesAndAreShownEscaped) {
#ifdef _WIN32
    const std::string base = "caf\xC3\xA9";
    const std::string shownBase = base;
#else
    const std::string base = "bad\xE4";
    const std::string shownBase = "bad\xC3\xA4";
#endif
    ScratchDirectory in;
    const std::string scan = in.withSeparator() + base + ".raw";
    writeScan(scan, "Named");
    WindowCore core;
    EXPECT_EQ(core.filesOpened({scan}).inputBox, scan);
    core.convert(OutputFormat::TwoColumnAscii);
    EXPECT_EQ(statusLinesOf(core), std::vector<std::string>{base + ".raw" + ascii + base + ".dat"});
    EXPECT_EQ(readFile(platform::toPath(in.withSeparator() + base + ".dat")).substr(0, 5), "Named");
    EXPECT_EQ(PreviewPlot(core.openPreview({0}).scans).caption(), shownBase + ".raw - Scanmill");

    // Shown with its override escaped, so that it cannot turn its line
    // round; converted from its own name.
    const std::string hostile = "evil\xE2\x80\xAEwar";
    writeScan(in.withSeparator() + hostile + ".raw", "Hostile");
    EXPECT_EQ(core.filesOpened({in.withSeparator() + hostile + ".raw"}).inputBox,
              in.withSeparator() + "evil\\u202ewar.raw");
    core.convert(OutputFormat::TwoColumnAscii);
    EXPECT_EQ(statusLinesOf(core, 1),
              std::vector<std::string>{"evil\\u202ewar.raw" + ascii + "evil\\u202ewar.dat"});
    EXPECT_EQ(readFile(platform::toPath(in.withSeparator() + hostile + ".dat")).substr(0, 7),
              "Hostile");

    // In the clash question and in a failure's message too.
    core.filesChosen({in.withSeparator(), {hostile + ".1.raw", hostile + ".2.raw"}});
    const std::optional<ConvertQuestion> question =
        core.convert(OutputFormat::TwoColumnAscii).question;
    ASSERT_TRUE(question);
    EXPECT_NE(question->text.find("\nevil\\u202ewar.dat: evil\\u202ewar.1.raw and "
                                  "evil\\u202ewar.2.raw would both"),
              std::string::npos)
        << question->text;
    core.filesChosen({in.withSeparator(), {hostile + ".missing.raw"}});
    const std::optional<std::string> failure = core.convert(OutputFormat::TwoColumnAscii).message;
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find("evil\\u202ewar.missing.raw: "), std::string::npos) << *failure;
    EXPECT_EQ(failure->find("\xE2\x80\xAE"), std::string::npos) << *failure;
}

// A line of a converted file opens its scan as the file is now, with the
// tube it was converted with, noting a change since; several lines open one
// preview of all their scans; a notice opens nothing, a file gone is named.
TEST(WindowCore, StatusLinesOpenTheScansTheyConverted) {
    ScratchDirectory in;
    writeScan(in / "a.raw", "A");
    writeScan(in / "b.raw", "B");
    WindowCore core;
    core.convert(OutputFormat::TwoColumnAscii); // "No files have been selected."
    core.filesOpened(pathsIn(in, {"a.raw", "b.raw"}));
    core.convert(OutputFormat::BrukerRaw, Anode::Co);
    ASSERT_EQ(core.statusLineCount(), 3U);

    for (const std::size_t line : {0, 3}) {
        const PreviewOpening nothing = core.openPreview({line});
        EXPECT_FALSE(!nothing.scans.empty() || nothing.message) << line;
    }
    PreviewOpening opening = core.openPreview({2});
    ASSERT_EQ(opening.scans.size(), 1U);
    EXPECT_EQ(PreviewPlot(opening.scans).caption(), "b.raw - Scanmill");
    EXPECT_EQ(opening.scans[0].scan.title, "B");
    EXPECT_EQ(opening.scans[0].tube, Anode::Co);
    EXPECT_FALSE(opening.scans[0].changed);
    EXPECT_TRUE(opening.scans[0].notes().empty());

    opening = core.openPreview({0, 1, 2});
    ASSERT_EQ(opening.scans.size(), 2U);
    EXPECT_FALSE(opening.message);
    EXPECT_EQ(opening.scans[0].scan.title, "A");
    EXPECT_EQ(PreviewPlot(opening.scans).caption(), "2 scans - Scanmill");
    core.filesOpened(pathsIn(in, {"a.raw", "b.raw"}));
    for (int press = 0; press < 4; ++press) {
        core.convert(OutputFormat::TwoColumnAscii);
    }
    EXPECT_EQ(core.openPreview({1, 2, 3, 4, 5, 6, 7, 8}).scans.size(), 8U);
    opening = core.openPreview({1, 2, 3, 4, 5, 6, 7, 8, 9});
    EXPECT_TRUE(opening.scans.empty());
    EXPECT_EQ(opening.message, "9 scans are selected; a preview shows 8 at most.");

    RigakuFields longer;
    longer.title = "B again";
    longer.intensities.push_back(5);
    writeFile(platform::toPath(in / "b.raw"), rigakuBytes(longer));
    opening = core.openPreview({2});
    ASSERT_EQ(opening.scans.size(), 1U);
    EXPECT_EQ(opening.scans[0].scan.title, "B again");
    EXPECT_EQ(opening.scans[0].notes(), std::vector<std::string>{changedSinceConversionText});

    // In words, without error numbers.
    fs::resize_file(in.path() / "b.raw", 100);
    EXPECT_EQ(core.openPreview({2}).message,
              in / "b.raw" + ": file ends after 100 bytes, but its header needs 200 bytes");
    fs::remove(in.path() / "b.raw");
    fs::create_directory(in.path() / "b.raw");
    EXPECT_EQ(core.openPreview({2}).message, in / "b.raw" + ": is a directory, not a scan");

    // One message names every scan that cannot be read.
    fs::remove(in.path() / "a.raw");
    opening = core.openPreview({1, 2});
    EXPECT_TRUE(opening.scans.empty());
    EXPECT_EQ(opening.message, "The scan " + (in / "a.raw") +
                                   " has gone since it was converted.\n" + in / "b.raw" +
                                   ": is a directory, not a scan");
}

// SPDX-License-Identifier: MIT
#include "ascii_writer.h"
#include "bruker_writer.h"
#include "file_selection.h"
#include "names.h"
#include "parallel_batch.h"
#include "rigaku_reader.h"
#include "scan_files.h"

#include <cerrno>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>
#include <tuple>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace scanmill {
namespace {

using namespace testing;

namespace fs = std::filesystem;
constexpr auto ascii = OutputFormat::TwoColumnAscii;
constexpr auto bruker = OutputFormat::BrukerRaw;

TEST(OutputNames, FirstDotCounts) {
    EXPECT_EQ(outputNameFor("scan01.raw", ascii), "scan01.dat");
    EXPECT_EQ(outputNameFor("scan01.raw", bruker), "scan01_b.raw");
    EXPECT_EQ(outputNameFor("a.b.raw", ascii), "a.dat");
    EXPECT_EQ(outputNameFor("a.b.raw", bruker), "a_b.raw");
    EXPECT_EQ(outputNameFor("noext", ascii), "noext.dat");
    EXPECT_EQ(outputNameFor("noext", bruker), "noext_b.raw");
    EXPECT_EQ(outputNameFor("with blank.RAW", ascii), "with blank.dat");
    EXPECT_EQ(outputNameFor("a.b.raw", OutputFormat::Cif), "a.cif");
}

TEST(OutputNames, ScansEndInRawInAnyCase) {
    for (const char* scan : {"a.raw", "B.RAW", ".Raw"}) {
        EXPECT_TRUE(hasScanExtension(scan)) << scan;
    }
    for (const char* other : {"raw", "a.raw.dat", "a_raw", "a.rawx", ""}) {
        EXPECT_FALSE(hasScanExtension(other)) << other;
    }
}

TEST(OutputNames, KeepDotsCutsAtTheLastDot) {
    constexpr auto keep = NameRule::KeepDots;
    EXPECT_EQ(outputNameFor("Fe2O3_0.5mm.raw", ascii, keep), "Fe2O3_0.5mm.dat");
    EXPECT_EQ(outputNameFor("Fe2O3_0.5mm.raw", bruker, keep), "Fe2O3_0.5mm_b.raw");
    EXPECT_EQ(outputNameFor("sample 1.5h.raw", OutputFormat::Xye, keep), "sample 1.5h.xye");
    EXPECT_EQ(outputNameFor("sample 1.5h.raw", OutputFormat::Xye), "sample 1.xye");
    EXPECT_EQ(outputNameFor("noext", bruker, keep), "noext_b.raw");
}

// What a batch run to its end with every failure passed over makes of a
// list: per file, its status line or its failure.
std::vector<std::string> runToTheEnd(const std::vector<Conversion>& conversions,
                                     OutputFormat format, unsigned jobs) {
    std::vector<std::string> outcomes;
    ParallelBatch batch(conversions, format, jobs);
    for (const Conversion& conversion : conversions) {
        try {
            EXPECT_EQ(&conversions[batch.commitNext().index], &conversion);
            outcomes.push_back(statusLine(conversion.inputPath, formatNames(format).description,
                                          conversion.outputPath));
        } catch (const FileError& error) {
            outcomes.push_back(error.description());
        }
    }
    return outcomes;
}

TEST(ParallelBatch, OneJobAndFourJobsGiveTheSameFilesAndLines) {
    ScratchDirectory dir;
    std::vector<std::string> names;
    for (int i = 0; i < 24; ++i) {
        RigakuFields fields;
        fields.title = "scan " + std::to_string(i);
        fields.intensities.assign(static_cast<std::size_t>(i % 5 == 0 ? 20000 : 3 + i),
                                  static_cast<float>(i) + 0.25F);
        names.push_back("s" + std::to_string(i) + ".raw");
        writeFile(dir / names.back(), rigakuBytes(fields));
    }
    fs::resize_file(dir / "s7.raw", 150);            // damaged
    writeFile(dir / "s11.raw", formatBrukerRaw({})); // not a scan
    fs::remove(dir / "s13.raw");                     // missing

    for (const OutputFormat format : {ascii, bruker}) {
        std::vector<Conversion> conversions;
        for (const std::string& name : names) {
            conversions.push_back({dir / name, dir / ("out/" + outputNameFor(name, format))});
        }
        std::vector<std::vector<std::string>> outcomes;
        for (const unsigned jobs : {1u, 4u}) {
            fs::remove_all(dir / "out");
            fs::create_directory(dir / "out");
            outcomes.push_back(runToTheEnd(conversions, format, jobs));
            for (const Conversion& conversion : conversions) {
                if (fs::exists(conversion.outputPath)) {
                    const ScanRecord scan = readRigakuRaw(conversion.inputPath);
                    EXPECT_EQ(readFile(conversion.outputPath),
                              format == ascii ? formatTwoColumnAscii(scan) : formatBrukerRaw(scan));
                }
            }
            EXPECT_EQ(entriesOf(dir / "out").size(), names.size() - 3);
        }
        EXPECT_EQ(outcomes[0], outcomes[1]);
        EXPECT_NE(outcomes[0][11].find("(it is a Bruker RAW file)"), std::string::npos);
    }
}

// An input that an earlier file of the list writes is read only after that
// write, as one file after another would: here a scan that the text output
// of another replaces, a text that begins as a Bruker RAW file does.
TEST(ParallelBatch, InputWrittenByAnEarlierFileIsReadAfterIt) {
    ScratchDirectory dir;
    RigakuFields big;
    big.title = "RAW1.01";
    big.intensities.assign(30000, 5.0F);
    writeFile(dir / "a.raw", rigakuBytes(big));
    writeFile(dir / "b.raw", rigakuBytes({}));
    const std::vector<Conversion> conversions = {{dir / "a.raw", dir / "b.raw"},
                                                 {dir / "b.raw", dir / "b.dat"}};
    const auto outcomes = runToTheEnd(conversions, ascii, 4);
    EXPECT_NE(outcomes[1].find("(it is a Bruker RAW file)"), std::string::npos) << outcomes[1];
    EXPECT_FALSE(fs::exists(dir / "b.dat"));
}

// Found before anything is written: every clash and every output over
// another input, in list order, however the paths are spelled.
TEST(Overlap, ProblemsAreFoundByFileNotBySpelling) {
    ScratchDirectory dir;
    writeScans(dir, {"q.raw", "q_b.raw", "r.raw"});
    fs::create_directories(dir.path() / "out" / "x");
#ifdef _WIN32
    const std::string again = dir / "OUT/Q.dat"; // in other case, which Windows ignores
#else
    fs::create_directory_symlink(dir.path() / "out", dir.path() / "link");
    const std::string again = dir / "link/q.dat"; // through a link
#endif
    const std::vector<Conversion> conversions = {
        {dir / "q.raw", dir / "q_b.raw"},        // over the next input
        {dir / "q_b.raw", dir / "out/q.dat"},    //
        {dir / "r.raw", dir / "out/x/../q.dat"}, // the same file as the one before
        {dir / "r.v2.raw", again},               // and again
    };
    const auto problems = findOutputProblems(conversions);
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].kind, OutputProblem::Kind::ReplacesInput);
    EXPECT_EQ(problems[0].writer, 0u);
    EXPECT_EQ(problems[0].other, 1u);
    EXPECT_EQ(problems[0].error.description(),
              dir / "q_b.raw" + ": " + dir / "q.raw" + " would be written over this input");
    for (const std::size_t later : {std::size_t{1}, std::size_t{2}}) {
        EXPECT_EQ(problems[later].kind, OutputProblem::Kind::Clash);
        EXPECT_EQ(problems[later].writer, later + 1);
        EXPECT_EQ(problems[later].other, 1u);
        EXPECT_EQ(problems[later].error.number(), EEXIST);
    }
    EXPECT_EQ(problems[2].error.description(), again + ": " + dir / "q_b.raw" + " and " +
                                                   dir / "r.v2.raw" +
                                                   " would both be written to this file");
    EXPECT_EQ(findOutputProblems({conversions[1], conversions[0]}).size(), 1u)
        << "an output over an earlier input is refused too";
    EXPECT_TRUE(findOutputProblems({conversions[1]}).empty());

    // An earlier Bruker output among the inputs is no scan, and may be replaced.
    writeFile(dir / "q_b.raw", formatBrukerRaw(readRigakuRaw(dir / "q.raw")));
    EXPECT_TRUE(findOutputProblems({conversions[0], conversions[1]}).empty());
}

// The window: quartz.raw's Bruker output is the selected quartz_b.raw, a
// scan of the "a/b" series; then, not selected, it is still kept.
TEST(Overlap, BrukerOutputNeverReplacesAScan) {
    ScratchDirectory dir;
    writeScans(dir, {"quartz.raw", "quartz_b.raw"});
    const std::string scan = readFile(dir / "quartz_b.raw");
    FileSelection selection = selectionOf(dir.path(), {"quartz.raw", "quartz_b.raw"});
    StatusLog log;
    expectFileError([&] { convertSelection(selection, bruker, log); }, EEXIST,
                    dir / "quartz_b.raw" + ": quartz.raw would be written over this input");
    selection = selectionOf(dir.path(), {"quartz.raw"});
    expectFileError([&] { convertSelection(selection, bruker, log); }, EEXIST,
                    dir / "quartz_b.raw" + ": exists and is not a Bruker RAW file; kept");
    EXPECT_EQ(readFile(dir / "quartz_b.raw"), scan);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"quartz.raw", "quartz_b.raw"}));
    EXPECT_TRUE(log.lines().empty());

    // A Bruker RAW file there is an earlier output and is replaced.
    writeFile(dir / "quartz_b.raw", "RAW1.01 of an earlier run");
    convertSelection(selection, bruker, log);
    EXPECT_EQ(readFile(dir / "quartz_b.raw"), formatBrukerRaw(readRigakuRaw(dir / "quartz.raw")));
}

// Where a directory ignores case (FAT on a USB stick; simulated here), names
// that differ only in case are one file, though a driver may give each
// spelling an identity of its own: X.raw's output is the scan x.dat (whose
// own output it is too), and Quartz.raw and quartz.v2.raw meet.
TEST(Overlap, NamesAreCaseFoldedWhereTheDirectoryIgnoresCase) {
    ScratchDirectory dir;
    writeScans(dir, {"X.raw", "x.dat", "Quartz.raw", "quartz.v2.raw"});
    const std::vector<Conversion> conversions = {{dir / "X.raw", dir / "X.dat"},
                                                 {dir / "x.dat", dir / "x.dat"},
                                                 {dir / "Quartz.raw", dir / "Quartz.dat"},
                                                 {dir / "quartz.v2.raw", dir / "quartz.dat"}};
    std::vector<ConversionFiles> files;
    for (const Conversion& conversion : conversions) {
        files.push_back({platform::fileIdentity(conversion.inputPath),
                         platform::fileIdentity(conversion.outputPath)});
    }
    const auto problems =
        findOutputProblems(conversions, files, [](const std::string&) { return true; });
    std::vector<std::tuple<OutputProblem::Kind, std::size_t, std::size_t>> found;
    for (const OutputProblem& problem : problems) {
        found.emplace_back(problem.kind, problem.writer, problem.other);
    }
    using enum OutputProblem::Kind;
    EXPECT_EQ(found, (std::vector<std::tuple<OutputProblem::Kind, std::size_t, std::size_t>>{
                         {ReplacesInput, 0, 1}, {Clash, 1, 0}, {Clash, 3, 2}}));
    // As the system compares names, which the real probe tells: no problem
    // where they keep their case.
    EXPECT_EQ(platform::ignoresCase(dir.withSeparator()),
              fs::exists(platform::toPath(dir / "x.RAW")));
    EXPECT_EQ(findOutputProblems(conversions, files).size(),
              platform::ignoresCase(dir.withSeparator()) ? problems.size() : 0u);
}

// The last safety net, for what paths cannot tell (a file system that
// ignores case, a directory mounted twice): the batch never replaces a file
// it wrote itself.
// However its path is spelled. And where the caller saw no output, what has
// come to be there by the rename is met as any output is: a directory is
// kept, an earlier output is replaced and keeps its permissions.
TEST(Overlap, BatchNeverReplacesAFileItWrote) {
    for (const bool seenMissing : {false, true}) {
        SCOPED_TRACE(seenMissing ? "outputs seen missing" : "outputs not looked at");
        ScratchDirectory dir;
        writeScans(dir, {"a.raw", "b.raw", "c.raw", "d.raw"});
        fs::create_directories(dir.path() / "out" / "x");
        fs::create_directories(dir.path() / "out" / "c.dat");
        writeFile(dir / "out/d.dat", "earlier");
        fs::permissions(dir / "out/d.dat", fs::perms::owner_read | fs::perms::owner_write);
        std::vector<Conversion> conversions = {{dir / "a.raw", dir / "out/a.dat"},
                                               {dir / "b.raw", dir / "out/x/../a.dat"},
                                               {dir / "c.raw", dir / "out/c.dat"},
                                               {dir / "d.raw", dir / "out/d.dat"}};
        for (Conversion& conversion : conversions) {
            conversion.outputMissing = seenMissing;
        }
        const auto outcomes = runToTheEnd(conversions, ascii, 2);
        EXPECT_EQ(outcomes[1], dir / "out/x/../a.dat" + ": " + dir / "a.raw" + " and " +
                                   dir / "b.raw" + " would both be written to this file");
        EXPECT_EQ(outcomes[2], dir / "out/c.dat" + ": exists and is not a regular file; kept");
        EXPECT_EQ(readFile(dir / "out/a.dat"), formatTwoColumnAscii(readRigakuRaw(dir / "a.raw")));
        EXPECT_EQ(readFile(dir / "out/d.dat"), formatTwoColumnAscii(readRigakuRaw(dir / "d.raw")));
#ifndef _WIN32
        EXPECT_EQ(fs::status(dir / "out/d.dat").permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
#endif
        EXPECT_EQ(entriesOf(dir.path() / "out"),
                  (std::vector<std::string>{"a.dat", "c.dat", "d.dat", "x"}));
    }
}

// The first file is a pipe that delivers a damaged scan only after the
// second file, a pipe too, has been read whole and had time to be formatted.
// A caller that stops at the first failure leaves no later file written.
TEST(ParallelBatch, StoppingAtAFailureWritesNoLaterFileThoughItWasReadyFirst) {
#ifdef _WIN32
    GTEST_SKIP() << "needs named pipes that a file open waits on, which Windows lacks";
#else
    ScratchDirectory dir;
    const std::string first = dir / "first.raw";
    const std::string second = dir / "second.raw";
    ASSERT_EQ(mkfifo(first.c_str(), 0600), 0);
    ASSERT_EQ(mkfifo(second.c_str(), 0600), 0);
    writeFile(dir / "third.raw", rigakuBytes({}));
    const std::vector<Conversion> conversions = {{first, dir / "first.dat"},
                                                 {second, dir / "second.dat"},
                                                 {dir / "third.raw", dir / "third.dat"}};
    auto feed = [](const std::string& path, const std::string& bytes) {
        const int fd = open(path.c_str(), O_WRONLY); // waits for the batch to open it
        ASSERT_GE(fd, 0);
        EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        close(fd);
    };
    std::thread feeder([&] {
        feed(second, rigakuBytes({}));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        feed(first, rigakuBytes({}).substr(0, 150));
    });
    {
        ParallelBatch batch(conversions, ascii, 2);
        expectFileError([&] { batch.commitNext(); }, ENODATA, first);
    }
    feeder.join();
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"first.raw", "second.raw", "third.raw"}));
#endif
}

// A scan saved again while its conversion waits to be put in place, beside
// it and renamed over it or written in place, fails and leaves no output, so
// that the next run converts it as it is then. The first file, a pipe, holds
// the batch up until the second is formatted and changed.
TEST(ParallelBatch, InputChangedBeforeItsOutputIsPutInPlaceIsNotConverted) {
#ifdef _WIN32
    GTEST_SKIP() << "needs named pipes that a file open waits on, which Windows lacks";
#else
    ScratchDirectory dir;
    const std::string first = dir / "first.raw";
    ASSERT_EQ(mkfifo(first.c_str(), 0600), 0);
    fs::create_directory(dir.path() / "out");
    const std::vector<Conversion> conversions = {{first, dir / "out/first.dat"},
                                                 {dir / "b.raw", dir / "out/b.dat"}};
    RigakuFields finished;
    finished.intensities = {1.0F, 2.0F, 3.0F, 4.0F};
    RigakuFields sameSize;
    sameSize.title = "rewritten in place, its size kept";
    const std::vector<std::function<void()>> saves = {
        [&] {
            writeFile(dir / "b.new", rigakuBytes(finished));
            fs::rename(dir / "b.new", dir / "b.raw");
        },
        [&] { writeFile(dir / "b.raw", rigakuBytes(finished)); },
        [&] { writeFile(dir / "b.raw", rigakuBytes(sameSize)); },
        // Its time held still, as a clock of whole seconds or two would.
        [&] {
            const auto time = fs::last_write_time(dir / "b.raw");
            writeFile(dir / "b.raw", rigakuBytes(finished));
            fs::last_write_time(dir / "b.raw", time);
        },
    };
    for (const auto& save : saves) {
        writeFile(dir / "b.raw", rigakuBytes({}));
        std::thread instrument([&] {
            const int fd = open(first.c_str(), O_WRONLY); // waits for the batch to open it
            for (int wait = 0; wait < 1000 && entriesOf(dir.path() / "out").empty(); ++wait) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            save();
            const std::string bytes = rigakuBytes({});
            EXPECT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
            close(fd);
        });
        {
            ParallelBatch batch(conversions, ascii, 2);
            batch.commitNext();
            expectFileError([&] { batch.commitNext(); }, EAGAIN,
                            dir / "b.raw" +
                                ": changed while it was being converted; not converted");
        }
        instrument.join();
        EXPECT_EQ(entriesOf(dir.path() / "out"), std::vector<std::string>{"first.dat"});
        fs::remove(dir / "out/first.dat");
    }
#endif
}

// Where file times have steps of a second or two, a same-size rewrite within
// one step keeps its time: a scan dated less than two seconds before its read
// ended, or in the future, is read again once two seconds have passed, and
// converted only when both reads agree. The batch's wait is replaced here by
// one that rewrites the scan with its time held still, as a coarse clock
// would hold it.
TEST(ParallelBatchSettling, RecentScansAreReadAgainAndRefusedWhenChanged) {
    ScratchDirectory dir;
    const std::vector<Conversion> conversions = {{dir / "a.raw", dir / "a.dat"}};
    const std::int64_t second = platform::fileTimeTicksPerSecond;
    const auto dated = [&](fs::file_time_type time) {
        writeFile(dir / "a.raw", rigakuBytes({}));
        fs::last_write_time(dir.path() / "a.raw", time);
        fs::remove(dir / "a.dat");
    };
    const auto now = fs::file_time_type::clock::now;
    for (const unsigned jobs : {1u, 2u}) {
        SCOPED_TRACE(jobs);
        std::vector<std::int64_t> waits;
        const auto rewriting = [&](std::int64_t until) {
            waits.push_back(until - platform::fileTimeNow());
            const auto heldStill = fs::last_write_time(dir.path() / "a.raw");
            RigakuFields torn;
            torn.intensities[1] = 0.0F;
            writeFile(dir / "a.raw", rigakuBytes(torn));
            fs::last_write_time(dir.path() / "a.raw", heldStill);
        };
        dated(now());
        {
            ParallelBatch batch(conversions, engineWriter(ascii), jobs, {}, rewriting);
            expectFileError([&] { batch.commitNext(); }, EAGAIN,
                            dir / "a.raw: changed while it was being converted; not converted");
        }
        EXPECT_FALSE(fs::exists(dir / "a.dat"));
        ASSERT_EQ(waits.size(), 1u);
        EXPECT_GT(waits[0], second) << "two seconds after its time";
        EXPECT_LE(waits[0], 2 * second);

        const auto unchanged = [&](std::int64_t until) {
            waits.push_back(until - platform::fileTimeNow());
        };
        // A share whose clock runs an hour ahead: two seconds, not an hour.
        for (const bool future : {true, false}) {
            waits.clear();
            dated(future ? now() + std::chrono::hours(1) : now() - std::chrono::minutes(1));
            ParallelBatch(conversions, engineWriter(ascii), jobs, {}, unchanged).commitNext();
            EXPECT_EQ(readFile(dir / "a.dat"), formatTwoColumnAscii(readRigakuRaw(dir / "a.raw")));
            ASSERT_EQ(waits.size(), future ? 1u : 0u) << "a scan a minute old is read once";
            EXPECT_LE(future ? waits.front() : 0, 2 * second);
        }
    }
}

} // namespace
} // namespace scanmill

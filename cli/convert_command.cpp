// SPDX-License-Identifier: MIT
#include "convert_command.h"

#include "escape.h"
#include "interrupt.h"
#include "names.h"
#include "parallel_batch.h"
#include "platform.h"
#include "rigaku_reader.h"
#include "run_inputs.h"
#include "terminal.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <thread>

namespace scanmill::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char programName[] = "scanmill-convert";

// What became of the files of a run, for its closing summary.
struct Tally {
    std::size_t converted = 0;
    std::size_t failed = 0;
    std::size_t skipped = 0;
    std::size_t upToDate = 0;
};

// Everything a run writes: status lines on out; failures, notes and the
// summary on err, where, when it is a terminal, a progress line is kept that
// every other line clears first. Control characters of every line are
// escaped, since names may hold them.
class Report {
public:
    Report(std::FILE* out, std::FILE* err, const ConvertCommand& command)
        : out_(out), err_(err), quiet_(command.quiet), verbose_(command.verbose),
          showProgress_(isTerminal(err)) {}
    ~Report() { clearProgress(); }
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    void converted(const std::string& line) {
        if (quiet_) {
            return;
        }
        clearProgress();
        const std::string shown = escapeControls(line);
        errno = 0;
        std::fwrite(shown.data(), 1, shown.size(), out_);
        std::fputc('\n', out_);
        outputClosed_ = outputClosed_ || (std::ferror(out_) && errno == EPIPE);
    }
    // True once standard output is a pipe that no one reads any more.
    bool outputClosed() const { return outputClosed_; }
    void failed(const FileError& error) { message(error.description()); }
    // A Bruker file met in a directory, usually an earlier output: counted,
    // and named only when asked for.
    void passedOver(const FileError& error) {
        if (verbose_) {
            message(error.description() + ", skipped");
        }
    }
    void note(const std::string& text) { message(text); }

    // Redraws the progress line, at most ten times a second and only once the
    // run has taken longer than a moment.
    void progress(std::size_t done, std::size_t total) {
        const auto now = Clock::now();
        if (!showProgress_ || now - start_ < std::chrono::milliseconds(500) ||
            now - drawn_ < std::chrono::milliseconds(100)) {
            return;
        }
        drawn_ = now;
        const double seconds = std::chrono::duration<double>(now - start_).count();
        char line[96];
        const int length =
            std::snprintf(line, sizeof line, "%s: %zu of %zu files, %.0f files/s", programName,
                          done, total, static_cast<double>(done) / seconds);
        std::fflush(out_);
        std::fprintf(err_, "\r%s%*s", line, std::max(0, width_ - length), "");
        std::fflush(err_);
        width_ = std::max(width_, length);
        setProgressWidth(width_);
    }

    // The summary, unless quiet; false, after saying so, when the status lines
    // could not all be written.
    bool finish(const Tally& tally, bool dryRun) {
        clearProgress();
        errno = 0;
        if (std::fflush(out_) != 0 || std::ferror(out_)) {
            const int number = outputClosed_ ? EPIPE : lastErrorNumber();
            outputClosed_ = number == EPIPE;
            message(describeError("standard output", number));
            return false;
        }
        if (!quiet_) {
            std::fprintf(err_, "%zu %s, %zu failed, %zu skipped, %zu up to date\n", tally.converted,
                         dryRun ? "would be converted" : "converted", tally.failed, tally.skipped,
                         tally.upToDate);
        }
        return true;
    }

private:
    void message(const std::string& text) {
        clearProgress();
        std::fflush(out_); // keeps the order where both streams go to one file
        std::fprintf(err_, "%s: %s\n", programName, escapeControls(text).c_str());
    }
    void clearProgress() {
        if (width_ > 0) {
            std::fprintf(err_, "\r%*s\r", width_, "");
            width_ = 0;
            setProgressWidth(0);
        }
    }

    std::FILE* out_;
    std::FILE* err_;
    bool quiet_;
    bool verbose_;
    bool showProgress_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point drawn_;
    int width_ = 0; // of the progress line on the terminal, 0 when none is shown
    bool outputClosed_ = false;
};

// The output directory and the subdirectories mirrored below it, made before
// the files are written into them. Those the run made and left empty (every
// file for them failed) are removed again at the end, so that a directory is
// only left where a file was written.
class OutputDirectories {
public:
    OutputDirectories() = default;
    ~OutputDirectories() {
        // Longer paths first: a directory before the ones it lies in.
        std::sort(made_.begin(), made_.end(), [](const fs::path& a, const fs::path& b) {
            return a.native().size() > b.native().size();
        });
        for (const fs::path& directory : made_) {
            std::error_code ignored;
            if (fs::is_directory(fs::symlink_status(directory, ignored))) {
                fs::remove(directory, ignored); // only while empty
            }
        }
    }
    OutputDirectories(const OutputDirectories&) = delete;
    OutputDirectories& operator=(const OutputDirectories&) = delete;

    // Returns false after reporting each directory that could not be made.
    bool make(const std::vector<Conversion>& conversions, Report& report, bool failFast) {
        std::set<fs::path> directories;
        for (const Conversion& conversion : conversions) {
            directories.insert(platform::toPath(conversion.outputPath).parent_path());
        }
        bool allMade = true;
        for (const fs::path& directory : directories) {
            for (fs::path missing = directory;; missing = missing.parent_path()) {
                std::error_code unknown;
                if (fs::exists(missing, unknown) || unknown || missing == missing.parent_path()) {
                    break;
                }
                made_.push_back(missing);
            }
            std::error_code error;
            fs::create_directories(directory, error);
            if (error) {
                report.failed(systemError(platform::fromPath(directory),
                                          error.default_error_condition().value()));
                allMade = false;
                if (failFast) {
                    break;
                }
            }
        }
        return allMade;
    }

private:
    std::vector<fs::path> made_;
};

struct FileStatuses {
    std::optional<platform::FileStatus> input;
    std::optional<platform::FileStatus> output;
};

// Each conversion's two files as the system has them, looked up on up to
// `jobs` threads: over an archive already converted, as -u runs nightly,
// these look-ups are nearly all the work.
std::vector<FileStatuses> lookUpFiles(const std::vector<Conversion>& conversions, unsigned jobs) {
    std::vector<FileStatuses> statuses(conversions.size());
    const auto lookUp = [&](std::size_t begin, std::size_t end) {
        for (std::size_t index = begin; index < end; ++index) {
            statuses[index] = {platform::fileStatus(conversions[index].inputPath),
                               platform::fileStatus(conversions[index].outputPath)};
        }
    };
    constexpr std::size_t filesPerThread = 1000; // fewer are not worth a thread
    const std::size_t threads =
        std::clamp<std::size_t>(conversions.size() / filesPerThread, 1, jobs);
    const auto chunkStart = [&](std::size_t chunk) { return conversions.size() * chunk / threads; };
    std::vector<std::jthread> workers;
    std::size_t chunk = 1;
    try {
        for (; chunk < threads; ++chunk) {
            workers.emplace_back(lookUp, chunkStart(chunk), chunkStart(chunk + 1));
        }
    } catch (const std::system_error&) {
        lookUp(chunkStart(chunk), conversions.size()); // no more threads: the rest here
    }
    lookUp(0, chunkStart(1));
    workers.clear(); // joined before the statuses are handed on
    return statuses;
}

std::string fileNameOf(const std::string& path) {
    return platform::fromPath(platform::toPath(path).filename());
}

// The failure for a problem the run finds before writing, with a pointer to
// --keep-dots where cutting the names at their last dot keeps them apart.
FileError problemError(const OutputProblem& problem, const std::vector<Conversion>& conversions,
                       const ConvertCommand& command) {
    if (problem.kind != OutputProblem::Kind::Clash || command.keepDots) {
        return problem.error;
    }
    const auto keptName = [&](std::size_t index) {
        return outputNameFor(fileNameOf(conversions[index].inputPath), command.format,
                             NameRule::KeepDots);
    };
    if (keptName(problem.writer) == keptName(problem.other)) {
        return problem.error;
    }
    return FileError(problem.error.number(),
                     problem.error.description() + " (--keep-dots keeps their names apart)");
}

} // namespace

int runConvertCommand(const ConvertCommand& command, std::FILE* out, std::FILE* err) {
    const RunInputs inputs =
        findRunInputs(command.paths, command.outputDirectory, command.recursive, command.format,
                      command.keepDots ? NameRule::KeepDots : NameRule::FirstDot);
    const std::vector<Conversion>& found = inputs.conversions;
    Report report(out, err, command);
    Tally tally;
    bool anyFailed = false;
    const auto finish = [&] {
        const bool reported = report.finish(tally, command.dryRun);
        return anyFailed || tally.failed > 0 || !reported ? exitFailed : exitConverted;
    };

    for (const std::string& note : inputs.notes) {
        report.note(note);
    }
    // Everything that keeps files from being written, found and reported
    // before anything is.
    for (const FileError& failure : inputs.failures) {
        report.failed(failure);
        ++tally.failed;
    }
    // One look-up of each file serves the check and -u, which keeps a file
    // whose output exists and is not older than it, as cp -u judges.
    const std::vector<FileStatuses> statuses =
        lookUpFiles(found, command.jobs == 0 ? defaultJobs() : command.jobs);
    std::vector<ConversionFiles> files;
    std::vector<bool> upToDate;
    files.reserve(found.size());
    upToDate.reserve(found.size());
    for (const auto& [input, output] : statuses) {
        files.push_back({input ? std::optional(input->identity) : std::nullopt,
                         output ? std::optional(output->identity) : std::nullopt});
        upToDate.push_back(command.update && input && output &&
                           input->modified <= output->modified);
    }
    std::vector<bool> refused(found.size());
    for (const OutputProblem& problem : findOutputProblems(found, files)) {
        report.failed(problemError(problem, found, command));
        refused[problem.writer] = true;
        if (problem.kind == OutputProblem::Kind::Clash) {
            refused[problem.other] = true;
        }
    }
    tally.failed += static_cast<std::size_t>(std::count(refused.begin(), refused.end(), true));
    if (command.failFast && tally.failed > 0) {
        return finish();
    }

    std::vector<Conversion> conversions;
    std::vector<bool> foundInDirectory;
    for (std::size_t index = 0; index < found.size(); ++index) {
        if (refused[index]) {
            continue;
        }
        if (upToDate[index]) {
            ++tally.upToDate;
            continue;
        }
        conversions.push_back(found[index]);
        foundInDirectory.push_back(inputs.foundInDirectory[index]);
    }

    if (command.dryRun) {
        const std::string words =
            "     would be converted to " + formatDescription(command.format) + "     ";
        for (const Conversion& conversion : conversions) {
            report.converted(conversion.inputPath + words + conversion.outputPath);
        }
        tally.converted = conversions.size();
        return finish();
    }

    OutputDirectories directories;
    if (!command.outputDirectory.empty() &&
        !directories.make(conversions, report, command.failFast)) {
        anyFailed = true;
        if (command.failFast) {
            return finish();
        }
    }

    ParallelBatch batch(conversions, command.format,
                        command.jobs == 0 ? defaultJobs() : command.jobs);
    for (std::size_t index = 0; index < conversions.size(); ++index) {
        const Conversion& conversion = conversions[index];
        try {
            batch.commitNext();
            report.converted(
                statusLine(conversion.inputPath, command.format, conversion.outputPath));
            ++tally.converted;
            if (report.outputClosed()) {
                break; // as an interrupt: the temporaries made ahead go with the batch
            }
        } catch (const FileError& error) {
            if (foundInDirectory[index] && dynamic_cast<const NotAScanError*>(&error) != nullptr) {
                report.passedOver(error);
                ++tally.skipped;
            } else {
                report.failed(error);
                ++tally.failed;
                if (command.failFast) {
                    break;
                }
            }
        }
        report.progress(index + 1, conversions.size());
    }
    const int status = finish();
    return report.outputClosed() ? exitOutputClosed : status;
}

} // namespace scanmill::cli

// SPDX-License-Identifier: MIT
#include "convert_command.h"

#include "batch.h"
#include "escape.h"
#include "interrupt.h"
#include "parallel_batch.h"
#include "platform.h"
#include "rigaku_reader.h"
#include "run_inputs.h"
#include "terminal.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>

namespace scanmill::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char programName[] = "scanmill-convert";

// Everything a run writes: status lines on out; failures and notes on err,
// where, when it is a terminal, a progress line is kept that every other
// line clears first. Control characters of every line are escaped, since
// names may hold them.
class Report {
public:
    Report(std::FILE* out, std::FILE* err, bool quiet, std::size_t total)
        : out_(out), err_(err), quiet_(quiet), showProgress_(isTerminal(err)), total_(total) {}
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
    void passedOver(const FileError& error) { message(error.description() + ", skipped"); }
    void note(const std::string& text) { message(text); }

    // Redraws the progress line, at most ten times a second and only once the
    // run has taken longer than a moment.
    void progress(std::size_t done) {
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
                          done, total_, static_cast<double>(done) / seconds);
        std::fflush(out_);
        std::fprintf(err_, "\r%s%*s", line, std::max(0, width_ - length), "");
        std::fflush(err_);
        width_ = std::max(width_, length);
        setProgressWidth(width_);
    }

    // False, after saying so, when the status lines could not all be written.
    bool finish() {
        clearProgress();
        errno = 0;
        if (std::fflush(out_) != 0 || std::ferror(out_)) {
            const int number = outputClosed_ ? EPIPE : lastErrorNumber();
            outputClosed_ = number == EPIPE;
            message(describeError("standard output", number));
            return false;
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
    bool showProgress_;
    std::size_t total_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point drawn_;
    int width_ = 0; // of the progress line on the terminal, 0 when none is shown
    bool outputClosed_ = false;
};

// The output directory and the subdirectories mirrored below it. Returns
// false after reporting each one that could not be made.
bool makeOutputDirectories(const std::string& outputDirectory,
                           const std::vector<Conversion>& conversions, Report& report,
                           bool failFast) {
    std::set<fs::path> directories{platform::toPath(outputDirectory)};
    for (const Conversion& conversion : conversions) {
        directories.insert(platform::toPath(conversion.outputPath).parent_path());
    }
    bool allMade = true;
    for (const fs::path& directory : directories) {
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

} // namespace

int runConvertCommand(const ConvertCommand& command, std::FILE* out, std::FILE* err) {
    const RunInputs inputs =
        findRunInputs(command.paths, command.outputDirectory, command.recursive, command.format);
    const std::vector<Conversion>& conversions = inputs.conversions;
    Report report(out, err, command.quiet, conversions.size());

    for (const std::string& note : inputs.notes) {
        report.note(note);
    }
    bool anyFailed = !inputs.failures.empty();
    for (const FileError& failure : inputs.failures) {
        report.failed(failure);
        if (command.failFast) {
            return exitFailed;
        }
    }
    if (const auto problems = findOutputProblems(conversions); !problems.empty()) {
        for (const OutputProblem& problem : problems) {
            report.failed(problem.error);
        }
        return exitFailed;
    }
    if (!command.outputDirectory.empty() &&
        !makeOutputDirectories(command.outputDirectory, conversions, report, command.failFast)) {
        anyFailed = true;
        if (command.failFast) {
            return exitFailed;
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
            if (report.outputClosed()) {
                break; // as an interrupt: the temporaries made ahead go with the batch
            }
        } catch (const FileError& error) {
            if (inputs.foundInDirectory[index] &&
                dynamic_cast<const NotAScanError*>(&error) != nullptr) {
                report.passedOver(error);
            } else {
                report.failed(error);
                anyFailed = true;
                if (command.failFast) {
                    break;
                }
            }
        }
        report.progress(index + 1);
    }
    if (!report.finish()) {
        anyFailed = true;
    }
    if (report.outputClosed()) {
        return exitOutputClosed;
    }
    return anyFailed ? exitFailed : exitConverted;
}

} // namespace scanmill::cli

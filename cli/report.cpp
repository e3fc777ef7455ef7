// SPDX-License-Identifier: MIT
#include "report.h"

#include "interrupt.h"
#include "names.h"
#include "program.h"
#include "shown_text.h"
#include "terminal.h"

#include <algorithm>
#include <cerrno>

namespace scanmill::cli {

Report::Report(std::FILE* out, std::FILE* err, bool quiet, bool verbose)
    : out_(out), err_(err), quiet_(quiet), verbose_(verbose), showProgress_(isTerminal(err)) {}

Report::~Report() {
    clearProgress();
}

void Report::converted(const std::string& line) {
    if (quiet_) {
        return;
    }
    clearProgress();
    const std::string shown = escapeControls(line);
    errno = 0;
    writeText(out_, shown + "\n");
    outputClosed_ = outputClosed_ || (std::ferror(out_) && errno == EPIPE);
}

void Report::failed(const FileError& error) {
    message(error.description());
}

void Report::passedOver(const std::string& path, std::string_view why) {
    if (verbose_) {
        message(path + ": " + std::string(why));
    }
}

void Report::note(const std::string& text) {
    message(text);
}

void Report::progress(std::size_t done, std::size_t total) {
    const auto now = Clock::now();
    if (!showProgress_ || now - start_ < std::chrono::milliseconds(500) ||
        now - drawn_ < std::chrono::milliseconds(100)) {
        return;
    }
    drawn_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    char line[96];
    const int length = std::snprintf(line, sizeof line, "%s: %zu of %zu files, %.0f files/s",
                                     programName, done, total, static_cast<double>(done) / seconds);
    std::fflush(out_);
    std::fprintf(err_, "\r%s%*s", line, std::max(0, width_ - length), "");
    std::fflush(err_);
    width_ = std::max(width_, length);
    setProgressWidth(width_);
}

bool Report::finish(const Tally& tally, bool dryRun) {
    clearProgress();
    errno = 0;
    if (std::fflush(out_) != 0 || std::ferror(out_)) {
        const int number = outputClosed_ ? EPIPE : lastErrorNumber();
        outputClosed_ = number == EPIPE;
        message(describeError("standard output", number));
        return false;
    }
    if (!quiet_) {
        std::fprintf(err_, "%s\n", summaryText(tally, dryRun).c_str());
    }
    return true;
}

std::string summaryText(const Tally& tally, bool dryRun) {
    return std::to_string(tally.converted) + (dryRun ? " would be converted, " : " converted, ") +
           std::to_string(tally.failed) + " failed, " + std::to_string(tally.skipped) +
           " skipped, " + std::to_string(tally.upToDate) + " up to date";
}

void Report::message(const std::string& text) {
    clearProgress();
    std::fflush(out_); // keeps the order where both streams go to one file
    writeText(err_, std::string(programName) + ": " + escapeControls(text) + "\n");
}

void Report::clearProgress() {
    if (width_ > 0) {
        std::fprintf(err_, "\r%*s\r", width_, "");
        width_ = 0;
        setProgressWidth(0);
    }
}

} // namespace scanmill::cli

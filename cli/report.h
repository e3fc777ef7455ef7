// SPDX-License-Identifier: MIT
#pragma once

#include "file_error.h"

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace scanmill::cli {

// What became of the files of a run, for its closing summary.
struct Tally {
    std::size_t converted = 0;
    std::size_t failed = 0;
    std::size_t skipped = 0;
    std::size_t upToDate = 0;
};

// "2926 converted, 7 failed, 2 skipped, 0 up to date", or "would be
// converted" for a dry run.
std::string summaryText(const Tally& tally, bool dryRun);

// Everything a run writes: status lines on out; failures, notes and the
// summary on err, where, when it is a terminal, a progress line is kept that
// every other line clears first. Control characters of every line are
// escaped, since names may hold them.
class Report {
public:
    Report(std::FILE* out, std::FILE* err, bool quiet, bool verbose);
    ~Report();
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    void converted(const std::string& line);
    // True once standard output is a pipe that no one reads any more.
    bool outputClosed() const { return outputClosed_; }
    void failed(const FileError& error);
    // A file passed over, and why: a Bruker file, usually an earlier
    // output, or a wildcard's match that is no scan. Counted, and named
    // only when asked for.
    void passedOver(const std::string& path, std::string_view why);
    void note(const std::string& text);

    // Redraws the progress line, at most ten times a second and only once the
    // run has taken longer than a moment.
    void progress(std::size_t done, std::size_t total);

    // The summary, unless quiet; false, after saying so, when the status lines
    // could not all be written.
    bool finish(const Tally& tally, bool dryRun);

private:
    using Clock = std::chrono::steady_clock;

    void message(const std::string& text);
    void clearProgress();

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

} // namespace scanmill::cli

// SPDX-License-Identifier: MIT
#pragma once

#include "anode.h"
#include "file_error.h"
#include "overlap_check.h"
#include "scan_record.h"

#include <cstddef>
#include <string>
#include <vector>

namespace scanmill::cli {

// One scan on the index page: its card, made where the scan was read, so
// that the cards of a run are made on all its threads.
struct IndexCard {
    std::string input;  // the path as the run names it
    std::string folder; // the input's directory, its section on the page
    std::string markup; // one <div>
};

// The page of a run, index.html in its output directory: the run's summary,
// then one section per folder of inputs, in path order, holding a card per
// scan, a failure's reason in red. Self-contained (no script, no network)
// and linked relative to its directory, so that it works from a stick or a
// share. Every name and title is shown as the plot shows it and escaped
// for HTML.
class ArchiveIndex {
public:
    ArchiveIndex(std::string outputDirectory, Anode anode);

    // The card of a scan read for its output, linking the output; safe to
    // call on several threads at once.
    IndexCard cardOf(const ScanRecord& scan, const Conversion& conversion) const;
    // Kept as a copy made on the caller's thread: a card kept where a
    // worker made it would grow that thread's heap a page at a time, a
    // system call each.
    void add(const IndexCard& card);
    // A scan of the run that was not converted, and why.
    void addFailed(const std::string& input, const FileError& why);
    // A failure that names no scan of the run, such as a path that is missing.
    void addFailure(const FileError& failure);

    std::string page(const std::string& summary) const;
    // Writes the page as every output is written, making its directory
    // where missing; throws FileError.
    void write(const std::string& summary) const;

    // Where the page goes.
    std::string path() const;

private:
    std::string outputDirectory_;
    Anode anode_;
    std::vector<IndexCard> cards_;
    std::vector<std::string> otherFailures_;
};

} // namespace scanmill::cli

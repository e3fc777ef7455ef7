// SPDX-License-Identifier: MIT
#pragma once

#include "anode.h"
#include "file_error.h"
#include "scan_record.h"

#include <cstddef>
#include <string>
#include <vector>

namespace scanmill::cli {

// One scan on the index page: what its plot's header says of it, its
// thumbnail, and the output the run wrote or found for it, or why there is
// none.
struct IndexCard {
    std::string input;                    // the path as the run names it
    std::vector<std::string> headerLines; // shown as the plot shows them
    std::string thumbnail;                // SVG path data, 200 x 100
    std::size_t nonFinitePoints = 0;
    std::string output;  // empty when it failed
    std::string failure; // why not, when it failed
};

// What the index shows of a scan read for its output.
IndexCard indexCardOf(const ScanRecord& scan, const std::string& inputPath);

// The page of a run, index.html in its output directory: the run's summary,
// then one section per folder of inputs, in path order, holding a card per
// scan, a failure's reason in red. Self-contained (no script, no network)
// and linked relative to its directory, so that it works from a stick or a
// share. Every name and title is shown as the plot shows it and escaped
// for HTML.
class ArchiveIndex {
public:
    ArchiveIndex(std::string outputDirectory, Anode anode);

    void add(IndexCard card);
    // A scan of the run that was not converted, and why.
    void addFailed(const std::string& input, const FileError& why);
    // A failure that names no scan of the run, such as a path that is missing.
    void addFailure(const FileError& failure);

    std::string page(const std::string& summary) const;
    // Writes the page as every output is written; throws FileError.
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

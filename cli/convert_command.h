// SPDX-License-Identifier: MIT
#pragma once

#include "anode.h"
#include "output_writer.h"

#include <cstdio>
#include <string>
#include <vector>

namespace scanmill::cli {

// What the command line asked for.
struct ConvertCommand {
    // What each output is, with the tube whose wavelengths Bruker, .xye and
    // .cif files record.
    OutputWriter writer = engineWriter(OutputFormat::TwoColumnAscii);
    Anode anode = Anode::Cu;
    bool index = false;          // index.html in outputDirectory, a page of the run's scans
    std::string outputDirectory; // empty: each output beside its input
    bool recursive = false;
    unsigned jobs = 0;    // 0: one per core
    bool quiet = false;   // no status lines, no summary
    bool verbose = false; // the files skipped are named too
    bool failFast = false;
    bool keepDots = false; // output names cut at the last dot, not the first
    bool update = false;   // only outputs missing or older than their input
    bool dryRun = false;   // say what would be converted; write and read nothing
    bool sync = false;     // each output on its disk before it is reported
    std::vector<std::string> paths;
    // Matched by a wildcard, yet no scan: counted as skipped.
    std::vector<std::string> leftOut;
};

// Runs the command: status lines on out; failures, notes and the closing
// summary on err, where a progress line is kept too when err is a terminal.
// Returns exitConverted (program.h) when every file converted (or, in a dry run, would
// be), else exitFailed.
int runConvertCommand(const ConvertCommand& command, std::FILE* out, std::FILE* err);

} // namespace scanmill::cli

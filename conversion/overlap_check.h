// SPDX-License-Identifier: MIT
#pragma once

#include "file_error.h"
#include "platform.h"

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

// Before a run writes anything: which of its files would meet on one output
// file, or write over another's input.
namespace scanmill {

// Whether names in a directory are compared ignoring case: the system's
// answer, or a test's.
using CaseProbe = bool (*)(const std::string& directory);

// One file of a run: the scan read and the file written.
struct Conversion {
    std::string inputPath;
    std::string outputPath;
    // Nothing was at outputPath when the caller looked, before the run: the
    // batch then writes the output as a new file, and looks at what is there
    // only if something has come by its rename.
    bool outputMissing = false;
};

// Why a run may not write some of its files, found before anything is
// written.
struct OutputProblem {
    enum class Kind {
        Clash,         // writer and other would both write one output file
        ReplacesInput, // writer's output would be written over other's input
    };
    Kind kind;
    std::size_t writer; // the conversion whose output is refused
    std::size_t other;  // Clash: the first conversion writing that file, an
                        // earlier one; ReplacesInput: the one reading it
    FileError error;    // EEXIST, naming the output and the inputs by their paths
};

// Every problem of the list, in list order of writer (a clash before a
// replaced input). Each later writer of an output file is paired with its
// first writer, so every input involved is named once. Files are compared
// as the system reaches them: directories by what they resolve to (symbolic
// links, ".."), files that exist by identity, and, in directories that
// ignore case, names case-folded as well. An input that is
// a Bruker RAW file is no scan and may be replaced, as an earlier output. An
// output that is its own input is not among them: the batch refuses it as it
// reaches it.
std::vector<OutputProblem> findOutputProblems(const std::vector<Conversion>& conversions);

// The same with the identities of each conversion's two files, where they
// exist, looked up already by a caller that needs more of them.
struct ConversionFiles {
    std::optional<platform::FileIdentity> input;
    std::optional<platform::FileIdentity> output;
};
std::vector<OutputProblem> findOutputProblems(const std::vector<Conversion>& conversions,
                                              const std::vector<ConversionFiles>& files,
                                              CaseProbe probe = platform::ignoresCase);

// The failures of those problems, naming the inputs as the caller shows them:
// "/out/sample.dat: sample.v2.raw and sample.v3.raw would both be written to
// this file" and "/data/quartz_b.raw: quartz.raw would be written over this
// input".
FileError outputClashError(const std::string& outputPath, const std::string& firstInput,
                           const std::string& secondInput);
FileError replacesInputError(const std::string& outputPath, const std::string& writerInput);

// Keys under which paths that reach one file compare equal, without asking
// the file system about each file: the directory resolved once (absolute,
// symbolic links and ".." followed), then the name, case-folded where the
// directory ignores case.
class PathKeys {
public:
    explicit PathKeys(CaseProbe probe = platform::ignoresCase) : probe_(probe) {}
    std::string operator()(const std::string& path);
    // Whether the directory of path ignores case, asked once a directory.
    bool ignoresCase(const std::string& path);

private:
    struct Directory {
        std::string resolved; // with its separator; empty until needed
        std::optional<bool> ignoresCase;
    };
    Directory& directoryOf(const std::string& path, std::size_t nameStart);

    CaseProbe probe_;
    // Each directory as spelled, with its separator.
    std::unordered_map<std::string, Directory> directories_;
};

// Whether two paths lead to one file now. Identities seen a while ago may
// meet by chance: another run, replacing files of the same directories,
// frees numbers that its next files take again.
bool stillOneFile(const std::string& a, const std::string& b);

// Whether the file at path begins as a Bruker RAW file does; nothing, with
// errno set, when it cannot be read.
std::optional<bool> beginsAsBrukerRaw(const std::string& path);

} // namespace scanmill

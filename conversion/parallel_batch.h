// SPDX-License-Identifier: MIT
#pragma once

#include "output_file.h"
#include "platform.h"
#include "scan_record.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// The one batch of the window and the command line: worker threads read,
// format and write each file ahead into its temporary beside the output, and
// the caller's thread puts them in place one at a time, in list order. Only
// the caller renames, so a caller that stops after a failure leaves every
// later file unwritten (its temporary removed), however far ahead the workers
// were. Files wait in a fixed number of slots, as temporaries rather than in
// memory, so memory grows with the jobs, never with the files.
namespace scanmill {

// One file of a batch: the scan read and the file written.
struct Conversion {
    std::string inputPath;
    std::string outputPath;
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
// links, ".."), and files that exist by identity, which also finds names that
// differ only in case on a file system that ignores case. An input that is
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
                                              const std::vector<ConversionFiles>& files);

// The failures of those problems, naming the inputs as the caller shows them:
// "/out/sample.dat: sample.v2.raw and sample.v3.raw would both be written to
// this file" and "/data/quartz_b.raw: quartz.raw would be written over this
// input".
FileError outputClashError(const std::string& outputPath, const std::string& firstInput,
                           const std::string& secondInput);
FileError replacesInputError(const std::string& outputPath, const std::string& writerInput);

// How many files a batch works on at once when not told: one per core.
unsigned defaultJobs();

class ParallelBatch {
public:
    // Starts up to `jobs` workers on the list, which must outlive the batch.
    // With one job, or one file, each file is read and formatted by
    // commitNext itself. A file whose input an earlier file of the list
    // writes is read only after that write, as one file after another would.
    ParallelBatch(const std::vector<Conversion>& conversions, OutputFormat format, unsigned jobs);
    // Stops the workers; files not committed by then are never written.
    ~ParallelBatch();
    ParallelBatch(const ParallelBatch&) = delete;
    ParallelBatch& operator=(const ParallelBatch&) = delete;

    // Puts the next file of the list in place, once its temporary is
    // written, and returns its place in the list. Throws that file's
    // FileError instead when it cannot be read (NotAScanError for a Bruker
    // RAW file), would replace its own input, would replace a file that is
    // not a Bruker RAW file with a Bruker output (kept, EEXIST), would
    // replace a file this batch wrote earlier (a clash found only now, as
    // where case is ignored), or cannot be written; the next
    // call goes on with the file after it. At most one call per file.
    std::size_t commitNext();

private:
    // The writer's formatting, given the scan, its input's path and the
    // buffer to fill.
    using FormatInto = void (*)(const ScanRecord&, const std::string&, std::string&);
    static FormatInto formatterOf(OutputFormat format);
    // A file read, formatted and written to its temporary, waiting to be put
    // in place.
    struct Prepared {
        bool ready = false;
        PendingFile file;
        std::exception_ptr failure;
    };
    // bytes is the caller's buffer, reused from file to file.
    std::exception_ptr prepareOne(std::size_t index, std::string& bytes, PendingFile& file) const;
    bool mayStart(std::size_t index) const;
    void work();

    const std::vector<Conversion>& conversions_;
    bool brukerOutputs_;
    FormatInto format_;
    std::vector<bool> readsEarlierOutput_;
    std::string bytes_;           // commitNext's own buffer, when it works alone
    std::vector<Prepared> slots_; // file i waits in slots_[i % slots_.size()]
    std::mutex mutex_;
    std::condition_variable ready_; // the next file to write is formatted
    std::condition_variable room_;  // a worker may start another file
    std::size_t started_ = 0;       // files taken by workers
    std::size_t committed_ = 0;     // files written or failed
    // Files put in place, by the caller's thread only.
    std::map<platform::FileIdentity, std::size_t> written_;
    bool stopping_ = false;
    std::vector<std::jthread> workers_; // last, so joined before the rest goes
};

} // namespace scanmill

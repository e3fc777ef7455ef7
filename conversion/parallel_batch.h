// SPDX-License-Identifier: MIT
#pragma once

#include "output_file.h"
#include "scan_record.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <optional>
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

// The first pair of conversions, by the later one's place in the list, that
// would write one output file. Paths are compared absolute and in normal
// form, so "out/./a.dat" and "out/a.dat" are one file.
std::optional<std::pair<std::size_t, std::size_t>>
findOutputClash(const std::vector<Conversion>& conversions);

// The failure for such a pair: EEXIST, naming the output file and the two
// inputs as the caller shows them.
FileError outputClashError(const std::string& outputPath, const std::string& firstInput,
                           const std::string& secondInput);

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
    // RAW file), would replace its own input, or cannot be written; the next
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
    FormatInto format_;
    std::vector<bool> readsEarlierOutput_;
    std::string bytes_;           // commitNext's own buffer, when it works alone
    std::vector<Prepared> slots_; // file i waits in slots_[i % slots_.size()]
    std::mutex mutex_;
    std::condition_variable ready_; // the next file to write is formatted
    std::condition_variable room_;  // a worker may start another file
    std::size_t started_ = 0;       // files taken by workers
    std::size_t committed_ = 0;     // files written or failed
    bool stopping_ = false;
    std::vector<std::jthread> workers_; // last, so joined before the rest goes
};

} // namespace scanmill

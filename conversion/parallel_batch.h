// SPDX-License-Identifier: MIT
#pragma once

#include "output_file.h"
#include "output_policy.h"
#include "output_writer.h"
#include "overlap_check.h"
#include "scan_record.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The one batch of the window and the command line: worker threads read,
// format and write each file ahead into its temporary beside the output,
// taking a run of several files at a time from a long list, and
// the caller's thread puts them in place one at a time, in list order. Only
// the caller renames, so a caller that stops after a failure leaves every
// later file unwritten (its temporary removed), however far ahead the workers
// were. Files wait in a fixed number of slots, as temporaries rather than in
// memory, so memory grows with the jobs, never with the files.
namespace scanmill {

// How many files a batch works on at once when not told: one per core.
unsigned defaultJobs();

// A file the batch put in place: its place in the list, how many of its
// points are not finite, which its status line tells, and its input as the
// batch last looked it up, unchanged since it was read (none where the
// system could not tell).
struct CommittedFile {
    std::size_t index = 0;
    std::size_t nonFinitePoints = 0;
    std::optional<platform::FileStatus> input;
};

// How a batch waits for inputs that are still settling, until a time of
// platform::fileTimeNow's clock. Tests bring their own, to change a file
// while the batch waits; by default it sleeps, or stops with the batch.
using SettlingWait = std::function<void(std::int64_t until)>;

class ParallelBatch {
public:
    // Starts up to `jobs` workers on the list, which must outlive the batch.
    // With one job, or one file, each file is read and formatted by
    // commitNext itself. A file whose input an earlier file of the list
    // writes is read only after that write, as one file after another would.
    // Each output is written as the options say: with its data on its
    // disk before it is put in place, its missing directories made then.
    // An output its conversion says was missing is written as a new file,
    // without a look at its path, and put in place only if nothing is there
    // by then; if something is, it is met as any output is.
    //
    // An input modified less than 2 seconds before its read ended, or dated
    // in the future, may still be being written where file times are coarse
    // (FAT keeps 2-second steps): it is read again once those 2 seconds have
    // passed, and converted only if both reads give the same scan. The waits
    // of several files overlap, so a run waits about once for all of them.
    ParallelBatch(const std::vector<Conversion>& conversions, OutputWriter writer, unsigned jobs,
                  OutputOptions output = {}, SettlingWait settlingWait = {});
    ParallelBatch(const std::vector<Conversion>& conversions, OutputFormat format, unsigned jobs)
        : ParallelBatch(conversions, engineWriter(format), jobs) {}
    // Stops the workers; files not committed by then are never written.
    ~ParallelBatch();
    ParallelBatch(const ParallelBatch&) = delete;
    ParallelBatch& operator=(const ParallelBatch&) = delete;

    // Puts the next file of the list in place, once its temporary is
    // written, and says which it was. Throws that file's
    // FileError instead when it cannot be read (NotAScanError for a Bruker
    // RAW file), changed while it was converted (EAGAIN), would replace its own input, would
    // replace a file that is not a Bruker RAW file with a Bruker output (kept, EEXIST), would
    // replace a file this batch wrote earlier (a clash found only now, as
    // where case is ignored), or cannot be written; the next
    // call goes on with the file after it. At most one call per file.
    CommittedFile commitNext();

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace scanmill

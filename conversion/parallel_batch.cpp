// SPDX-License-Identifier: MIT
#include "parallel_batch.h"

#include "output_file.h"
#include "platform.h"
#include "rigaku_reader.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_set>
#include <utility>

namespace scanmill {
namespace {

// A file read, formatted and written to its temporary, waiting to be put in
// place.
struct Prepared {
    bool ready = false;
    PendingFile file;
    std::exception_ptr failure;
    std::optional<platform::FileStatus> input; // as it was opened
    std::size_t nonFinitePoints = 0;
    bool asNewFile = false; // put in place only if nothing is there
};

FileError changedWhileConverted(const std::string& inputPath) {
    return FileError(EAGAIN, inputPath + ": changed while it was being converted; not converted");
}

// Where file times have steps of a second or two, a file rewritten within
// one step keeps its time and size: its time then tells nothing, and only
// another look at its bytes can.
constexpr std::int64_t settlingSeconds = 2;

bool sameScan(const ScanRecord& a, const ScanRecord& b) {
    return a.dateText == b.dateText && a.timeText == b.timeText && a.title == b.title &&
           std::memcmp(&a.startTwoTheta, &b.startTwoTheta, sizeof a.startTwoTheta) == 0 &&
           std::memcmp(&a.stepSize, &b.stepSize, sizeof a.stepSize) == 0 &&
           a.pointCount == b.pointCount && a.stepTime == b.stepTime &&
           a.intensities.size() == b.intensities.size() &&
           std::memcmp(a.intensities.data(), b.intensities.data(),
                       a.intensities.size() * sizeof(float)) == 0;
}

} // namespace

struct ParallelBatch::State {
    State(const std::vector<Conversion>& conversions, OutputWriter writer, OutputOptions output,
          SettlingWait settlingWait)
        : conversions(conversions), writer(std::move(writer)), output(output),
          settlingWait(std::move(settlingWait)) {}

    // Reads, formats and writes the temporary of a file, or keeps why it
    // could not; bytes is the caller's buffer, reused from file to file.
    Prepared prepareOne(std::size_t index, std::string& bytes, bool mayWriteAsNew = true);
    // Puts a file in place over whatever is at its output by now, unless
    // that is a file this batch wrote.
    void replaceOutput(std::size_t index, Prepared& slot);
    // Reads the scan, and again once it has settled.
    ScanRecord readSettled(const std::string& path, std::optional<platform::FileStatus>& opened);
    void waitUntil(std::int64_t fileTime);
    // Whether a worker may take the next run: there are slots for all of
    // it, and a file that reads an earlier output waits until that output is
    // in place.
    bool mayStartRun() const;
    void work();

    const std::vector<Conversion>& conversions;
    OutputWriter writer;
    OutputOptions output;
    SettlingWait settlingWait;
    std::vector<bool> readsEarlierOutput;
    std::string bytes;           // commitNext's own buffer, when it works alone
    std::vector<Prepared> slots; // file i waits in slots[i % slots.size()]
    std::mutex mutex;
    std::condition_variable ready; // the next file to write is formatted
    std::condition_variable room;  // a worker may start another file
    std::condition_variable stop;  // the batch is stopping
    std::size_t started = 0;       // files taken by workers
    std::size_t committed = 0;     // files written or failed
    // Files put in place, by the caller's thread only: those whose identity
    // has been looked up, and those not yet, which only an output found
    // already there needs.
    std::map<platform::FileIdentity, std::size_t> written;
    std::vector<std::size_t> unidentified;
    // Whether renames tell that something is at an output, as local file
    // systems do; where they cannot, every output is looked at first.
    std::atomic<bool> renamesTellExisting{true};
    std::atomic<bool> stopping = false; // read between the files of a run without the lock
    std::size_t runLength = 1;          // files a worker takes at once
    std::vector<std::jthread> workers;  // last, so joined before the rest goes
};

unsigned defaultJobs() {
    return std::max(1u, std::thread::hardware_concurrency());
}

ParallelBatch::ParallelBatch(const std::vector<Conversion>& conversions, OutputWriter writer,
                             unsigned jobs, OutputOptions output, SettlingWait settlingWait)
    : state_(std::make_unique<State>(conversions, std::move(writer), output,
                                     std::move(settlingWait))) {
    State& state = *state_;
    // Once a batch, not once a file: the disposition is the process's.
    platform::ignoreFileSizeSignal();
    const std::size_t threads = std::min<std::size_t>(jobs, conversions.size());
    if (threads <= 1) {
        state.slots.resize(1); // commitNext's own
        return;
    }
    // Workers take runs of files, so that a long list costs few hand-overs
    // between the threads; a short one is still shared by all of them.
    // Two runs' slots a worker: one being filled while the other waits for
    // its writes.
    state.runLength = std::clamp<std::size_t>(conversions.size() / (8 * threads), 1, 8);
    state.slots.resize(2 * threads * state.runLength);
    PathKeys key;
    std::unordered_set<std::string> outputs;
    state.readsEarlierOutput.reserve(conversions.size());
    for (const Conversion& conversion : conversions) {
        state.readsEarlierOutput.push_back(outputs.contains(key(conversion.inputPath)));
        outputs.insert(key(conversion.outputPath));
    }
    state.workers.reserve(threads);
    for (std::size_t i = 0; i < threads; ++i) {
        try {
            state.workers.emplace_back([&state] { state.work(); });
        } catch (const std::system_error&) {
            break; // fewer workers only take longer; none, and commitNext does the work
        }
    }
}

ParallelBatch::~ParallelBatch() {
    {
        const std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->room.notify_all();
    state_->stop.notify_all();
}

void ParallelBatch::State::waitUntil(std::int64_t fileTime) {
    if (settlingWait) {
        settlingWait(fileTime);
        return;
    }
    const auto wait = std::chrono::nanoseconds((fileTime - platform::fileTimeNow()) *
                                               (1'000'000'000 / platform::fileTimeTicksPerSecond));
    std::unique_lock lock(mutex);
    stop.wait_for(lock, wait, [this] { return stopping.load(); });
}

ScanRecord ParallelBatch::State::readSettled(const std::string& path,
                                             std::optional<platform::FileStatus>& opened) {
    ScanRecord scan = readRigakuRaw(path, opened);
    if (!opened || !opened->regular) {
        return scan;
    }
    // Against the local clock: a share whose clock runs ahead dates its
    // files in the future, which counts as settling too.
    const std::int64_t readEnd = platform::fileTimeNow();
    const std::int64_t settling = settlingSeconds * platform::fileTimeTicksPerSecond;
    if (opened->modified <= readEnd - settling) {
        return scan;
    }
    waitUntil(std::min(opened->modified, readEnd) + settling);
    try {
        if (sameScan(readRigakuRaw(path, opened), scan)) {
            return scan;
        }
    } catch (const FileError&) {
        // no longer the scan it was a moment ago
    }
    throw changedWhileConverted(path);
}

Prepared ParallelBatch::State::prepareOne(std::size_t index, std::string& buffer,
                                          bool mayWriteAsNew) {
    const Conversion& conversion = conversions[index];
    Prepared prepared;
    prepared.asNewFile = mayWriteAsNew && conversion.outputMissing && renamesTellExisting;
    try {
        const ScanRecord scan = readSettled(conversion.inputPath, prepared.input);
        // Nothing was there to look at; should something come, the commit
        // finds it.
        if (prepared.asNewFile) {
            checkOutputPath(conversion.outputPath, std::nullopt);
        } else {
            checkOutput(conversion, writer.brukerFiles, prepared.input);
        }
        writer.format(scan, conversion, buffer);
        prepared.nonFinitePoints = nonFinitePoints(scan);
        prepared.file = PendingFile(conversion.outputPath, buffer, output, prepared.asNewFile);
    } catch (...) {
        prepared.failure = std::current_exception();
    }
    return prepared;
}

void ParallelBatch::State::replaceOutput(std::size_t index, Prepared& slot) {
    const Conversion& conversion = conversions[index];
    if (const auto existing = platform::fileStatus(conversion.outputPath)) {
        for (const std::size_t earlier : unidentified) {
            if (const auto identity = platform::fileIdentity(conversions[earlier].outputPath)) {
                written.emplace(*identity, earlier);
            }
        }
        unidentified.clear();
        if (const auto writer = written.find(existing->identity);
            writer != written.end() &&
            stillOneFile(conversion.outputPath, conversions[writer->second].outputPath)) {
            throw outputClashError(conversion.outputPath, conversions[writer->second].inputPath,
                                   conversion.inputPath);
        }
    }
    if (slot.asNewFile) {
        // Written as a new file, yet something is there now: the file is
        // made again as one that replaces, checked against what it replaces.
        slot = prepareOne(index, bytes, false);
        if (slot.failure) {
            std::rethrow_exception(std::exchange(slot.failure, nullptr));
        }
    }
    slot.file.commit();
}

bool ParallelBatch::State::mayStartRun() const {
    const std::size_t end = std::min(started + runLength, conversions.size());
    return started < end && end <= committed + slots.size() &&
           (!readsEarlierOutput[started] || started == committed);
}

void ParallelBatch::State::work() {
    std::string buffer;
    std::vector<Prepared> run;
    std::unique_lock lock(mutex);
    for (;;) {
        room.wait(lock,
                  [this] { return stopping || started == conversions.size() || mayStartRun(); });
        if (stopping || started == conversions.size()) {
            return;
        }
        // A file that reads an earlier output begins a run of its own.
        const std::size_t first = started++;
        const std::size_t last = std::min(first + runLength, conversions.size());
        while (started < last && !readsEarlierOutput[started]) {
            ++started;
        }
        const std::size_t end = started;
        lock.unlock();
        run.clear();
        for (std::size_t index = first; index < end && !stopping; ++index) {
            run.push_back(prepareOne(index, buffer));
        }
        lock.lock();
        for (std::size_t index = first; index < first + run.size(); ++index) {
            Prepared& slot = slots[index % slots.size()];
            slot = std::move(run[index - first]);
            slot.ready = true;
        }
        if (committed >= first && committed < end) {
            ready.notify_one();
        }
    }
}

CommittedFile ParallelBatch::commitNext() {
    State& state = *state_;
    const std::size_t index = state.committed; // changed by this thread only
    Prepared& slot = state.slots[index % state.slots.size()];
    if (state.workers.empty()) {
        slot = state.prepareOne(index, state.bytes);
    } else {
        std::unique_lock lock(state.mutex);
        state.ready.wait(lock, [&slot] { return slot.ready; });
    }
    // No worker touches this slot again before committed has moved past it.
    const std::exception_ptr failure = std::exchange(slot.failure, nullptr);
    const auto finish = [&] {
        bool room = false;
        {
            const std::lock_guard lock(state.mutex);
            slot.ready = false;
            ++state.committed;
            room = !state.workers.empty() && state.mayStartRun();
        }
        // Not for each file freed: a worker waits for a whole run's room.
        if (room) {
            state.room.notify_one();
        }
    };
    try {
        if (failure) {
            std::rethrow_exception(failure);
        }
        const Conversion& conversion = state.conversions[index];
        // A pipe is read as it comes.
        if (slot.input && slot.input->regular) {
            std::optional<platform::FileStatus> now = platform::fileStatus(conversion.inputPath);
            if (changedSince(*slot.input, now)) {
                slot.file = PendingFile(); // its temporary removed
                throw changedWhileConverted(conversion.inputPath);
            }
            slot.input = std::move(now);
        }
        if (!slot.asNewFile || !slot.file.commitIfNothingThere()) {
            if (slot.asNewFile && lastErrorNumber() == ENOTSUP) {
                state.renamesTellExisting = false;
            }
            state.replaceOutput(index, slot);
        }
        state.unidentified.push_back(index);
    } catch (...) {
        finish();
        throw;
    }
    // Taken before a worker refills the slot.
    CommittedFile committed{index, slot.nonFinitePoints, std::move(slot.input)};
    finish();
    return committed;
}

} // namespace scanmill

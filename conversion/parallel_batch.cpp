// SPDX-License-Identifier: MIT
#include "parallel_batch.h"

#include "output_file.h"
#include "platform.h"
#include "rigaku_reader.h"

#include <algorithm>
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
    Prepared prepareOne(std::size_t index, std::string& bytes);
    // Reads the scan, and again once it has settled.
    ScanRecord readSettled(const std::string& path, std::optional<platform::FileStatus>& opened);
    void waitUntil(std::int64_t fileTime);
    bool mayStart(std::size_t index) const;
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
    // Files put in place, by the caller's thread only.
    std::map<platform::FileIdentity, std::size_t> written;
    bool stopping = false;
    std::vector<std::jthread> workers; // last, so joined before the rest goes
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
    // Two slots a worker: one being filled while the other waits for its
    // write. Without workers, the one slot is commitNext's own.
    state.slots.resize(threads <= 1 ? 1 : 2 * threads);
    if (threads <= 1) {
        return;
    }
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
    stop.wait_for(lock, wait, [this] { return stopping; });
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

Prepared ParallelBatch::State::prepareOne(std::size_t index, std::string& buffer) {
    const Conversion& conversion = conversions[index];
    Prepared prepared;
    try {
        const ScanRecord scan = readSettled(conversion.inputPath, prepared.input);
        checkOutput(conversion, writer.brukerFiles, prepared.input);
        writer.format(scan, conversion, buffer);
        prepared.nonFinitePoints = nonFinitePoints(scan);
        prepared.file = PendingFile(conversion.outputPath, buffer, output);
    } catch (...) {
        prepared.failure = std::current_exception();
    }
    return prepared;
}

bool ParallelBatch::State::mayStart(std::size_t index) const {
    return index < committed + slots.size() && (!readsEarlierOutput[index] || index == committed);
}

void ParallelBatch::State::work() {
    std::string buffer;
    std::unique_lock lock(mutex);
    for (;;) {
        room.wait(lock, [this] {
            return stopping || started == conversions.size() || mayStart(started);
        });
        if (stopping || started == conversions.size()) {
            return;
        }
        const std::size_t index = started++;
        lock.unlock();
        Prepared prepared = prepareOne(index, buffer);
        lock.lock();
        Prepared& slot = slots[index % slots.size()];
        slot = std::move(prepared);
        slot.ready = true;
        if (index == committed) {
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
        {
            const std::lock_guard lock(state.mutex);
            slot.ready = false;
            ++state.committed;
        }
        state.room.notify_one();
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
        if (const auto output = platform::fileStatus(conversion.outputPath)) {
            if (const auto writer = state.written.find(output->identity);
                writer != state.written.end() &&
                stillOneFile(conversion.outputPath, state.conversions[writer->second].outputPath)) {
                throw outputClashError(conversion.outputPath,
                                       state.conversions[writer->second].inputPath,
                                       conversion.inputPath);
            }
        }
        slot.file.commit();
        if (const auto& identity = slot.file.identity()) {
            state.written.emplace(*identity, index);
        }
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

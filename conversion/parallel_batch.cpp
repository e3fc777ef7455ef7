// SPDX-License-Identifier: MIT
#include "parallel_batch.h"

#include "ascii_writer.h"
#include "bruker_writer.h"
#include "output_file.h"
#include "platform.h"
#include "rigaku_reader.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

namespace scanmill {
namespace {

namespace fs = std::filesystem;

// Compares paths as one file would be reached by them, without asking the
// file system about each: absolute, in normal form, and in one case where
// the file system ignores case.
class PathKeys {
public:
    PathKeys() {
        std::error_code ignored;
        directory_ = fs::current_path(ignored);
    }
    std::string operator()(const std::string& path) const {
        const fs::path p = platform::toPath(path);
        return platform::fileNameKey(
            platform::fromPath((p.is_absolute() ? p : directory_ / p).lexically_normal()));
    }

private:
    fs::path directory_;
};

// True when output names the input file itself. A missing output, the
// usual case, costs one look-up.
bool isOwnInput(const std::string& input, const std::string& output) {
    std::error_code ignored;
    const fs::path outputPath = platform::toPath(output);
    return fs::exists(outputPath, ignored) &&
           fs::equivalent(platform::toPath(input), outputPath, ignored);
}

} // namespace

std::optional<std::pair<std::size_t, std::size_t>>
findOutputClash(const std::vector<Conversion>& conversions) {
    const PathKeys key;
    std::unordered_map<std::string, std::size_t> firstWriter;
    for (std::size_t index = 0; index < conversions.size(); ++index) {
        const auto [entry, isNew] = firstWriter.emplace(key(conversions[index].outputPath), index);
        if (!isNew) {
            return std::pair(entry->second, index);
        }
    }
    return std::nullopt;
}

FileError outputClashError(const std::string& outputPath, const std::string& firstInput,
                           const std::string& secondInput) {
    return FileError(EEXIST, outputPath + ": " + firstInput + " and " + secondInput +
                                 " would both be written to this file");
}

unsigned defaultJobs() {
    return std::max(1u, std::thread::hardware_concurrency());
}

ParallelBatch::FormatInto ParallelBatch::formatterOf(OutputFormat format) {
    switch (format) {
    case OutputFormat::BrukerRaw:
        return [](const ScanRecord& scan, const std::string&, std::string& bytes) {
            formatBrukerRaw(scan, bytes);
        };
    case OutputFormat::Xye:
        return [](const ScanRecord& scan, const std::string& inputPath, std::string& bytes) {
            formatXye(scan, platform::fromPath(platform::toPath(inputPath).filename()), bytes);
        };
    case OutputFormat::TwoColumnAscii:
        break;
    }
    return [](const ScanRecord& scan, const std::string&, std::string& bytes) {
        formatTwoColumnAscii(scan, bytes);
    };
}

ParallelBatch::ParallelBatch(const std::vector<Conversion>& conversions, OutputFormat format,
                             unsigned jobs)
    : conversions_(conversions), format_(formatterOf(format)) {
    const std::size_t threads = std::min<std::size_t>(jobs, conversions.size());
    // Two slots a worker: one being filled while the other waits for its
    // write. Without workers, the one slot is commitNext's own.
    slots_.resize(threads <= 1 ? 1 : 2 * threads);
    if (threads <= 1) {
        return;
    }
    const PathKeys key;
    std::unordered_set<std::string> outputs;
    readsEarlierOutput_.reserve(conversions.size());
    for (const Conversion& conversion : conversions) {
        readsEarlierOutput_.push_back(outputs.contains(key(conversion.inputPath)));
        outputs.insert(key(conversion.outputPath));
    }
    workers_.reserve(threads);
    for (std::size_t i = 0; i < threads; ++i) {
        try {
            workers_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break; // fewer workers only take longer; none, and commitNext does the work
        }
    }
}

ParallelBatch::~ParallelBatch() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    room_.notify_all();
}

std::exception_ptr ParallelBatch::prepareOne(std::size_t index, std::string& bytes,
                                             PendingFile& file) const {
    const Conversion& conversion = conversions_[index];
    try {
        const ScanRecord scan = readRigakuRaw(conversion.inputPath);
        if (isOwnInput(conversion.inputPath, conversion.outputPath)) {
            throw FileError(EEXIST,
                            conversion.outputPath + ": output would replace its own input file");
        }
        format_(scan, conversion.inputPath, bytes);
        file = PendingFile(conversion.outputPath, bytes);
        return nullptr;
    } catch (...) {
        return std::current_exception();
    }
}

bool ParallelBatch::mayStart(std::size_t index) const {
    return index < committed_ + slots_.size() &&
           (!readsEarlierOutput_[index] || index == committed_);
}

void ParallelBatch::work() {
    std::string bytes;
    std::unique_lock lock(mutex_);
    for (;;) {
        room_.wait(lock, [this] {
            return stopping_ || started_ == conversions_.size() || mayStart(started_);
        });
        if (stopping_ || started_ == conversions_.size()) {
            return;
        }
        const std::size_t index = started_++;
        lock.unlock();
        PendingFile file;
        std::exception_ptr failure = prepareOne(index, bytes, file);
        lock.lock();
        Prepared& slot = slots_[index % slots_.size()];
        slot.file = std::move(file);
        slot.failure = std::move(failure);
        slot.ready = true;
        if (index == committed_) {
            ready_.notify_one();
        }
    }
}

std::size_t ParallelBatch::commitNext() {
    const std::size_t index = committed_; // changed by this thread only
    Prepared& slot = slots_[index % slots_.size()];
    if (workers_.empty()) {
        slot.failure = prepareOne(index, bytes_, slot.file);
    } else {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&slot] { return slot.ready; });
    }
    // No worker touches this slot again before committed_ has moved past it.
    const std::exception_ptr failure = std::exchange(slot.failure, nullptr);
    const auto finish = [&] {
        {
            const std::lock_guard lock(mutex_);
            slot.ready = false;
            ++committed_;
        }
        room_.notify_one();
    };
    try {
        if (failure) {
            std::rethrow_exception(failure);
        }
        slot.file.commit();
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return index;
}

} // namespace scanmill

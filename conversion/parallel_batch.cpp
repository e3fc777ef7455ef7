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
// file system about each: absolute and in normal form.
class PathKeys {
public:
    PathKeys() {
        std::error_code ignored;
        directory_ = fs::current_path(ignored);
    }
    std::string operator()(const std::string& path) const {
        const fs::path p = platform::toPath(path);
        return platform::fromPath((p.is_absolute() ? p : directory_ / p).lexically_normal());
    }

private:
    fs::path directory_;
};

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ignored;
    return fs::equivalent(platform::toPath(a), platform::toPath(b), ignored);
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

ParallelBatch::ParallelBatch(const std::vector<Conversion>& conversions, OutputFormat format,
                             unsigned jobs)
    : conversions_(conversions),
      format_(format == OutputFormat::TwoColumnAscii ? formatTwoColumnAscii : formatBrukerRaw) {
    const std::size_t threads = std::min<std::size_t>(jobs, conversions.size());
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
    // Two slots a worker: one being filled while the other waits for its write.
    slots_.resize(2 * threads);
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
    changed_.notify_all();
}

ParallelBatch::Formatted ParallelBatch::formatOne(std::size_t index) const {
    const Conversion& conversion = conversions_[index];
    Formatted formatted{true, {}, {}};
    try {
        const ScanRecord scan = readRigakuRaw(conversion.inputPath);
        if (sameFile(conversion.inputPath, conversion.outputPath)) {
            throw FileError(EEXIST,
                            conversion.outputPath + ": output would replace its own input file");
        }
        formatted.bytes = format_(scan);
    } catch (...) {
        formatted.failure = std::current_exception();
    }
    return formatted;
}

bool ParallelBatch::mayStart(std::size_t index) const {
    return index < committed_ + slots_.size() &&
           (!readsEarlierOutput_[index] || index == committed_);
}

void ParallelBatch::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] {
            return stopping_ || started_ == conversions_.size() || mayStart(started_);
        });
        if (stopping_ || started_ == conversions_.size()) {
            return;
        }
        const std::size_t index = started_++;
        lock.unlock();
        Formatted formatted = formatOne(index);
        lock.lock();
        slots_[index % slots_.size()] = std::move(formatted);
        changed_.notify_all();
    }
}

std::size_t ParallelBatch::commitNext() {
    const std::size_t index = committed_; // changed by this thread only
    Formatted formatted;
    if (workers_.empty()) {
        formatted = formatOne(index);
    } else {
        std::unique_lock lock(mutex_);
        Formatted& slot = slots_[index % slots_.size()];
        changed_.wait(lock, [&slot] { return slot.ready; });
        formatted = std::exchange(slot, {});
    }
    const auto finish = [this] {
        {
            const std::lock_guard lock(mutex_);
            ++committed_;
        }
        changed_.notify_all();
    };
    try {
        if (formatted.failure) {
            std::rethrow_exception(formatted.failure);
        }
        replaceFileContents(conversions_[index].outputPath, formatted.bytes);
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return index;
}

} // namespace scanmill

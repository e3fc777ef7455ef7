// SPDX-License-Identifier: MIT
#include "parallel_batch.h"

#include "ascii_writer.h"
#include "bruker_writer.h"
#include "output_file.h"
#include "platform.h"
#include "rigaku_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

namespace scanmill {
namespace {

namespace fs = std::filesystem;

// Keys under which paths that reach one file compare equal, without asking
// the file system about each file: the directory resolved once (absolute,
// symbolic links and ".." followed), then the name, in one case where the
// file system ignores case.
class PathKeys {
public:
    std::string operator()(const std::string& path) {
        // Split as a string: over a whole archive, parsing every path as a
        // std::filesystem::path would cost more than the rest of the check.
        const std::size_t nameStart = path.find_last_of(pathSeparators) + 1;
        const auto [entry, isNew] = directories_.try_emplace(path.substr(0, nameStart));
        if (isNew) {
            const fs::path parent = nameStart == 0 ? fs::path(".") : platform::toPath(entry->first);
            std::error_code error;
            fs::path resolved = fs::weakly_canonical(parent, error);
            if (error) {
                resolved = fs::absolute(parent, error).lexically_normal();
            }
            entry->second = platform::fromPath(resolved);
            if (!entry->second.ends_with(pathSeparator)) {
                entry->second += pathSeparator;
            }
        }
        return platform::fileNameKey(entry->second + path.substr(nameStart));
    }

private:
    // Each directory as spelled, with its separator, and as resolved.
    std::unordered_map<std::string, std::string> directories_;
};

// True when output names the input file itself. A missing output, the
// usual case, costs one look-up.
bool isOwnInput(const std::string& input, const std::string& output) {
    std::error_code ignored;
    const fs::path outputPath = platform::toPath(output);
    return fs::exists(outputPath, ignored) &&
           fs::equivalent(platform::toPath(input), outputPath, ignored);
}

// Whether the file at path begins as a Bruker RAW file does; nothing, with
// errno set, when it cannot be read.
std::optional<bool> beginsAsBrukerRaw(const std::string& path) {
    errno = 0;
    std::FILE* file = platform::openForReading(path);
    if (file == nullptr) {
        return std::nullopt;
    }
    char start[8];
    const std::size_t got = std::fread(start, 1, sizeof start, file);
    std::fclose(file);
    return startsAsBrukerRaw(std::string_view(start, got));
}

// A Bruker output replaces only a Bruker RAW file: anything else at its path
// may be a scan of its own, one that is not in this run.
void keepIfNotBrukerRaw(const std::string& output) {
    std::error_code ignored;
    if (!fs::is_regular_file(platform::toPath(output), ignored)) {
        return; // nothing there, or what the rename refuses by itself
    }
    const std::optional<bool> isBruker = beginsAsBrukerRaw(output);
    if (!isBruker) {
        throw systemError(output, lastErrorNumber());
    }
    if (!*isBruker) {
        throw FileError(EEXIST, output + ": exists and is not a Bruker RAW file; kept");
    }
}

} // namespace

std::vector<OutputProblem> findOutputProblems(const std::vector<Conversion>& conversions) {
    std::vector<ConversionFiles> files;
    files.reserve(conversions.size());
    for (const Conversion& conversion : conversions) {
        files.push_back({platform::fileIdentity(conversion.inputPath),
                         platform::fileIdentity(conversion.outputPath)});
    }
    return findOutputProblems(conversions, files);
}

std::vector<OutputProblem> findOutputProblems(const std::vector<Conversion>& conversions,
                                              const std::vector<ConversionFiles>& files) {
    // Files that exist are told apart by identity, however they are spelled;
    // paths are compared only for files not there yet. Over an archive
    // already converted, as -u runs nightly, no path then needs resolving.
    PathKeys key;
    std::unordered_map<std::string, std::size_t> inputKeys;
    std::map<platform::FileIdentity, std::size_t> inputFiles;
    for (std::size_t index = 0; index < conversions.size(); ++index) {
        if (const auto& identity = files[index].input) {
            inputFiles.try_emplace(*identity, index);
        } else {
            inputKeys.try_emplace(key(conversions[index].inputPath), index);
        }
    }
    std::vector<OutputProblem> problems;
    std::unordered_map<std::string, std::size_t> outputKeys;
    std::map<platform::FileIdentity, std::size_t> outputFiles;
    for (std::size_t index = 0; index < conversions.size(); ++index) {
        const Conversion& conversion = conversions[index];
        // The first earlier writer of this file, and the input of another
        // conversion that this output would replace.
        std::optional<std::size_t> earlier;
        std::optional<std::size_t> reader;
        if (const auto& identity = files[index].output) {
            if (const auto [entry, isNew] = outputFiles.try_emplace(*identity, index); !isNew) {
                earlier = entry->second;
            }
            if (const auto found = inputFiles.find(*identity);
                found != inputFiles.end() && found->second != index) {
                reader = found->second;
            }
        } else {
            const std::string outputKey = key(conversion.outputPath);
            if (const auto [entry, isNew] = outputKeys.try_emplace(outputKey, index); !isNew) {
                earlier = entry->second;
            }
            if (const auto found = inputKeys.find(outputKey);
                found != inputKeys.end() && found->second != index) {
                reader = found->second;
            }
        }
        if (earlier) {
            problems.push_back(
                {OutputProblem::Kind::Clash, index, *earlier,
                 outputClashError(conversion.outputPath, conversions[*earlier].inputPath,
                                  conversion.inputPath)});
        }
        // A Bruker RAW file is no scan: the run passes over it or refuses it,
        // and an output may replace it, as an earlier output is replaced.
        if (reader && beginsAsBrukerRaw(conversions[*reader].inputPath).value_or(false)) {
            reader.reset();
        }
        if (reader) {
            problems.push_back({OutputProblem::Kind::ReplacesInput, index, *reader,
                                replacesInputError(conversion.outputPath, conversion.inputPath)});
        }
    }
    return problems;
}

FileError outputClashError(const std::string& outputPath, const std::string& firstInput,
                           const std::string& secondInput) {
    return FileError(EEXIST, outputPath + ": " + firstInput + " and " + secondInput +
                                 " would both be written to this file");
}

FileError replacesInputError(const std::string& outputPath, const std::string& writerInput) {
    return FileError(EEXIST, outputPath + ": " + writerInput + " would be written over this input");
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
    : conversions_(conversions), brukerOutputs_(format == OutputFormat::BrukerRaw),
      format_(formatterOf(format)) {
    const std::size_t threads = std::min<std::size_t>(jobs, conversions.size());
    // Two slots a worker: one being filled while the other waits for its
    // write. Without workers, the one slot is commitNext's own.
    slots_.resize(threads <= 1 ? 1 : 2 * threads);
    if (threads <= 1) {
        return;
    }
    PathKeys key;
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
        if (brukerOutputs_) {
            keepIfNotBrukerRaw(conversion.outputPath);
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
        const Conversion& conversion = conversions_[index];
        if (const auto identity = platform::fileIdentity(conversion.outputPath)) {
            if (const auto writer = written_.find(*identity); writer != written_.end()) {
                throw outputClashError(conversion.outputPath,
                                       conversions_[writer->second].inputPath,
                                       conversion.inputPath);
            }
        }
        slot.file.commit();
        if (const auto identity = platform::fileIdentity(conversion.outputPath)) {
            written_.emplace(*identity, index);
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return index;
}

} // namespace scanmill

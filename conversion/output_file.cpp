// SPDX-License-Identifier: MIT
#include "output_file.h"

#include "file_error.h"
#include "platform.h"
#include "scan_record.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <utility>
#include <vector>

namespace scanmill {
namespace {

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of(pathSeparators);
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The directory without its trailing separators, as the system names it;
// a root keeps its own.
std::string withoutSeparator(std::string directory) {
    while (directory.size() > 1 && directory.find_last_of(pathSeparators) == directory.size() - 1 &&
           directory[directory.size() - 2] != ':') {
        directory.pop_back();
    }
    return directory;
}

// The directories of path that do not exist, the outermost first; an empty
// directory stands for the working one, which does.
std::vector<std::string> missingDirectoriesOf(const std::string& path) {
    std::vector<std::string> missing;
    for (std::string directory = directoryOf(path);
         !directory.empty() && !platform::fileStatus(withoutSeparator(directory));
         directory = directoryOf(withoutSeparator(directory))) {
        missing.insert(missing.begin(), withoutSeparator(directory));
    }
    return missing;
}

// Hidden, short and unlikely to clash; the exclusive open settles any clash.
// Drawn from the clock rather than a random device, which may throw.
std::string temporaryName(const std::string& directory, int attempt) {
    static constexpr char hex[] = "0123456789abcdef";
    auto bits = static_cast<std::uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count() + attempt);
    bits *= 0x9E3779B97F4A7C15u; // spread the fast-changing low bits over all digits
    std::string name = directory + ".scanmill-";
    for (int i = 0; i < 8; ++i, bits >>= 4) {
        name += hex[(bits >> 32) & 0xF];
    }
    return name + ".part";
}

int closeFile(std::FILE* file) {
    return std::fclose(file);
}

// The temporaries that exist now, so that an interrupted run can remove
// them. A temporary is created, renamed and removed only while the gate is
// held shared, so that files of several threads pass at once; an
// interrupted run takes it for good: none is made or renamed after.
struct TemporariesInFlight {
    std::shared_mutex gate;
    std::mutex namesMutex; // held for the set alone, never across a call to the system
    std::set<std::string> names;

    void add(std::string name) {
        const std::lock_guard lock(namesMutex);
        names.insert(std::move(name));
    }
    void remove(const std::string& name) {
        const std::lock_guard lock(namesMutex);
        names.erase(name);
    }
};

TemporariesInFlight& temporariesInFlight() {
    // Never destroyed: an interrupt may come while the program ends.
    static auto* inFlight = new TemporariesInFlight;
    return *inFlight;
}

} // namespace

void replaceFileContents(const std::string& path, std::string_view content) {
    platform::ignoreFileSizeSignal();
    checkOutputPath(path);
    PendingFile(path, content).commit();
}

void replaceFileContents(const std::string& path, std::string_view content, CloseFile closeFile) {
    platform::ignoreFileSizeSignal();
    checkOutputPath(path);
    PendingFile(path, content, closeFile).commit();
}

PendingFile::PendingFile(const std::string& path, std::string_view content, OutputOptions options,
                         bool asNewFile)
    : PendingFile(path, content, closeFile, options, asNewFile) {}

void checkOutputPath(const std::string& path) {
    checkOutputPath(path, platform::fileStatus(path));
}

void checkOutputPath(const std::string& path, const std::optional<platform::FileStatus>& existing) {
    if (const std::string reason = platform::forbiddenNameReason(path); !reason.empty()) {
        throw FileError(EINVAL, path + ": " + reason);
    }
    if (existing) {
        // A directory, a pipe or a device at an output's path is someone's,
        // not an earlier output.
        if (!existing->regular) {
            throw FileError(EEXIST, path + ": exists and is not a regular file; kept");
        }
        if (existing->readOnly) {
            throw systemError(path, EACCES);
        }
    }
}

PendingFile::PendingFile(const std::string& path, std::string_view content, CloseFile closeFile,
                         OutputOptions options, bool asNewFile)
    : path_(path) {
    // Beside the output, unless its directory turns out to be missing.
    std::string directory = directoryOf(path);
    std::FILE* file = nullptr;
    for (int attempt = 0; file == nullptr; ++attempt) {
        std::string temporary = temporaryName(directory, attempt);
        TemporariesInFlight& inFlight = temporariesInFlight();
        const std::shared_lock lock(inFlight.gate);
        errno = 0;
        file = platform::createTemporaryFile(temporary, asNewFile ? std::string() : path);
        if (file != nullptr) {
            inFlight.add(temporary);
            temporary_ = std::move(temporary);
            break;
        }
        const int number = lastErrorNumber();
        // The temporary waits in the nearest directory that exists, which an
        // earlier file may have made just now.
        if (number == ENOENT && options.makeDirectories && attempt < 10) {
            const std::vector<std::string> missing = missingDirectoriesOf(path);
            directoriesMissing_ = !missing.empty();
            directory = directoryOf(missing.empty() ? path : missing.front());
            continue;
        }
        if (number != EEXIST || attempt == 10) {
            throw systemError(path, number);
        }
    }
    // The content is complete already: one write call, not one per buffer.
    std::setvbuf(file, nullptr, _IONBF, 0);

    errno = 0;
    const bool written =
        std::fwrite(content.data(), 1, content.size(), file) == content.size() &&
        std::fflush(file) == 0 &&
        (options.durability == Durability::AsTheSystemWrites || platform::flushToDisk(file));
    const int writeErrno = lastErrorNumber();
    errno = 0;
    const bool closed = closeFile(file) == 0;
    const int closeErrno = lastErrorNumber();
    if (!written || !closed) {
        discard();
        throw systemError(path, !written ? writeErrno : closeErrno);
    }
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : path_(std::move(other.path_)), directoriesMissing_(other.directoriesMissing_),
      temporary_(std::exchange(other.temporary_, {})) {}

PendingFile& PendingFile::operator=(PendingFile&& other) noexcept {
    if (this != &other) {
        discard();
        path_ = std::move(other.path_);
        directoriesMissing_ = other.directoriesMissing_;
        temporary_ = std::exchange(other.temporary_, {});
    }
    return *this;
}

PendingFile::~PendingFile() {
    discard();
}

void PendingFile::commit() {
    moveIntoPlace(true);
}

bool PendingFile::commitIfNothingThere() {
    return moveIntoPlace(false);
}

bool PendingFile::moveIntoPlace(bool replacing) {
    std::optional<FileError> failure;
    {
        // Within the gate an interrupted run closes for good: a directory
        // is made only together with the file that fills it.
        TemporariesInFlight& inFlight = temporariesInFlight();
        const std::shared_lock lock(inFlight.gate);
        std::vector<std::string> made;
        if (directoriesMissing_) { // some may have been made since, by an earlier file
            for (const std::string& directory : missingDirectoriesOf(path_)) {
                errno = 0;
                if (platform::makeDirectory(directory)) {
                    made.push_back(directory);
                    continue;
                }
                const int number = lastErrorNumber();
                // One another program made meanwhile is as good.
                if (const auto there = platform::fileStatus(directory);
                    !there || !there->directory) {
                    failure = FileError(number, path_ + ": cannot make directory " +
                                                    describeError(directory, number));
                    break;
                }
            }
        }
        errno = 0;
        if (!failure && (replacing ? platform::replaceByRename(temporary_, path_)
                                   : platform::renameWithoutReplacing(temporary_, path_))) {
            inFlight.remove(temporary_);
            temporary_.clear();
            return true;
        }
        const int number = lastErrorNumber();
        if (!failure && !replacing && (number == EEXIST || number == ENOTSUP)) {
            return false; // the directories made stay: a file is there, or will be
        }
        if (!failure) {
            failure = systemError(path_, number);
        }
        for (auto directory = made.rbegin(); directory != made.rend(); ++directory) {
            platform::removeEmptyDirectory(*directory);
        }
    }
    discard();
    throw *failure;
}

void PendingFile::discard() noexcept {
    if (!temporary_.empty()) {
        TemporariesInFlight& inFlight = temporariesInFlight();
        const std::shared_lock lock(inFlight.gate);
        platform::removeFile(temporary_);
        inFlight.remove(temporary_);
        temporary_.clear();
    }
}

void abandonTemporaries() {
    TemporariesInFlight& inFlight = temporariesInFlight();
    inFlight.gate.lock(); // for good: the program ends next; no one else touches the names
    for (const std::string& temporary : inFlight.names) {
        platform::removeFile(temporary);
    }
    inFlight.names.clear();
}

} // namespace scanmill

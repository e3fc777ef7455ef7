// SPDX-License-Identifier: MIT
#include "platform.h"

#include "names.h"

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <time.h>
#include <unistd.h>

namespace scanmill {

const char pathSeparator = '/';
const char pathSeparators[] = "/";

} // namespace scanmill

namespace scanmill::platform {

namespace fs = std::filesystem;

std::FILE* openForReading(const std::string& path) {
    return std::fopen(path.c_str(), "rb");
}

void markProgramRunning() {}

ShownError shownError(int number) {
    return {number, std::generic_category().message(number)};
}

void ignoreFileSizeSignal() {
    struct sigaction current {};
    if (sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        std::signal(SIGXFSZ, SIG_IGN);
    }
}

namespace {

FileStatus statusOf(const struct stat& status) {
    // The permission bits, not access(): root may write anywhere, yet a file
    // its owner made read-only keeps its content.
    return {{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)},
            std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec,
            static_cast<std::uint64_t>(status.st_size),
            S_ISREG(status.st_mode),
            (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0,
            S_ISDIR(status.st_mode)};
}

// The name with the case of its ASCII letters swapped; the same name when it
// has none.
std::string swappedCase(std::string name) {
    for (char& c : name) {
        const bool lower = c >= 'a' && c <= 'z';
        c = lower ? static_cast<char>(c - 'a' + 'A') : asciiLower(c);
    }
    return name;
}

// Whether directory holds the entry name, spelled so to the byte.
bool listsName(const fs::path& directory, const std::string& name) {
    std::error_code error;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().filename() == name) {
            return true;
        }
    }
    return false;
}

} // namespace

bool ignoresCase(const std::string& directory) {
    std::error_code error;
    fs::path at = fs::absolute(directory.empty() ? "." : directory, error).lexically_normal();
    while (!fs::is_directory(at, error) && at.has_relative_path()) {
        at = at.parent_path();
    }
    // A name there with letters, looked up with their case swapped: the
    // system answering for a spelling its listing does not hold tells.
    // An entry of the directory, else its own name, else an ancestor's.
    for (fs::path inside = at;; inside = inside.parent_path()) {
        std::optional<fs::path> named;
        if (inside == at) {
            for (fs::directory_iterator it(at, error), end; !error && it != end;
                 it.increment(error)) {
                const std::string name = it->path().filename().string();
                if (swappedCase(name) != name) {
                    named = it->path();
                    break;
                }
            }
        }
        if (!named && swappedCase(inside.filename().string()) != inside.filename().string()) {
            named = inside;
        }
        if (named) {
            const fs::path swapped = named->parent_path() / swappedCase(named->filename().string());
            struct stat status {};
            return lstat(swapped.c_str(), &status) == 0 &&
                   !listsName(named->parent_path(), swapped.filename().string());
        }
        if (!inside.has_relative_path()) {
            return false;
        }
    }
}

std::FILE* createTemporaryFile(const std::string& path, const std::string& replacing) {
    struct stat existing {};
    const bool replaces =
        !replacing.empty() && stat(replacing.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    // "x" creates it or fails (O_EXCL), "e" keeps it from child processes;
    // opened by the stream itself, it takes no call as fdopen's. It is empty
    // until it has the owner and bits of the file it replaces.
    std::FILE* file = std::fopen(path.c_str(), "wbxe");
    if (file == nullptr) {
        return nullptr;
    }
    if (replaces) {
        const int descriptor = fileno(file);
        // Only root may give a file away; anyone may try the group alone. The
        // owner is set first, as that may clear set-ID bits.
        if (fchown(descriptor, existing.st_uid, existing.st_gid) != 0 &&
            fchown(descriptor, static_cast<uid_t>(-1), existing.st_gid) != 0) {
            // the file stays the writer's, with the bits below
        }
        fchmod(descriptor, existing.st_mode & 07777);
    }
    return file;
}

bool replaceByRename(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    // Some file systems (network, FUSE) do not take the flag.
    if (errno == EINVAL || errno == ENOSYS) {
        errno = ENOTSUP;
    }
    return false;
}

bool flushToDisk(std::FILE* file) {
    return fdatasync(fileno(file)) == 0;
}

bool flushDirectoryToDisk(const std::string& directory) {
    const int handle = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0) {
        return false;
    }
    const bool flushed = fsync(handle) == 0;
    const int number = errno;
    close(handle);
    errno = number;
    return flushed;
}

bool makeDirectory(const std::string& path) {
    return mkdir(path.c_str(), 0777) == 0;
}

void removeEmptyDirectory(const std::string& path) {
    rmdir(path.c_str());
}

void removeFile(const std::string& path) {
    std::remove(path.c_str());
}

std::string forbiddenNameReason(const std::string&) {
    return {};
}

std::string fileNameKey(const std::string& name) {
    return name;
}

bool mayCreateFilesIn(const std::string& directory) {
    // access(), not the bits: what the process may do, root included.
    return access(directory.c_str(), W_OK | X_OK) == 0;
}

const std::int64_t fileTimeTicksPerSecond = 1'000'000'000;

std::int64_t fileTimeNow() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t{now.tv_sec} * fileTimeTicksPerSecond + now.tv_nsec;
}

std::optional<FileStatus> fileStatus(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return statusOf(status);
}

std::optional<FileStatus> openedFileStatus(std::FILE* file) {
    struct stat status {};
    if (fstat(fileno(file), &status) != 0) {
        return std::nullopt;
    }
    return statusOf(status);
}

std::optional<std::vector<DirectoryEntry>> listDirectory(const std::string& path) {
    DIR* directory = opendir(path.c_str());
    if (directory == nullptr) {
        return std::nullopt;
    }
    std::vector<DirectoryEntry> entries;
    errno = 0;
    while (const dirent* entry = readdir(directory)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        unsigned char type = entry->d_type;
        // Some file systems leave the kind to a look-up of its own.
        struct stat status {};
        if (type == DT_UNKNOWN &&
            fstatat(dirfd(directory), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
            type = S_ISREG(status.st_mode)   ? DT_REG
                   : S_ISDIR(status.st_mode) ? DT_DIR
                   : S_ISLNK(status.st_mode) ? DT_LNK
                                             : DT_UNKNOWN;
        }
        entries.push_back({std::string(name), type == DT_REG   ? EntryKind::RegularFile
                                              : type == DT_DIR ? EntryKind::Directory
                                              : type == DT_LNK ? EntryKind::SymbolicLink
                                                               : EntryKind::Other});
        errno = 0;
    }
    const int error = errno;
    closedir(directory);
    if (error != 0) {
        errno = error;
        return std::nullopt;
    }
    return entries;
}

fs::path toPath(const std::string& path) {
    return fs::path(path);
}

std::string fromPath(const fs::path& path) {
    return path.string();
}

} // namespace scanmill::platform

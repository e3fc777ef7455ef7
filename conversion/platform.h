// SPDX-License-Identifier: MIT
#pragma once

#include <compare>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The file-system calls whose behaviour differs between systems, so that the
// reader and the writers share one code path everywhere. Paths are the
// engine's bytes. Calls that fail return nullptr or false and leave the cause
// in errno.
namespace scanmill {

// The platform's path separator, which the directories a caller joins names to
// end with, and every character that separates directories in a path read.
extern const char pathSeparator;
extern const char pathSeparators[];

} // namespace scanmill

namespace scanmill::platform {

// Opens an existing file for binary reading.
std::FILE* openForReading(const std::string& path);

// Creates the temporary file of an output for binary writing, failing with
// EEXIST if anything exists at path: two writers can never share one. It
// gets the permission bits of the regular file at `replacing`, when there is
// one, and its owner where the process may set it; else, or when replacing
// is empty, those of a plainly created file. On Windows it is hidden, as a leading dot hides
// nothing there.
std::FILE* createTemporaryFile(const std::string& path, const std::string& replacing);

// Called before files are written: on POSIX, unless the program handles
// SIGXFSZ itself, a write past the process's file-size limit then fails with
// EFBIG instead of ending the program. Nothing on Windows.
void ignoreFileSizeSignal();

// Marks the process as a running Scanmill program for as long as it lives:
// on Windows a named mutex, "Scanmill.Running", which the installer and the
// uninstaller look for before they touch the program's files. Nothing
// elsewhere.
void markProgramRunning();

// The number and words that show a failed call's error to a person: errno
// and its text on POSIX; on Windows the system's own code for the failure
// that left errno at number, and its text in the user's language.
struct ShownError {
    int number;
    std::string words;
};
ShownError shownError(int number);

// Renames from onto to in one step, replacing a file at to; on Windows the
// file renamed is no longer hidden.
bool replaceByRename(const std::string& from, const std::string& to);

// Renames from onto to in one step only if nothing is at to: false with
// EEXIST when something is, with ENOTSUP where the file system cannot tell
// in the same step.
bool renameWithoutReplacing(const std::string& from, const std::string& to);

// Hands the data of an open file to its disk before returning (fdatasync,
// FlushFileBuffers), so that a power cut cannot leave it empty behind a name.
bool flushToDisk(std::FILE* file);

// The same for the entries of a directory, so that a rename into it lasts
// too. On Windows every rename is written through already.
bool flushDirectoryToDisk(const std::string& directory);

// Makes one directory, whose parent exists; removes one that is empty.
bool makeDirectory(const std::string& path);
void removeEmptyDirectory(const std::string& path);

// Removes the file at path, if it can.
void removeFile(const std::string& path);

// Why the system would not reach the file at path by that name, or "" when it
// would. Windows refuses some names that POSIX takes, reads others as devices
// or as streams of another file, and drops a trailing dot or blank from a
// directory's name as from a file's, so that "run.\s.raw" would be
// "run\s.raw". Every name in the path is checked; a device only as the last.
std::string forbiddenNameReason(const std::string& path);

// The form in which the file system tells names and paths apart: those that
// differ only in case are one file on Windows.
std::string fileNameKey(const std::string& name);

// Whether the file system holding the directory (or, where it is not made
// yet, its nearest existing ancestor) takes names that differ only in case
// for one file, as FAT on a USB stick does under Linux too. Identities cannot
// tell there: some drivers give each spelling of a name a number of its own.
bool ignoresCase(const std::string& directory);

// Whether the process may make a new file in the directory, as an output's
// temporary is made; false, with errno set, when it may not (or when the
// directory is missing: ENOENT).
bool mayCreateFilesIn(const std::string& directory);

// What tells one file from every other, however it is reached: device and
// inode on POSIX, volume and file index on Windows.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

// What one look-up tells of a file: its identity, when it was last written
// (in the system's own ticks, comparable between files), its size, whether
// it is a regular file (not a directory, pipe, socket or device), and
// whether its permissions make it read-only, which such a file is never
// replaced for, and whether it is a directory.
struct FileStatus {
    FileIdentity identity;
    std::int64_t modified = 0;
    std::uint64_t size = 0;
    bool regular = false;
    bool readOnly = false;
    bool directory = false;
};
// Now, on the clock whose ticks FileStatus::modified counts, and how many of
// them make a second.
std::int64_t fileTimeNow();
extern const std::int64_t fileTimeTicksPerSecond;

// The file at path, symbolic links followed; nothing when there is none.
std::optional<FileStatus> fileStatus(const std::string& path);
// The file an open stream reads or writes; nothing when the system cannot say.
std::optional<FileStatus> openedFileStatus(std::FILE* file);

// The identity alone, or nothing when there is no file.
inline std::optional<FileIdentity> fileIdentity(const std::string& path) {
    const std::optional<FileStatus> status = fileStatus(path);
    return status ? std::optional(status->identity) : std::nullopt;
}

// What a directory holds, as its listing tells without following links.
enum class EntryKind { RegularFile, Directory, SymbolicLink, Other };
struct DirectoryEntry {
    std::string name;
    EntryKind kind = EntryKind::Other;
};
// The entries of the directory at path, "." and ".." left out, in the order
// the system gives them; nothing when it cannot be listed. On Windows paths
// of any length, not only those within 260 characters.
std::optional<std::vector<DirectoryEntry>> listDirectory(const std::string& path);

// The path the standard library's file-system calls take for these bytes,
// and back.
std::filesystem::path toPath(const std::string& path);
std::string fromPath(const std::filesystem::path& path);

} // namespace scanmill::platform

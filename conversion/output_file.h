// SPDX-License-Identifier: MIT
#pragma once

#include "platform.h"

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace scanmill {

// Whether an output's data is handed to its disk before it is renamed into
// place, so that a power cut cannot leave an empty file under its name.
enum class Durability { AsTheSystemWrites, FlushedToDisk };

// How an output is written, beyond its bytes.
struct OutputOptions {
    Durability durability = Durability::AsTheSystemWrites;
    // The directories of its path that do not exist are made as it is
    // renamed into place, not before, so that a run stopped before then
    // leaves none empty; its temporary waits meanwhile in the nearest one
    // that exists, on the same file system, as a missing directory can be
    // no mount point. Otherwise a missing directory fails.
    bool makeDirectories = false;
};

// Replaces the file at path by content, or leaves it as it was: the bytes go
// to a temporary file in the same directory, which is renamed onto path only
// once it is complete and closed. A new file gets the permissions of a
// plainly created one, a replaced file keeps those of the file it replaces.
// A read-only file at path is not replaced, nor anything but a regular
// file (a symbolic link to one is replaced as a link). Throws
// FileError naming path on any failure, after removing the temporary.
void replaceFileContents(const std::string& path, std::string_view content);

// The same with the closing of the temporary passed in. Closing a flushed file
// does not fail on a local disk, yet may on others; this lets a test make it
// fail and see the temporary removed.
using CloseFile = int (*)(std::FILE*);
void replaceFileContents(const std::string& path, std::string_view content, CloseFile closeFile);

// Throws the FileError a write of path would meet before its temporary is
// made, as far as looking at the path tells: a name the system refuses, a
// file there that is not a regular file (kept), a read-only file. The second
// form takes the caller's own look at the path.
void checkOutputPath(const std::string& path);
void checkOutputPath(const std::string& path, const std::optional<platform::FileStatus>& existing);

// The two halves of replaceFileContents, so that a batch can write the
// temporaries of several files at once and still put them in place one after
// another: the complete, closed temporary beside path, waiting to be renamed
// onto it. A temporary never committed is removed with this object.
class PendingFile {
public:
    PendingFile() = default;
    // Writes the temporary of a path checkOutputPath has passed; throws
    // FileError naming path, leaving nothing. As a new file, one the caller
    // saw nothing at, it gets the permissions of a plainly created file
    // without a look at path.
    PendingFile(const std::string& path, std::string_view content, OutputOptions options = {},
                bool asNewFile = false);
    PendingFile(const std::string& path, std::string_view content, CloseFile closeFile,
                OutputOptions options = {}, bool asNewFile = false);
    PendingFile(PendingFile&& other) noexcept;
    PendingFile& operator=(PendingFile&& other) noexcept;
    ~PendingFile();

    // Renames the temporary onto path, making its directories first where
    // asked to; throws FileError naming path, after removing the temporary
    // and any directory it made.
    void commit();
    // The same, only if nothing is at path by then, in the same step; false,
    // with the temporary kept, when something is, or where the file system
    // cannot tell in one step.
    bool commitIfNothingThere();

private:
    bool moveIntoPlace(bool replacing);
    void discard() noexcept;

    std::string path_;
    bool directoriesMissing_ = false; // the temporary waits in an ancestor
    std::string temporary_;           // empty once renamed or removed
};

// For a program that is interrupted and ends next: removes every temporary
// file in flight, in any thread, and holds back for good every temporary not
// yet made and every rename not yet done. Outputs already in place stay whole.
// Call it from an ordinary thread, not from a signal handler.
void abandonTemporaries();

} // namespace scanmill

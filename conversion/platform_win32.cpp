// SPDX-License-Identifier: MIT
#include "platform.h"

#include "platform_win32.h"
#include "utf16.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cwctype>
#include <fcntl.h>
#include <io.h>
#include <string_view>
#include <system_error>
#include <utility>
#include <windows.h>

// Paths are UTF-8 in the engine and UTF-16 at every system call, so that any
// name the file system holds can be read and written, whatever the code page.
namespace scanmill::platform {
namespace {

namespace fs = std::filesystem;

// The nearest errno for a Win32 error, so that the engine tells failures
// apart in the same terms on every system.
int errnoFor(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_CURRENT_DIRECTORY:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EBUSY;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_NO_UNICODE_TRANSLATION:
        return EILSEQ;
    default:
        return EIO;
    }
}

// The Win32 code of the last failure whose errno came straight from it, so
// that the error can be shown in Windows' own number and words.
struct Failure {
    int errnoValue = 0;
    DWORD code = ERROR_SUCCESS;
};
thread_local Failure lastFailure;

void failWith(DWORD code) {
    errno = errnoFor(code);
    lastFailure = {errno, code};
}

// The Win32 code that says what errno does, for a failure the platform named
// itself after a closer look, or that the C library set.
DWORD codeFor(int number) {
    switch (number) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
        return ERROR_ACCESS_DENIED;
    case EBUSY:
        return ERROR_SHARING_VIOLATION;
    case EROFS:
        return ERROR_WRITE_PROTECT;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    case ENOTDIR:
        return ERROR_DIRECTORY;
    case EISDIR:
        return 336; // ERROR_DIRECTORY_NOT_SUPPORTED, which MinGW's headers lack
    case ENOSPC:
        return ERROR_DISK_FULL;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EXDEV:
        return ERROR_NOT_SAME_DEVICE;
    case EMFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case EILSEQ:
        return ERROR_NO_UNICODE_TRANSLATION;
    case EPIPE:
        return ERROR_BROKEN_PIPE;
    default:
        return ERROR_SUCCESS;
    }
}

bool isDirectory(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != 0 &&
           (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool exists(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) != 0;
}

std::wstring parentOf(const std::wstring& path) {
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Windows reports a directory as "access denied" and a file standing where a
// directory should be as "path not found"; POSIX names each for what it is.
void setErrnoForFailureOn(const std::wstring& path) {
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED && isDirectory(path)) {
        errno = EISDIR;
    } else if (error == ERROR_PATH_NOT_FOUND && exists(parentOf(path)) &&
               !isDirectory(parentOf(path))) {
        errno = ENOTDIR;
    } else {
        failWith(error);
    }
}

// A stdio stream over an open handle; the stream owns the handle from here on.
std::FILE* streamOver(HANDLE handle, int flags, const char* mode) {
    const int descriptor = _open_osfhandle(reinterpret_cast<std::intptr_t>(handle), flags);
    if (descriptor == -1) {
        CloseHandle(handle);
        errno = EMFILE;
        return nullptr;
    }
    std::FILE* file = _fdopen(descriptor, mode);
    if (file == nullptr) {
        _close(descriptor);
    }
    return file;
}

std::FILE* openStream(const std::string& path, DWORD access, DWORD share, DWORD disposition,
                      DWORD attributes, int flags, const char* mode) {
    std::wstring wide;
    if (!systemPath(path, wide)) {
        return nullptr;
    }
    const HANDLE handle =
        CreateFileW(wide.c_str(), access, share, nullptr, disposition, attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        setErrnoForFailureOn(wide);
        return nullptr;
    }
    return streamOver(handle, flags, mode);
}

std::optional<FileStatus> statusOf(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (handle == INVALID_HANDLE_VALUE || GetFileInformationByHandle(handle, &information) == 0) {
        return std::nullopt;
    }
    const auto joined = [](DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; };
    const DWORD attributes = information.dwFileAttributes;
    const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return FileStatus{{information.dwVolumeSerialNumber,
                       joined(information.nFileIndexHigh, information.nFileIndexLow)},
                      static_cast<std::int64_t>(joined(information.ftLastWriteTime.dwHighDateTime,
                                                       information.ftLastWriteTime.dwLowDateTime)),
                      joined(information.nFileSizeHigh, information.nFileSizeLow),
                      !directory && GetFileType(handle) == FILE_TYPE_DISK,
                      !directory && (attributes & FILE_ATTRIBUTE_READONLY) != 0,
                      directory};
}

} // namespace

void setErrnoFromLastError() {
    failWith(GetLastError());
}

ShownError shownError(int number) {
    const DWORD code = lastFailure.errnoValue == number ? lastFailure.code : codeFor(number);
    wchar_t* words = nullptr;
    const DWORD length =
        code == ERROR_SUCCESS
            ? 0
            : FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&words), 0, nullptr);
    if (length == 0) {
        return {number, std::generic_category().message(number)};
    }
    std::wstring_view text(words, length);
    while (!text.empty() && std::iswspace(text.back()) != 0) {
        text.remove_suffix(1);
    }
    ShownError shown{static_cast<int>(code), toUtf8(text)};
    LocalFree(words);
    return shown;
}

std::FILE* openForReading(const std::string& path) {
    // Others may read, replace or remove the file meanwhile, as on POSIX.
    return openStream(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, _O_RDONLY | _O_BINARY, "rb");
}

std::FILE* createTemporaryFile(const std::string& path, const std::string&) {
    // The read-only attribute, the one permission Windows keeps in a file,
    // never reaches here: such a file is not replaced. Deleting is shared, so
    // that an interrupted run can remove the temporary while it is written.
    return openStream(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, CREATE_NEW,
                      FILE_ATTRIBUTE_HIDDEN, _O_WRONLY | _O_BINARY, "wb");
}

void markProgramRunning() {
    // Never closed: the system closes it as the process ends.
    CreateMutexW(nullptr, FALSE, L"Scanmill.Running");
}

void ignoreFileSizeSignal() {}

namespace {

// Moves the temporary from onto to, no longer hidden; false, with the cause
// as GetLastError gives it, when it cannot.
bool moveTemporary(const std::string& from, const std::string& to, DWORD flags,
                   std::wstring& wideTo) {
    std::wstring wideFrom;
    if (!systemPath(from, wideFrom) || !systemPath(to, wideTo)) {
        return false;
    }
    SetFileAttributesW(wideFrom.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), flags | MOVEFILE_WRITE_THROUGH) != 0) {
        return true;
    }
    const DWORD error = GetLastError();
    SetFileAttributesW(wideFrom.c_str(), FILE_ATTRIBUTE_HIDDEN); // still a temporary
    SetLastError(error);
    return false;
}

} // namespace

bool replaceByRename(const std::string& from, const std::string& to) {
    std::wstring wideTo;
    if (moveTemporary(from, to, MOVEFILE_REPLACE_EXISTING, wideTo)) {
        return true;
    }
    if (wideTo.empty()) {
        return false; // errno set by the path's conversion
    }
    // A file that another program holds open cannot be replaced on Windows,
    // and Windows reports it as "access denied" though its access is not.
    const DWORD error = GetLastError();
    WIN32_FILE_ATTRIBUTE_DATA target{};
    if ((error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) &&
        GetFileAttributesExW(wideTo.c_str(), GetFileExInfoStandard, &target) != 0 &&
        (target.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0) {
        errno = EBUSY;
    } else {
        SetLastError(error);
        setErrnoForFailureOn(wideTo);
    }
    return false;
}

bool renameWithoutReplacing(const std::string& from, const std::string& to) {
    std::wstring wideTo;
    if (moveTemporary(from, to, 0, wideTo)) {
        return true;
    }
    if (wideTo.empty()) {
        return false;
    }
    // A directory there is reported as "access denied".
    if (exists(wideTo)) {
        errno = EEXIST;
    } else {
        setErrnoForFailureOn(wideTo);
    }
    return false;
}

bool flushToDisk(std::FILE* file) {
    if (FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))) == 0) {
        setErrnoFromLastError();
        return false;
    }
    return true;
}

bool flushDirectoryToDisk(const std::string&) {
    return true; // replaceByRename writes its renames through
}

bool makeDirectory(const std::string& path) {
    std::wstring wide;
    if (!systemPath(path, wide)) {
        return false;
    }
    if (CreateDirectoryW(wide.c_str(), nullptr) == 0) {
        setErrnoForFailureOn(wide);
        return false;
    }
    return true;
}

void removeEmptyDirectory(const std::string& path) {
    std::wstring wide;
    if (systemPath(path, wide)) {
        RemoveDirectoryW(wide.c_str());
    }
}

void removeFile(const std::string& path) {
    std::wstring wide;
    if (systemPath(path, wide)) {
        DeleteFileW(wide.c_str());
    }
}

bool ignoresCase(const std::string&) {
    return true;
}

bool mayCreateFilesIn(const std::string& directory) {
    std::wstring wide;
    if (!toWide(directory, wide)) {
        return false;
    }
    // Windows keeps a folder's read-only attribute for the shell; only a
    // missing folder is known to refuse a new file before one is tried.
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        errno = ENOENT;
        return false;
    }
    return true;
}

const std::int64_t fileTimeTicksPerSecond = 10'000'000;

std::int64_t fileTimeNow() {
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    return static_cast<std::int64_t>((std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime);
}

std::optional<FileStatus> fileStatus(const std::string& path) {
    std::wstring wide;
    if (!systemPath(path, wide)) {
        return std::nullopt;
    }
    // No access asked for: a file held open by another program still answers.
    const HANDLE handle =
        CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<FileStatus> status = statusOf(handle);
    CloseHandle(handle);
    return status;
}

std::optional<FileStatus> openedFileStatus(std::FILE* file) {
    return statusOf(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))));
}

std::optional<std::vector<DirectoryEntry>> listDirectory(const std::string& path) {
    std::wstring pattern;
    if (!systemPath(path, pattern)) {
        return std::nullopt;
    }
    pattern += pattern.ends_with(L'\\') ? L"*" : L"\\*";
    WIN32_FIND_DATAW found{};
    const HANDLE listing = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                            FindExSearchNameMatch, nullptr, 0);
    std::vector<DirectoryEntry> entries;
    if (listing == INVALID_HANDLE_VALUE) {
        // The root of a drive lists nothing, not even ".", when it is empty.
        if (GetLastError() == ERROR_FILE_NOT_FOUND) {
            return entries;
        }
        setErrnoForFailureOn(pattern.substr(0, pattern.size() - 2));
        return std::nullopt;
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const DWORD attributes = found.dwFileAttributes;
        // Junctions as symbolic links: neither is followed by a walk.
        const bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                          (found.dwReserved0 == IO_REPARSE_TAG_SYMLINK ||
                           found.dwReserved0 == IO_REPARSE_TAG_MOUNT_POINT);
        entries.push_back(
            {toUtf8(name), link                                           ? EntryKind::SymbolicLink
                           : (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::Directory
                           : (attributes & FILE_ATTRIBUTE_DEVICE) != 0    ? EntryKind::Other
                                                                       : EntryKind::RegularFile});
    } while (FindNextFileW(listing, &found) != 0);
    const DWORD error = GetLastError();
    FindClose(listing);
    if (error != ERROR_NO_MORE_FILES) {
        errno = errnoFor(error);
        return std::nullopt;
    }
    return entries;
}

} // namespace scanmill::platform

// SPDX-License-Identifier: MIT
// Paths as Windows' wide calls take them: UTF-16, rooted, long paths behind
// "\\?\", and the names Windows refuses or would take for a device.
#include "names.h"
#include "platform.h"
#include "platform_win32.h"
#include "utf16.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <utility>
#include <windows.h>

namespace scanmill {

const char pathSeparator = '\\';
const char pathSeparators[] = "\\/";

} // namespace scanmill

namespace scanmill::platform {
namespace {

namespace fs = std::filesystem;

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// How many bytes of path name no file: a drive ("C:"), a share
// ("\\server\share") or either behind "\\?\".
std::size_t rootLength(std::string_view path) {
    const auto pastNames = [path](std::size_t at, int names) {
        for (; names > 0 && at < path.size(); --names) {
            while (at < path.size() && !isSeparator(path[at])) {
                ++at;
            }
            at += at < path.size() ? 1 : 0;
        }
        return at;
    };
    std::size_t at = 0;
    if (path.starts_with("\\\\?\\") || path.starts_with("\\\\.\\")) {
        at = 4;
        if (path.substr(at, 4) == "UNC\\") {
            return pastNames(at + 4, 2);
        }
    } else if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) {
        return pastNames(2, 2);
    }
    return path.size() >= at + 2 && path[at + 1] == ':' ? at + 2 : at;
}

// The names of path after its root, in order.
std::vector<std::string_view> namesOf(std::string_view path) {
    std::vector<std::string_view> names;
    path.remove_prefix(rootLength(path));
    while (!path.empty()) {
        std::size_t end = 0;
        while (end < path.size() && !isSeparator(path[end])) {
            ++end;
        }
        if (end > 0) {
            names.push_back(path.substr(0, end));
        }
        path.remove_prefix(std::min(end + 1, path.size()));
    }
    return names;
}

// Windows drops a trailing dot or blank from a name, reaching another file.
bool endsInDotOrBlank(std::string_view name) {
    return name != "." && name != ".." && !name.empty() &&
           (name.back() == '.' || name.back() == ' ');
}

// Names of devices, which Windows finds in every directory and with any extension.
bool isDeviceName(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    stem = stem.substr(0, stem.find_last_not_of(' ') + 1);
    for (const std::string_view device : {"con", "prn", "aux", "nul"}) {
        if (equalIgnoringAsciiCase(stem, device)) {
            return true;
        }
    }
    return stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9' &&
           (equalIgnoringAsciiCase(stem.substr(0, 3), "com") ||
            equalIgnoringAsciiCase(stem.substr(0, 3), "lpt"));
}

} // namespace

bool toWide(const std::string& path, std::wstring& wide) {
    std::optional<std::wstring> converted = toUtf16(path, InvalidUtf8::Refuse);
    wide = converted ? std::move(*converted) : std::wstring();
    return converted.has_value();
}

bool systemPath(const std::string& path, std::wstring& wide) {
    const std::vector<std::string_view> names = namesOf(path);
    if (std::any_of(names.begin(), names.end(), endsInDotOrBlank)) {
        errno = EINVAL;
        return false;
    }
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    std::wstring given;
    if (!toWide(path, given)) {
        return false;
    }
    if (given.starts_with(L"\\\\?\\") || given.starts_with(L"\\\\.\\")) {
        wide = std::move(given);
        return true;
    }
    // "..", "." and "/" resolved as Windows resolves them, the working
    // directory and drive put in front.
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) {
            setErrnoFromLastError();
            return false;
        }
        const bool fits = length < full.size();
        full.resize(length);
        if (fits) {
            break;
        }
    }
    // Windows makes "CON.raw" the device "\\.\CON": never a file of the run.
    if (full.starts_with(L"\\\\.\\")) {
        errno = EINVAL;
        return false;
    }
    if (full.starts_with(L"\\\\?\\")) {
        wide = std::move(full);
    } else if (full.starts_with(L"\\\\")) {
        wide = L"\\\\?\\UNC" + full.substr(1);
    } else {
        wide = L"\\\\?\\" + full;
    }
    return true;
}

std::optional<std::wstring> toUtf16(std::string_view text, InvalidUtf8 invalid) {
    if (text.empty()) {
        return std::wstring();
    }
    const DWORD flags = invalid == InvalidUtf8::Refuse ? MB_ERR_INVALID_CHARS : 0;
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, flags, text.data(), size, nullptr, 0);
    if (length == 0) {
        setErrnoFromLastError();
        return std::nullopt;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, flags, text.data(), size, wide.data(), length);
    return wide;
}

std::string toUtf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
    return bytes;
}

std::string forbiddenNameReason(const std::string& path) {
    const std::vector<std::string_view> names = namesOf(path);
    const bool endsWithName = !path.empty() && !isSeparator(path.back()) && !names.empty();
    for (std::size_t index = 0; index < names.size(); ++index) {
        const std::string_view name = names[index];
        const bool last = endsWithName && index + 1 == names.size();
        // A directory is named in the reason: the path may hold many names.
        const std::string which = last ? "a file name" : "a directory name";
        const std::string named = last ? "" : " (" + std::string(name) + ")";
        const bool hasControl = std::any_of(
            name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
        if (hasControl || name.find_first_of("<>:\"|?*") != std::string_view::npos) {
            return "Windows does not allow control characters or any of < > : \" | ? * in " +
                   which + named;
        }
        if (last ? name.back() == '.' || name.back() == ' ' : endsInDotOrBlank(name)) {
            return "Windows does not allow " + which + " that ends in a dot or a blank" + named;
        }
        if (last && isDeviceName(name)) {
            return "Windows reserves this name for a device";
        }
    }
    return {};
}

std::string fileNameKey(const std::string& name) {
    std::wstring wide;
    if (!toWide(name, wide)) {
        return name;
    }
    // Upper case whatever the user's language, as the file system compares names.
    std::wstring upper(wide.size(), L'\0');
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(),
                      static_cast<int>(wide.size()), upper.data(), static_cast<int>(upper.size()),
                      nullptr, nullptr, 0) == 0) {
        return name;
    }
    return fromPath(fs::path(upper));
}

fs::path toPath(const std::string& path) {
    // Never throws: bytes that are not UTF-8 become U+FFFD, a name that the
    // engine's own calls above refuse with EILSEQ.
    return fs::path(toUtf16(path, InvalidUtf8::Replace).value_or(std::wstring()));
}

std::string fromPath(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace scanmill::platform

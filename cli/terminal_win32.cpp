// SPDX-License-Identifier: MIT
#include "terminal.h"

#include "names.h"
#include "utf16.h"

#include <algorithm>
#include <fcntl.h>
#include <io.h>
#include <string_view>
#include <utility>
#include <vector>
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

// The C runtime's own reading of the UTF-16 command line, the one a wmain
// program gets its arguments from; its headers do not declare it.
struct _startupinfo {
    int newmode;
};
extern "C" int __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** environment,
                              int expandWildcards, _startupinfo* startInfo);

namespace scanmill::cli {

void openClosedStandardStreams() {
    for (const int descriptor : {0, 1, 2}) {
        // _open_osfhandle, as the engine opens files, takes the lowest free number.
        if (_get_osfhandle(descriptor) == -1) {
            const int opened = _open("NUL", descriptor == 0 ? _O_RDONLY : _O_WRONLY);
            if (opened >= 0 && opened != descriptor) {
                _dup2(opened, descriptor);
                _close(opened);
            }
        }
    }
}

bool isTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

namespace {

std::wstring wide(const std::string& text) {
    return platform::toUtf16(text, platform::InvalidUtf8::Replace).value_or(std::wstring());
}

// Upper case whatever the user's language, as the file system compares names.
std::wstring upper(const std::wstring& text) {
    std::wstring upper(text.size(), L'\0');
    if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, text.data(),
                      static_cast<int>(text.size()), upper.data(), static_cast<int>(upper.size()),
                      nullptr, nullptr, 0) == 0) {
        return text;
    }
    return upper;
}

// Whether name matches pattern, "*" any run of characters, "?" any one.
bool matches(std::wstring_view pattern, std::wstring_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::wstring_view::npos;
    std::size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt != std::wstring_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') {
        ++p;
    }
    return p == pattern.size();
}

// The names in directory (as typed, with its separator, or empty) that
// pattern matches, sorted into those taken and those left out. The system's
// own matching also tries each 8.3 short name, by which "*.raw" would take
// "x.rawdata" (X~1.RAW): each long name is matched here instead.
ExpandedPaths matchesIn(const std::wstring& directory, const std::wstring& pattern) {
    // "*.*" takes names without a dot too, as everywhere on Windows.
    const std::wstring wanted = upper(pattern == L"*.*" ? std::wstring(L"*") : pattern);
    ExpandedPaths found;
    WIN32_FIND_DATAW entry{};
    const HANDLE search = FindFirstFileExW((directory + L"*").c_str(), FindExInfoBasic, &entry,
                                           FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return found;
    }
    do {
        const std::wstring_view name = entry.cFileName;
        if (name != L"." && name != L".." && matches(wanted, upper(entry.cFileName))) {
            const bool taken = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
                               hasScanExtension(platform::toUtf8(name));
            (taken ? found.paths : found.leftOut)
                .push_back(platform::toUtf8(directory + entry.cFileName));
        }
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    std::sort(found.paths.begin(), found.paths.end());
    std::sort(found.leftOut.begin(), found.leftOut.end());
    return found;
}

} // namespace

std::vector<std::string> programArguments(int, char**) {
    int argc = 0;
    wchar_t** argv = nullptr;
    wchar_t** environment = nullptr;
    _startupinfo startInfo{0};
    __wgetmainargs(&argc, &argv, &environment, 0, &startInfo);
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(platform::toUtf8(argv[i]));
        if (i > 0 && arguments.back().find('"') != std::string::npos) {
            throw ArgumentError(
                "this argument holds a quote (\"), which no Windows name may hold: " +
                arguments.back() +
                "\nA backslash just before a closing quote makes Windows keep that quote and "
                "run on to the next one: leave the backslash out or double it (\"C:\\out "
                "dir\" or \"C:\\out dir\\\\\", not \"C:\\out dir\\\").");
        }
    }
    if (arguments.size() == 2 && arguments[1] == "/?") {
        arguments[1] = "--help"; // Windows' own way to ask for the help
    }
    return arguments;
}

ExpandedPaths expandWildcards(const std::vector<std::string>& paths) {
    ExpandedPaths expanded;
    for (const std::string& path : paths) {
        const std::size_t nameAt = path.find_last_of("\\/:") + 1; // 0 when there is none
        if (path.find_first_of("*?", nameAt) == std::string::npos) {
            expanded.paths.push_back(path);
            continue;
        }
        const ExpandedPaths found =
            matchesIn(wide(path.substr(0, nameAt)), wide(path.substr(nameAt)));
        if (found.paths.empty() && found.leftOut.empty()) {
            throw ArgumentError("no file matches " + path);
        }
        expanded.paths.insert(expanded.paths.end(), found.paths.begin(), found.paths.end());
        expanded.leftOut.insert(expanded.leftOut.end(), found.leftOut.begin(), found.leftOut.end());
    }
    return expanded;
}

namespace {

// The file name of the program that started this one; "" when it is gone.
std::wstring parentProgram() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::vector<PROCESSENTRY32W> processes;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more != 0;
         more = Process32NextW(snapshot, &entry)) {
        processes.push_back(entry);
    }
    CloseHandle(snapshot);
    const auto with = [&](DWORD id) {
        return std::find_if(processes.begin(), processes.end(),
                            [id](const PROCESSENTRY32W& p) { return p.th32ProcessID == id; });
    };
    const auto self = with(GetCurrentProcessId());
    const auto parent = self == processes.end() ? self : with(self->th32ParentProcessID);
    return parent == processes.end() ? std::wstring() : std::wstring(parent->szExeFile);
}

} // namespace

bool explainedOutsideAConsole() {
    DWORD processes[2];
    // A command prompt shares its console with the program.
    if (GetConsoleProcessList(processes, 2) != 1 || upper(parentProgram()) != L"EXPLORER.EXE") {
        return false;
    }
    MessageBoxW(GetConsoleWindow(),
                L"scanmill-convert is a command-line program: it converts the scans named "
                L"after it on a command line.\n\n"
                L"Open \"Scanmill command prompt\" in the Start menu and type "
                L"scanmill-convert /? to see how to use it.\n\n"
                L"To convert scans in a window, start Scanmill.",
                L"scanmill-convert", MB_OK | MB_ICONINFORMATION);
    return true;
}

void writeText(std::FILE* stream, std::string_view text) {
    const auto console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    if (GetConsoleMode(console, &mode) == 0) {
        std::fwrite(text.data(), 1, text.size(), stream);
        return;
    }
    std::fflush(stream); // what went before, first
    const std::wstring characters = wide(std::string(text));
    DWORD written = 0;
    WriteConsoleW(console, characters.data(), static_cast<DWORD>(characters.size()), &written,
                  nullptr);
}

} // namespace scanmill::cli

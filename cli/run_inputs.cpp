// SPDX-License-Identifier: MIT
#include "run_inputs.h"

#include "file_error.h"
#include "platform.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <string_view>

namespace scanmill::cli {
namespace {

namespace fs = std::filesystem;

// name in directory, as the path library joins them: a separator between,
// unless the directory is empty or ends with one. Strings, not paths, since
// an archive's every file passes here.
std::string joined(const std::string& directory, const std::string& name) {
    if (directory.empty() ||
        std::string_view(pathSeparators).find(directory.back()) != std::string_view::npos) {
        return directory + name;
    }
    return directory + pathSeparator + name;
}

bool isDirectory(const std::string& path) {
    const std::optional<platform::FileStatus> status = platform::fileStatus(path);
    return status && status->directory;
}

struct Finder {
    bool recursive;
    std::string_view extension;
    NameRule rule;
    std::optional<platform::FileIdentity>
        outputTree; // when it exists, so that it may lie in a walked tree
    RunInputs found;

    void addFile(std::string input, const std::string& name, const std::string& outputDir,
                 bool inDirectory) {
        found.conversions.push_back(
            {std::move(input), joined(outputDir, outputNameFor(name, extension, rule))});
        found.foundInDirectory.push_back(inDirectory);
    }

    // Why a .raw found in a listing cannot be converted, or "" when it can.
    static std::string unreadableReason(const std::string& path, platform::EntryKind kind) {
        // Windows would read a device or another file under such a name.
        if (std::string reason = platform::forbiddenNameReason(path); !reason.empty()) {
            return reason;
        }
        // A link to a scan is that scan.
        const std::optional<platform::FileStatus> target =
            kind == platform::EntryKind::SymbolicLink ? platform::fileStatus(path) : std::nullopt;
        // A pipe or a device would be waited on or read for ever.
        const bool regular =
            kind == platform::EntryKind::RegularFile || (target && target->regular);
        return regular ? "" : "not a regular file; not converted";
    }

    // The directory's .raw files, then its subdirectories, each in byte order;
    // a .raw that cannot be read is named with the reason.
    void addDirectory(const std::string& directory, const std::string& outputDir) {
        errno = 0;
        std::optional<std::vector<platform::DirectoryEntry>> entries =
            platform::listDirectory(directory);
        if (!entries) {
            // Named as a directory, not as a file.
            const std::string reason = platform::forbiddenNameReason(joined(directory, ""));
            found.failures.push_back(reason.empty() ? systemError(directory, lastErrorNumber())
                                                    : FileError(EINVAL, directory + ": " + reason));
            return;
        }
        std::sort(entries->begin(), entries->end(),
                  [](const auto& a, const auto& b) { return a.name < b.name; });
        std::vector<std::string> files;
        std::vector<std::string> subdirectories;
        for (const platform::DirectoryEntry& entry : *entries) {
            if (entry.kind == platform::EntryKind::Directory) {
                subdirectories.push_back(entry.name);
            } else if (hasScanExtension(entry.name)) {
                const std::string path = joined(directory, entry.name);
                if (const std::string reason = unreadableReason(path, entry.kind);
                    !reason.empty()) {
                    found.failures.emplace_back(EINVAL, path + ": " + reason);
                } else {
                    files.push_back(entry.name);
                }
            }
        }
        for (const std::string& name : files) {
            addFile(joined(directory, name), name, outputDir, true);
        }
        if (!recursive) {
            return;
        }
        for (const std::string& name : subdirectories) {
            const std::string sub = joined(directory, name);
            if (!outputTree || platform::fileIdentity(sub) != outputTree) {
                addDirectory(sub, joined(outputDir, name));
            }
        }
    }
};

} // namespace

RunInputs findRunInputs(const std::vector<std::string>& paths, const std::string& outputDirectory,
                        bool recursive, std::string_view extension, NameRule rule) {
    Finder finder{recursive, extension, rule, std::nullopt, {}};
    if (recursive && !outputDirectory.empty() && isDirectory(outputDirectory)) {
        finder.outputTree = platform::fileIdentity(outputDirectory);
    }
    for (const std::string& path : paths) {
        if (isDirectory(path)) {
            const std::size_t found = finder.found.conversions.size();
            const std::size_t failed = finder.found.failures.size();
            finder.addDirectory(path, outputDirectory.empty() ? path : outputDirectory);
            if (finder.found.conversions.size() == found &&
                finder.found.failures.size() == failed) {
                finder.found.notes.push_back(path + (recursive
                                                         ? ": no .raw files in it or below"
                                                         : ": no .raw files in this directory"));
            }
        } else {
            // A missing file is reported when the batch fails to read it.
            const fs::path input = platform::toPath(path);
            finder.addFile(path, platform::fromPath(input.filename()),
                           outputDirectory.empty() ? platform::fromPath(input.parent_path())
                                                   : outputDirectory,
                           false);
        }
    }
    return std::move(finder.found);
}

} // namespace scanmill::cli

// SPDX-License-Identifier: MIT
#include "run_inputs.h"

#include "platform.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

namespace scanmill::cli {
namespace {

namespace fs = std::filesystem;

FileError failureOf(const fs::path& path, const std::error_code& error) {
    return systemError(platform::fromPath(path), error.default_error_condition().value());
}

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

struct Finder {
    bool recursive;
    OutputFormat format;
    NameRule rule;
    std::optional<fs::path> outputTree; // when it exists, so that it may lie in a walked tree
    RunInputs found;

    void addFile(std::string input, const std::string& name, const std::string& outputDir,
                 bool inDirectory) {
        found.conversions.push_back(
            {std::move(input), joined(outputDir, outputNameFor(name, format, rule))});
        found.foundInDirectory.push_back(inDirectory);
    }

    // The directory's .raw files, then its subdirectories, each in byte order.
    void addDirectory(const std::string& directory, const std::string& outputDir) {
        std::vector<std::string> files;
        std::vector<std::string> subdirectories;
        std::error_code error;
        for (fs::directory_iterator it(platform::toPath(directory), error), end;
             !error && it != end; it.increment(error)) {
            const std::string name = platform::fromPath(it->path().filename());
            std::error_code ignored;
            if (!it->is_symlink(ignored) && it->is_directory(ignored)) {
                subdirectories.push_back(name);
            } else if (hasScanExtension(name) && it->is_regular_file(ignored)) {
                files.push_back(name);
            } else if (hasScanExtension(name)) {
                // A pipe or a device would be waited on or read for ever.
                found.failures.emplace_back(EINVAL, joined(directory, name) +
                                                        ": not a regular file; not converted");
            }
        }
        if (error) {
            found.failures.push_back(failureOf(platform::toPath(directory), error));
            return;
        }
        std::sort(files.begin(), files.end());
        for (const std::string& name : files) {
            addFile(joined(directory, name), name, outputDir, true);
        }
        if (!recursive) {
            return;
        }
        std::sort(subdirectories.begin(), subdirectories.end());
        for (const std::string& name : subdirectories) {
            const std::string sub = joined(directory, name);
            std::error_code ignored;
            if (!outputTree || !fs::equivalent(platform::toPath(sub), *outputTree, ignored)) {
                addDirectory(sub, joined(outputDir, name));
            }
        }
    }
};

} // namespace

RunInputs findRunInputs(const std::vector<std::string>& paths, const std::string& outputDirectory,
                        bool recursive, OutputFormat format, NameRule rule) {
    const fs::path output = platform::toPath(outputDirectory);
    Finder finder{recursive, format, rule, std::nullopt, {}};
    std::error_code ignored;
    if (recursive && !outputDirectory.empty() && fs::is_directory(output, ignored)) {
        finder.outputTree = output;
    }
    for (const std::string& path : paths) {
        const fs::path input = platform::toPath(path);
        if (fs::is_directory(input, ignored)) {
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
            finder.addFile(path, platform::fromPath(input.filename()),
                           outputDirectory.empty() ? platform::fromPath(input.parent_path())
                                                   : outputDirectory,
                           false);
        }
    }
    return std::move(finder.found);
}

} // namespace scanmill::cli

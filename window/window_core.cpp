// SPDX-License-Identifier: MIT
#include "window_core.h"

#include "batch.h"
#include "names.h"
#include "platform.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <set>
#include <string_view>
#include <system_error>
#include <tuple>

namespace scanmill {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t selectionSize = std::tuple_size_v<decltype(FileSelection::fileNames)>;

bool isDirectory(const std::string& path) {
    std::error_code error;
    return fs::is_directory(platform::toPath(path), error);
}

// Of the paths dropped or named on the command line, those the input Browse
// offers, made absolute: names ending in ".raw", in any case, that are not
// directories. The order stays.
std::vector<std::string> scanPaths(const std::vector<std::string>& paths) {
    std::vector<std::string> scans;
    for (const std::string& path : paths)
        if (hasScanExtension(path))
            if (std::string absolute = absolutePath(path); !isDirectory(absolute))
                scans.push_back(std::move(absolute));
    return scans;
}

std::size_t directoryCount(const std::vector<std::string>& paths) {
    std::set<std::string> directories;
    for (const std::string& path : paths)
        directories.insert(
            platform::fileNameKey(platform::fromPath(platform::toPath(path).parent_path())));
    return directories.size();
}

WindowUpdate message(std::string text) {
    WindowUpdate update;
    update.message = std::move(text);
    return update;
}

} // namespace

WindowUpdate WindowCore::filesChosen(const std::string& dialogValue) {
    return take(parseFileDialogValue(dialogValue));
}

WindowUpdate WindowCore::inputDialogFailed(int number, const std::string& description) {
    if (number == fileDialog::cancelError)
        return {};
    return message("Error " + std::to_string(number) + " selecting files.\n" + description);
}

WindowUpdate WindowCore::filesOpened(const std::vector<std::string>& paths) {
    const std::vector<std::string> scans = scanPaths(paths);
    if (scans.empty())
        return {};
    if (const std::size_t directories = directoryCount(scans); directories > 1)
        return message("The files lie in " + std::to_string(directories) +
                       " directories, but Scanmill converts files from one directory at a "
                       "time.\nThe selection stays as it was.");
    return take(parseFileDialogValue(fileDialogValue(scans)));
}

WindowUpdate WindowCore::take(const ChosenFiles& chosen) {
    if (chosen.names.size() > selectionSize)
        return message(std::to_string(chosen.names.size()) +
                       " files were selected, but Scanmill converts at most " +
                       std::to_string(selectionSize) +
                       " at a time.\nThe selection stays as it was.");
    WindowUpdate update;
    // An output directory that Convert took from the input directory would
    // send another directory's scans over the first one's outputs.
    if (outputFollowsInput_ && chosen.directory != selection_.inputDirectory) {
        selection_.outputDirectory.clear();
        outputFollowsInput_ = false;
        update.outputBox = noOutputText;
    }
    selection_.inputDirectory = chosen.directory;
    std::copy(chosen.names.begin(), chosen.names.end(), selection_.fileNames.begin());
    selection_.fileCount = static_cast<std::int16_t>(chosen.names.size());
    update.inputBox = chosen.display;
    return update;
}

WindowUpdate WindowCore::outputDirectoryChosen(const std::string& directory) {
    selection_.outputDirectory = directoryWithSeparator(absolutePath(directory));
    outputFollowsInput_ = false;
    WindowUpdate update;
    update.outputBox = selection_.outputDirectory;
    return update;
}

DropTarget WindowCore::dropTarget(const std::vector<std::string>& paths, bool onOutputFrame) const {
    if (onOutputFrame && paths.size() == 1 && isDirectory(paths.front()))
        return DropTarget::OutputDirectory;
    return scanPaths(paths).empty() ? DropTarget::Nothing : DropTarget::InputFiles;
}

WindowUpdate WindowCore::dropped(const std::vector<std::string>& paths, bool onOutputFrame) {
    switch (dropTarget(paths, onOutputFrame)) {
    case DropTarget::OutputDirectory:
        return outputDirectoryChosen(paths.front());
    case DropTarget::InputFiles:
        return filesOpened(paths);
    case DropTarget::Nothing:
        break;
    }
    return {};
}

WindowUpdate WindowCore::convert(OutputFormat format) {
    const std::string outputDirectory = selection_.outputDirectory;
    const std::size_t linesBefore = log_.lines().size();
    WindowUpdate update;
    try {
        convertSelection(selection_, format, log_);
    } catch (const FileError& error) {
        update.message = "Error " + std::to_string(error.number()) + " converting files.\n" +
                         error.description();
    }
    update.statusLines.assign(log_.lines().begin() + static_cast<std::ptrdiff_t>(linesBefore),
                              log_.lines().end());
    if (selection_.outputDirectory != outputDirectory) {
        outputFollowsInput_ = true;
        update.outputBox = selection_.outputDirectory;
    }
    return update;
}

} // namespace scanmill

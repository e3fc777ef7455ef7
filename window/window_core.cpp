// SPDX-License-Identifier: MIT
#include "window_core.h"

#include "names.h"
#include "output_policy.h"
#include "platform.h"
#include "rigaku_reader.h"
#include "shown_text.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <iterator>
#include <set>
#include <system_error>
#include <utility>

namespace scanmill {

namespace {

namespace fs = std::filesystem;

bool isDirectory(const std::string& path) {
    std::error_code error;
    return fs::is_directory(platform::toPath(path), error);
}

// The scans a directory holds, as the input Browse would offer them: its
// files (links to files too) ending in ".raw", in any case, by name.
std::vector<std::string> scansIn(const std::string& directory) {
    std::vector<std::string> scans;
    for (const platform::DirectoryEntry& entry :
         platform::listDirectory(directory).value_or(std::vector<platform::DirectoryEntry>())) {
        const bool file = entry.kind == platform::EntryKind::RegularFile ||
                          entry.kind == platform::EntryKind::SymbolicLink;
        if (file && hasScanExtension(entry.name)) {
            scans.push_back(
                platform::fromPath(platform::toPath(directory) / platform::toPath(entry.name)));
        }
    }
    std::sort(scans.begin(), scans.end());
    return scans;
}

// Of the paths dropped or named on the command line, those the input Browse
// offers, made absolute: names ending in ".raw", in any case, that are not
// directories. The order stays.
std::vector<std::string> scanPaths(const std::vector<std::string>& paths) {
    std::vector<std::string> scans;
    for (const std::string& path : paths) {
        if (hasScanExtension(path)) {
            if (std::string absolute = absolutePath(path); !isDirectory(absolute)) {
                scans.push_back(std::move(absolute));
            }
        }
    }
    return scans;
}

std::size_t directoryCount(const std::vector<std::string>& paths) {
    std::set<std::string> directories;
    for (const std::string& path : paths) {
        directories.insert(
            platform::fileNameKey(platform::fromPath(platform::toPath(path).parent_path())));
    }
    return directories.size();
}

// Names the files one by one, up to filesNamed, the rest counted: "a, b
// and c", "a, b and 3 more".
std::string namesText(const std::vector<std::string>& names) {
    std::string text;
    const std::size_t named = names.size() > filesNamed ? filesNamed : names.size();
    for (std::size_t i = 0; i < named; ++i) {
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + escapeControls(names[i]);
    }
    if (named < names.size()) {
        text += " and " + std::to_string(names.size() - named) + " more";
    }
    return text;
}

// A line for each output that may hold another scan, then the whole names
// that would be written instead.
ConvertQuestion convertQuestion(const std::vector<OutputClash>& clashes,
                                const std::vector<OutputReplaced>& replaced,
                                std::string_view extension) {
    std::vector<std::string> lines;
    std::vector<std::string> wholeNames;
    for (const OutputClash& clash : clashes) {
        lines.push_back(escapeControls(clash.outputName) + ": " + namesText(clash.inputNames) +
                        (clash.inputNames.size() == 2 ? " would both" : " would all") +
                        " be written to it");
        for (const std::string& input : clash.inputNames) {
            wholeNames.push_back(outputNameFor(input, extension, NameRule::KeepDots));
        }
    }
    for (const OutputReplaced& output : replaced) {
        lines.push_back(escapeControls(output.outputName) + " exists; " +
                        escapeControls(output.inputName) + " would replace it");
        wholeNames.push_back(outputNameFor(output.inputName, extension, NameRule::KeepDots));
    }
    std::string text = "These outputs may hold other scans:\n";
    for (std::size_t i = 0; i < lines.size() && i < filesNamed; ++i) {
        text += lines[i] + "\n";
    }
    if (lines.size() > filesNamed) {
        text += "and " + std::to_string(lines.size() - filesNamed) + " more\n";
    }
    text += "Whole names would write " + namesText(wholeNames) + " instead.";
    return {std::move(text), clashes.empty()};
}

// The scan of a status line's input as it is now, or why it cannot be read:
// in words, without the error numbers of the message boxes of Convert, as
// the descriptions name the file and the cause already.
PreviewOpening previewOf(const ConvertedInput& input) {
    PreviewOpening opening;
    const std::optional<platform::FileStatus> now = platform::fileStatus(input.path);
    if (!now) {
        opening.message =
            "The scan " + escapeControls(input.path) + " has gone since it was converted.";
        return opening;
    }
    if (!now->regular) {
        opening.message =
            escapeControls(input.path) + (now->directory ? ": is a directory, not a scan"
                                                         : ": is not a regular file, not a scan");
        return opening;
    }
    ScanPreview preview;
    std::optional<platform::FileStatus> opened;
    try {
        preview.scan = readRigakuRaw(input.path, opened);
    } catch (const FileError& error) {
        opening.message = escapeControls(error.description());
        return opening;
    }
    preview.sourceName = platform::fromPath(platform::toPath(input.path).filename());
    preview.tube = input.tube;
    // Where the system cannot tell, no change is claimed.
    preview.changed = opened && input.status && changedSince(*input.status, opened);
    opening.scans.push_back(std::move(preview));
    return opening;
}

WindowUpdate message(std::string text) {
    WindowUpdate update;
    update.message = std::move(text);
    return update;
}

} // namespace

WindowUpdate WindowCore::inputDialogFailed(int number, const std::string& description) {
    if (number == fileDialog::cancelError) {
        return {};
    }
    return message("Error " + std::to_string(number) + " selecting files.\n" + description);
}

WindowUpdate WindowCore::filesOpened(const std::vector<std::string>& paths) {
    const std::vector<std::string> scans = scanPaths(paths);
    if (scans.empty()) {
        return {};
    }
    if (const std::size_t directories = directoryCount(scans); directories > 1) {
        return message("The files lie in " + std::to_string(directories) +
                       " directories, but Scanmill converts files from one directory at a "
                       "time.\nThe selection stays as it was.");
    }
    return filesChosen(chosenTogether(scans));
}

WindowUpdate WindowCore::commandLine(const std::vector<std::string>& arguments) {
    std::vector<std::string> files;
    std::optional<std::string> tubeName;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--anode" && i + 1 < arguments.size()) {
            tubeName = arguments[++i];
        } else if (arguments[i].starts_with("--anode=")) {
            tubeName = arguments[i].substr(8);
        } else {
            files.push_back(arguments[i]);
        }
    }
    WindowUpdate update = filesOpened(files);
    if (!tubeName) {
        return update;
    }
    if (const std::optional<Anode> tube = anodeNamed(*tubeName)) {
        update.tube = tube;
        return update;
    }
    std::vector<std::string> choices;
    for (const Anode anode : anodes) {
        choices.emplace_back(anodeName(anode));
    }
    update.message = (update.message ? *update.message + "\n" : std::string()) + "--anode " +
                     escapeControls(*tubeName) + ": no such tube; the tubes are " +
                     namesText(choices) + ".\nThe tube stays " + std::string(anodeName(anodes[0])) +
                     ".";
    return update;
}

WindowUpdate WindowCore::filesChosen(const ChosenFiles& chosen) {
    if (chosen.names.size() > maxSelectedFiles) {
        return message(std::to_string(chosen.names.size()) +
                       " files were selected, but Scanmill converts at most " +
                       std::to_string(maxSelectedFiles) +
                       " at a time.\nThe selection stays as it was.");
    }
    WindowUpdate update;
    // An output directory that Convert took from the input directory would
    // send another directory's scans over the first one's outputs.
    if (outputFollowsInput_ && chosen.directory != selection_.inputDirectory) {
        selection_.outputDirectory.clear();
        outputFollowsInput_ = false;
        update.outputBox = noOutputText;
    }
    selection_.inputDirectory = chosen.directory;
    selection_.fileNames = chosen.names;
    update.inputBox = escapeControls(
        chosen.names.size() == 1 ? chosen.directory + chosen.names.front()
                                 : chosen.directory + " . . .  " +
                                       std::to_string(chosen.names.size()) + " files selected");
    return update;
}

WindowUpdate WindowCore::outputDirectoryChosen(const std::string& directory) {
    selection_.outputDirectory = directoryWithSeparator(absolutePath(directory));
    outputFollowsInput_ = false;
    WindowUpdate update;
    update.outputBox = escapeControls(selection_.outputDirectory);
    return update;
}

DropTarget WindowCore::dropTarget(const std::vector<std::string>& paths, bool onOutputFrame) const {
    if (onOutputFrame && paths.size() == 1 && isDirectory(paths.front())) {
        return DropTarget::OutputDirectory;
    }
    const bool anyDirectory = std::any_of(paths.begin(), paths.end(), isDirectory);
    return anyDirectory || !scanPaths(paths).empty() ? DropTarget::InputFiles : DropTarget::Nothing;
}

WindowUpdate WindowCore::dropped(const std::vector<std::string>& paths, bool onOutputFrame) {
    switch (dropTarget(paths, onOutputFrame)) {
    case DropTarget::OutputDirectory:
        return outputDirectoryChosen(paths.front());
    case DropTarget::InputFiles:
        break;
    case DropTarget::Nothing:
        return {};
    }
    // A directory stands for its scans, as in a listing; a dropped file
    // that is no scan is named, not left out without a word.
    std::vector<std::string> scans;
    std::vector<std::string> leftOut;
    for (const std::string& path : paths) {
        if (isDirectory(path)) {
            const std::vector<std::string> found = scansIn(path);
            scans.insert(scans.end(), found.begin(), found.end());
        } else if (hasScanExtension(path)) {
            scans.push_back(path);
        } else {
            leftOut.push_back(platform::fromPath(platform::toPath(path).filename()));
        }
    }
    WindowUpdate update = filesOpened(scans);
    if (scans.empty() && leftOut.empty()) {
        update.message =
            "The dropped directory holds no .raw scans.\nThe selection stays as it was.";
    }
    if (!leftOut.empty()) {
        update.message =
            std::to_string(leftOut.size()) +
            (leftOut.size() == 1 ? " dropped file is not a .raw scan and was left out: "
                                 : " dropped files are not .raw scans and were left out: ") +
            namesText(leftOut) + (update.message ? "\n" + *update.message : "");
    }
    return update;
}

WindowUpdate WindowCore::convert(OutputFormat format, Anode tube) {
    asked_.reset();
    return press(format, tube, NameRule::FirstDot, true);
}

WindowUpdate WindowCore::questionAnswered(ConvertAnswer answer) {
    const auto asked = std::exchange(asked_, std::nullopt);
    if (answer == ConvertAnswer::Cancel || !asked) {
        return {};
    }
    return press(asked->first, asked->second,
                 answer == ConvertAnswer::WholeNames ? NameRule::KeepDots : NameRule::FirstDot,
                 false);
}

WindowUpdate WindowCore::press(OutputFormat format, Anode tube, NameRule rule, bool mayAsk) {
    WindowUpdate update;
    if (selection_.inputDirectory.empty()) {
        log_.append("No files have been selected.");
        return update;
    }
    const ConvertPress press(selection_, engineWriter(format, tube), rule, tube);
    if (mayAsk) {
        const std::vector<OutputClash> clashes = press.clashesWholeNamesSeparate();
        const std::vector<OutputReplaced> replaced = press.outputsOfOtherScans();
        if (!clashes.empty() || !replaced.empty()) {
            asked_ = {format, tube};
            update.question = convertQuestion(clashes, replaced, formatNames(format).extension);
            return update;
        }
    }
    if (selection_.outputDirectory != press.outputDirectory()) {
        selection_.outputDirectory = press.outputDirectory();
        outputFollowsInput_ = true;
        update.outputBox = escapeControls(selection_.outputDirectory);
    }
    try {
        press.run(log_);
    } catch (const FileError& error) {
        update.message = "Error " + std::to_string(error.number()) + " converting files.\n" +
                         escapeControls(error.description());
        const auto* stopped = dynamic_cast<const BatchStopped*>(&error);
        if (stopped != nullptr && stopped->filesLeft() > 0) {
            *update.message += "\n" + std::to_string(stopped->filesLeft()) +
                               (stopped->filesLeft() == 1 ? " more file of this press was"
                                                          : " more files of this press were") +
                               " not converted.";
        }
    }
    return update;
}

std::string WindowCore::statusLine(std::size_t row) const {
    return escapeControls(log_.lines().at(row));
}

PreviewOpening WindowCore::openPreview(const std::vector<std::size_t>& rows) const {
    PreviewOpening opening;
    std::vector<const ConvertedInput*> inputs;
    for (const std::size_t row : rows) {
        if (row < log_.inputs().size() && !log_.inputs()[row].path.empty()) {
            inputs.push_back(&log_.inputs()[row]);
        }
    }
    if (inputs.size() > mostOverlaidScans) {
        opening.message = std::to_string(inputs.size()) + " scans are selected; a preview shows " +
                          std::to_string(mostOverlaidScans) + " at most.";
        return opening;
    }
    // The scans that can be read are shown all the same; one message
    // names the others.
    for (const ConvertedInput* input : inputs) {
        PreviewOpening one = previewOf(*input);
        std::move(one.scans.begin(), one.scans.end(), std::back_inserter(opening.scans));
        if (one.message) {
            opening.message = (opening.message ? *opening.message + "\n" : "") + *one.message;
        }
    }
    return opening;
}

} // namespace scanmill

#include "batch.h"

#include "ascii_writer.h"
#include "bruker_writer.h"
#include "platform.h"
#include "rigaku_reader.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <system_error>

namespace scanmill {
namespace {

// What differs between the two formats; the loop below is the same for both.
struct FormatRule {
    void (*write)(const ScanRecord&, const std::string&);
    const char* statusWords;
};

FormatRule ruleFor(OutputFormat format) {
    if (format == OutputFormat::TwoColumnAscii) {
        return {writeTwoColumnAscii, "     converted to 2-column ASCII file     "};
    }
    return {writeBrukerRaw, "     converted to Bruker-AXS Diffrac Plus file     "};
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ignored;
    return std::filesystem::equivalent(platform::toPath(a), platform::toPath(b), ignored);
}

// Refuses a selection in which two names map to one output name: the second
// file would silently replace the first one's result.
void refuseOutputClashes(const FileSelection& selection, int count, OutputFormat format) {
    std::map<std::string, const std::string*> firstInputFor;
    for (int index = 0; index < count; ++index) {
        const std::string& inputName = selection.fileNames[index];
        const auto [entry, isNew] =
            firstInputFor.emplace(outputNameFor(inputName, format), &inputName);
        if (!isNew) {
            throw FileError(EEXIST, selection.outputDirectory + entry->first + ": " +
                                        *entry->second + " and " + inputName +
                                        " would both be written to this file");
        }
    }
}

} // namespace

std::string outputNameFor(const std::string& inputName, OutputFormat format) {
    const auto dot = inputName.find('.');
    const std::string base = inputName.substr(0, dot);
    if (format == OutputFormat::TwoColumnAscii) {
        return base + ".dat";
    }
    return base + "_b.raw";
}

void convertSelection(FileSelection& selection, OutputFormat format, StatusLog& log) {
    if (selection.inputDirectory.empty()) {
        log.append("No files have been selected.");
        return;
    }
    if (selection.outputDirectory.empty()) {
        selection.outputDirectory = selection.inputDirectory;
    }
    const FormatRule rule = ruleFor(format);
    const int count = std::clamp<int>(selection.fileCount, 0, selection.fileNames.size());
    refuseOutputClashes(selection, count, format);
    for (int index = 0; index < count; ++index) {
        const std::string& inputName = selection.fileNames[index];
        const std::string inputPath = selection.inputDirectory + inputName;
        const ScanRecord scan = readRigakuRaw(inputPath);

        const std::string outputName = outputNameFor(inputName, format);
        const std::string outputPath = selection.outputDirectory + outputName;
        if (sameFile(inputPath, outputPath)) {
            throw FileError(EEXIST, outputPath + ": output would replace its own input file");
        }
        rule.write(scan, outputPath);
        log.append(inputName + rule.statusWords + outputName);
    }
}

} // namespace scanmill

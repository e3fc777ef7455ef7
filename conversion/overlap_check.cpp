// SPDX-License-Identifier: MIT
#include "overlap_check.h"

#include "names.h"
#include "rigaku_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string_view>
#include <system_error>

namespace scanmill {

namespace fs = std::filesystem;

PathKeys::Directory& PathKeys::directoryOf(const std::string& path, std::size_t nameStart) {
    return directories_[path.substr(0, nameStart)];
}

bool PathKeys::ignoresCase(const std::string& path) {
    const std::size_t nameStart = path.find_last_of(pathSeparators) + 1;
    Directory& directory = directoryOf(path, nameStart);
    if (!directory.ignoresCase) {
        directory.ignoresCase = probe_(path.substr(0, nameStart));
    }
    return *directory.ignoresCase;
}

std::string PathKeys::operator()(const std::string& path) {
    // Split as a string: over a whole archive, parsing every path as a
    // std::filesystem::path would cost more than the rest of the check.
    const std::size_t nameStart = path.find_last_of(pathSeparators) + 1;
    Directory& directory = directoryOf(path, nameStart);
    if (directory.resolved.empty()) {
        const fs::path parent =
            nameStart == 0 ? fs::path(".") : platform::toPath(path.substr(0, nameStart));
        std::error_code error;
        fs::path resolved = fs::weakly_canonical(parent, error);
        if (error) {
            resolved = fs::absolute(parent, error).lexically_normal();
        }
        directory.resolved = platform::fromPath(resolved);
        if (!directory.resolved.ends_with(pathSeparator)) {
            directory.resolved += pathSeparator;
        }
    }
    std::string key = platform::fileNameKey(directory.resolved + path.substr(nameStart));
    if (ignoresCase(path)) {
        std::transform(key.begin(), key.end(), key.begin(), asciiLower);
    }
    return key;
}

std::optional<bool> beginsAsBrukerRaw(const std::string& path) {
    errno = 0;
    std::FILE* file = platform::openForReading(path);
    if (file == nullptr) {
        return std::nullopt;
    }
    char start[8];
    const std::size_t got = std::fread(start, 1, sizeof start, file);
    std::fclose(file);
    return startsAsBrukerRaw(std::string_view(start, got));
}

bool stillOneFile(const std::string& a, const std::string& b) {
    const std::optional<platform::FileIdentity> first = platform::fileIdentity(a);
    return first && first == platform::fileIdentity(b);
}

std::vector<OutputProblem> findOutputProblems(const std::vector<Conversion>& conversions) {
    std::vector<ConversionFiles> files;
    files.reserve(conversions.size());
    for (const Conversion& conversion : conversions) {
        files.push_back({platform::fileIdentity(conversion.inputPath),
                         platform::fileIdentity(conversion.outputPath)});
    }
    return findOutputProblems(conversions, files);
}

std::vector<OutputProblem> findOutputProblems(const std::vector<Conversion>& conversions,
                                              const std::vector<ConversionFiles>& files,
                                              CaseProbe probe) {
    // Files that exist are told apart by identity, however they are spelled;
    // paths are compared for files not there yet, and where the directory
    // ignores case, as identities may not. Over an archive already converted
    // on a disk that keeps case, as -u runs nightly, no path needs resolving.
    PathKeys key(probe);
    const auto byPath = [&](const std::string& path, bool exists) {
        return !exists || key.ignoresCase(path);
    };
    std::unordered_map<std::string, std::size_t> inputKeys;
    std::map<platform::FileIdentity, std::size_t> inputFiles;
    for (std::size_t index = 0; index < conversions.size(); ++index) {
        const std::optional<platform::FileIdentity>& identity = files[index].input;
        if (identity) {
            inputFiles.try_emplace(*identity, index);
        }
        if (byPath(conversions[index].inputPath, identity.has_value())) {
            inputKeys.try_emplace(key(conversions[index].inputPath), index);
        }
    }
    std::vector<OutputProblem> problems;
    std::unordered_map<std::string, std::size_t> outputKeys;
    std::map<platform::FileIdentity, std::size_t> outputFiles;
    for (std::size_t index = 0; index < conversions.size(); ++index) {
        const Conversion& conversion = conversions[index];
        // The first earlier writer of this file, and the input of another
        // conversion that this output would replace.
        std::optional<std::size_t> earlier;
        std::optional<std::size_t> reader;
        const std::optional<platform::FileIdentity>& identity = files[index].output;
        if (identity) {
            if (const auto [entry, isNew] = outputFiles.try_emplace(*identity, index);
                !isNew &&
                stillOneFile(conversion.outputPath, conversions[entry->second].outputPath)) {
                earlier = entry->second;
            }
            if (const auto found = inputFiles.find(*identity);
                found != inputFiles.end() && found->second != index) {
                reader = found->second;
            }
        }
        if (byPath(conversion.outputPath, identity.has_value())) {
            const std::string outputKey = key(conversion.outputPath);
            if (const auto [entry, isNew] = outputKeys.try_emplace(outputKey, index);
                !isNew && !earlier) {
                earlier = entry->second;
            }
            if (const auto found = inputKeys.find(outputKey);
                found != inputKeys.end() && found->second != index && !reader) {
                reader = found->second;
            }
        }
        if (earlier) {
            problems.push_back(
                {OutputProblem::Kind::Clash, index, *earlier,
                 outputClashError(conversion.outputPath, conversions[*earlier].inputPath,
                                  conversion.inputPath)});
        }
        // A Bruker RAW file is no scan: the run passes over it or refuses it,
        // and an output may replace it, as an earlier output is replaced.
        if (reader && beginsAsBrukerRaw(conversions[*reader].inputPath).value_or(false)) {
            reader.reset();
        }
        if (reader) {
            problems.push_back({OutputProblem::Kind::ReplacesInput, index, *reader,
                                replacesInputError(conversion.outputPath, conversion.inputPath)});
        }
    }
    return problems;
}

FileError outputClashError(const std::string& outputPath, const std::string& firstInput,
                           const std::string& secondInput) {
    return FileError(EEXIST, outputPath + ": " + firstInput + " and " + secondInput +
                                 " would both be written to this file");
}

FileError replacesInputError(const std::string& outputPath, const std::string& writerInput) {
    return FileError(EEXIST, outputPath + ": " + writerInput + " would be written over this input");
}

} // namespace scanmill

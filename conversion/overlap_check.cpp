// SPDX-License-Identifier: MIT
#include "overlap_check.h"

#include "rigaku_reader.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string_view>
#include <system_error>

namespace scanmill {

namespace fs = std::filesystem;

std::string PathKeys::operator()(const std::string& path) {
    // Split as a string: over a whole archive, parsing every path as a
    // std::filesystem::path would cost more than the rest of the check.
    const std::size_t nameStart = path.find_last_of(pathSeparators) + 1;
    const auto [entry, isNew] = directories_.try_emplace(path.substr(0, nameStart));
    if (isNew) {
        const fs::path parent = nameStart == 0 ? fs::path(".") : platform::toPath(entry->first);
        std::error_code error;
        fs::path resolved = fs::weakly_canonical(parent, error);
        if (error) {
            resolved = fs::absolute(parent, error).lexically_normal();
        }
        entry->second = platform::fromPath(resolved);
        if (!entry->second.ends_with(pathSeparator)) {
            entry->second += pathSeparator;
        }
    }
    return platform::fileNameKey(entry->second + path.substr(nameStart));
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
                                              const std::vector<ConversionFiles>& files) {
    // Files that exist are told apart by identity, however they are spelled;
    // paths are compared only for files not there yet. Over an archive
    // already converted, as -u runs nightly, no path then needs resolving.
    PathKeys key;
    std::unordered_map<std::string, std::size_t> inputKeys;
    std::map<platform::FileIdentity, std::size_t> inputFiles;
    for (std::size_t index = 0; index < conversions.size(); ++index) {
        if (const auto& identity = files[index].input) {
            inputFiles.try_emplace(*identity, index);
        } else {
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
        if (const auto& identity = files[index].output) {
            if (const auto [entry, isNew] = outputFiles.try_emplace(*identity, index);
                !isNew &&
                stillOneFile(conversion.outputPath, conversions[entry->second].outputPath)) {
                earlier = entry->second;
            }
            if (const auto found = inputFiles.find(*identity);
                found != inputFiles.end() && found->second != index) {
                reader = found->second;
            }
        } else {
            const std::string outputKey = key(conversion.outputPath);
            if (const auto [entry, isNew] = outputKeys.try_emplace(outputKey, index); !isNew) {
                earlier = entry->second;
            }
            if (const auto found = inputKeys.find(outputKey);
                found != inputKeys.end() && found->second != index) {
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

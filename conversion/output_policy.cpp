// SPDX-License-Identifier: MIT
#include "output_policy.h"

#include "file_error.h"
#include "output_file.h"

#include <cerrno>
#include <string>

namespace scanmill {
namespace {

// A Bruker output replaces only a Bruker RAW file: anything else at its path
// may be a scan of its own, one that is not in this run.
void keepIfNotBrukerRaw(const std::string& output) {
    const std::optional<bool> isBruker = beginsAsBrukerRaw(output);
    if (!isBruker) {
        throw systemError(output, lastErrorNumber());
    }
    if (!*isBruker) {
        throw FileError(EEXIST, output + ": exists and is not a Bruker RAW file; kept");
    }
}

} // namespace

void checkOutput(const Conversion& conversion, bool brukerOutput,
                 const std::optional<platform::FileStatus>& input, bool lookAtDirectory) {
    const std::string& path = conversion.outputPath;
    const std::optional<platform::FileStatus> output = platform::fileStatus(path);
    const std::optional<platform::FileStatus> read =
        input ? input : platform::fileStatus(conversion.inputPath);
    if (output && read && output->identity == read->identity) {
        throw FileError(EEXIST, path + ": output would replace its own input file");
    }
    if (brukerOutput && output && output->regular) {
        keepIfNotBrukerRaw(path);
    }
    checkOutputPath(path, output);
    if (lookAtDirectory) {
        const std::string directory = platform::fromPath(platform::toPath(path).parent_path());
        errno = 0;
        // A missing directory is one the caller makes before writing.
        if (!platform::mayCreateFilesIn(directory.empty() ? "." : directory) && errno != ENOENT) {
            throw systemError(path, lastErrorNumber());
        }
    }
}

bool changedSince(const platform::FileStatus& then,
                  const std::optional<platform::FileStatus>& now) {
    return !now || now->identity != then.identity || now->size != then.size ||
           now->modified != then.modified;
}

} // namespace scanmill

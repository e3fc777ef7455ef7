// SPDX-License-Identifier: MIT
#include "output_directories.h"

#include "interrupt.h"
#include "platform.h"

#include <algorithm>
#include <set>
#include <system_error>

namespace scanmill::cli {

namespace fs = std::filesystem;

OutputDirectories::~OutputDirectories() {
    removeEmptyDirectories(made_);
    removeOnInterrupt({});
}

void removeEmptyDirectories(std::vector<fs::path> directories) {
    // Longer paths first: a directory before the ones it lies in.
    std::sort(directories.begin(), directories.end(), [](const fs::path& a, const fs::path& b) {
        return a.native().size() > b.native().size();
    });
    for (const fs::path& directory : directories) {
        std::error_code ignored;
        if (fs::is_directory(fs::symlink_status(directory, ignored))) {
            fs::remove(directory, ignored); // only while empty
        }
    }
}

bool OutputDirectories::make(const std::vector<Conversion>& conversions, Report& report,
                             bool failFast) {
    std::set<fs::path> directories;
    for (const Conversion& conversion : conversions) {
        directories.insert(platform::toPath(conversion.outputPath).parent_path());
    }
    bool allMade = true;
    for (const fs::path& directory : directories) {
        for (fs::path missing = directory;; missing = missing.parent_path()) {
            std::error_code unknown;
            if (fs::exists(missing, unknown) || unknown || missing == missing.parent_path()) {
                break;
            }
            made_.push_back(missing);
        }
        removeOnInterrupt(made_);
        std::error_code error;
        fs::create_directories(directory, error);
        if (error) {
            report.failed(systemError(platform::fromPath(directory),
                                      error.default_error_condition().value()));
            allMade = false;
            if (failFast) {
                break;
            }
        }
    }
    return allMade;
}

} // namespace scanmill::cli

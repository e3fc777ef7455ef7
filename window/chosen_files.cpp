// SPDX-License-Identifier: MIT
#include "chosen_files.h"

#include "platform.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace scanmill {

namespace {

namespace fs = std::filesystem;

// The dialog counts UTF-16 code units: one per character, two for a
// character beyond the basic plane (a four-byte UTF-8 sequence).
std::size_t utf16Units(std::string_view text) {
    std::size_t units = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80) {
            units += byte >= 0xF0 ? 2 : 1;
        }
    }
    return units;
}

} // namespace

ChosenFiles chosenTogether(const std::vector<std::string>& paths) {
    // Names are relative to the first file's directory, which the dialog
    // shares for all of them; a typed name may reach into a subdirectory.
    const fs::path directory = platform::toPath(absolutePath(paths.front())).parent_path();
    ChosenFiles chosen;
    if (!directory.empty()) {
        chosen.directory = directoryWithSeparator(platform::fromPath(directory));
    }
    for (const std::string& path : paths) {
        chosen.names.push_back(
            platform::fromPath(platform::toPath(absolutePath(path)).lexically_relative(directory)));
    }
    return chosen;
}

bool fitsFileDialogBuffer(const ChosenFiles& chosen) {
    std::size_t units = 0;
    if (chosen.names.size() == 1) {
        units = utf16Units(chosen.directory + chosen.names.front());
    } else {
        // The value holds the directory without its separator, but at a root.
        units = utf16Units(platform::fromPath(platform::toPath(chosen.directory).parent_path()));
        for (const std::string& name : chosen.names) {
            units += 1 + utf16Units(name);
        }
    }
    return units <= fileDialog::bufferSize;
}

std::string directoryWithSeparator(std::string directory) {
    if (directory.empty() ||
        std::string_view(pathSeparators).find(directory.back()) == std::string_view::npos) {
        directory += pathSeparator;
    }
    return directory;
}

std::string absolutePath(const std::string& path) {
    std::error_code error;
    const fs::path absolute = fs::absolute(platform::toPath(path), error);
    // Without a working directory a relative path stays as given; opening it
    // then reports why.
    return error ? path : platform::fromPath(absolute.lexically_normal());
}

} // namespace scanmill

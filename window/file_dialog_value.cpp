// SPDX-License-Identifier: MIT
#include "file_dialog_value.h"

#include "platform.h"
#include "scan_record.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace scanmill {

namespace fs = std::filesystem;

ChosenFiles parseFileDialogValue(const std::string& fullValue) {
    // The system's buffer ends the value with NULs of its own.
    const std::string value = fullValue.substr(0, fullValue.find_last_not_of('\0') + 1);
    ChosenFiles chosen;
    const std::size_t firstNul = value.find('\0');
    if (firstNul == std::string::npos) {
        const std::size_t nameStart = value.find_last_of(pathSeparators) + 1; // npos + 1 == 0
        chosen.directory = value.substr(0, nameStart);
        chosen.names.push_back(value.substr(nameStart));
        chosen.display = value;
        return chosen;
    }
    chosen.directory = directoryWithSeparator(value.substr(0, firstNul));
    for (std::size_t start = firstNul + 1;;) {
        const std::size_t end = value.find('\0', start);
        chosen.names.push_back(value.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    chosen.display =
        chosen.directory + " . . .  " + std::to_string(chosen.names.size()) + " files selected";
    return chosen;
}

std::string fileDialogValue(const std::vector<std::string>& paths) {
    if (paths.size() == 1)
        return absolutePath(paths.front());
    // Names are relative to the first file's directory, which the dialog
    // shares for all of them.
    const fs::path directory = platform::toPath(absolutePath(paths.front())).parent_path();
    std::string value = platform::fromPath(directory);
    for (const std::string& path : paths) {
        value += '\0';
        value +=
            platform::fromPath(platform::toPath(absolutePath(path)).lexically_relative(directory));
    }
    return value;
}

bool fitsFileDialogBuffer(const std::string& value) {
    // The dialog counts UTF-16 code units: one per character, two for a
    // character beyond the basic plane (a four-byte UTF-8 sequence).
    std::size_t units = 0;
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80)
            units += byte >= 0xF0 ? 2 : 1;
    }
    return units <= fileDialog::bufferSize;
}

std::string directoryWithSeparator(std::string directory) {
    if (directory.empty() ||
        std::string_view(pathSeparators).find(directory.back()) == std::string_view::npos)
        directory += pathSeparator;
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

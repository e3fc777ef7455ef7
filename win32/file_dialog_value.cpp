// SPDX-License-Identifier: MIT
#include "file_dialog_value.h"

#include "platform.h"

namespace scanmill::win32 {

ChosenFiles parseFileDialogValue(const std::string& fullValue) {
    const std::string value = fullValue.substr(0, fullValue.find_last_not_of('\0') + 1);
    ChosenFiles chosen;
    const std::size_t firstNul = value.find('\0');
    if (firstNul == std::string::npos) {
        const std::size_t nameStart = value.find_last_of(pathSeparators) + 1; // npos + 1 == 0
        chosen.directory = value.substr(0, nameStart);
        chosen.names.push_back(value.substr(nameStart));
        return chosen;
    }
    chosen.directory = directoryWithSeparator(value.substr(0, firstNul));
    for (std::size_t start = firstNul + 1;;) {
        const std::size_t end = value.find('\0', start);
        chosen.names.push_back(value.substr(start, end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    return chosen;
}

} // namespace scanmill::win32

// SPDX-License-Identifier: MIT
#include "file_error.h"

#include "platform.h"

#include <cerrno>
#include <utility>

namespace scanmill {

FileError::FileError(int number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

int FileError::number() const {
    return number_;
}

const std::string& FileError::description() const {
    return description_;
}

int lastErrorNumber() {
    return errno != 0 ? errno : EIO;
}

std::string describeError(const std::string& path, int number) {
    return path + ": " + platform::shownError(number).words;
}

FileError systemError(const std::string& path, int number) {
    platform::ShownError shown = platform::shownError(number);
    return FileError(shown.number, path + ": " + shown.words);
}

} // namespace scanmill

// SPDX-License-Identifier: MIT
#include "file_error.h"

#include <cerrno>
#include <system_error>
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
    return path + ": " + std::generic_category().message(number);
}

FileError systemError(const std::string& path, int number) {
    return FileError(number, describeError(path, number));
}

} // namespace scanmill

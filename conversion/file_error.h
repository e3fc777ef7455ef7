// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>

namespace scanmill {

// A failed file operation: the error's number and a description that names
// the file and the cause. what() returns the description. A failed system
// call has the system's own number: errno, or on Windows its error code.
class FileError : public std::runtime_error {
public:
    FileError(int number, std::string description);
    int number() const;
    const std::string& description() const;

private:
    int number_;
    std::string description_;
};

// errno after a failed call, or EIO when the call failed without setting it.
int lastErrorNumber();

// "path: No such file or directory": the description for a failed system
// call that left errno at number, in the system's own words.
std::string describeError(const std::string& path, int number);

// The FileError for a failed system call on path.
FileError systemError(const std::string& path, int number);

} // namespace scanmill

#include "scan_record.h"

#include <utility>

namespace scanmill {

void StatusLog::append(std::string line) {
    lines_.push_back(std::move(line));
}

const std::vector<std::string>& StatusLog::lines() const {
    return lines_;
}

FileError::FileError(int number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

int FileError::number() const {
    return number_;
}

const std::string& FileError::description() const {
    return description_;
}

} // namespace scanmill

// SPDX-License-Identifier: MIT
#include "scan_record.h"

#include <utility>

namespace scanmill {

void StatusLog::append(std::string line) {
    lines_.push_back(std::move(line));
}

const std::vector<std::string>& StatusLog::lines() const {
    return lines_;
}

} // namespace scanmill

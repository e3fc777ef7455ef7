// SPDX-License-Identifier: MIT
#include "field_text.h"

#include "little_endian.h"
#include "print_number.h"

#include <string_view>

namespace scanmill {

std::string numberText(float x) {
    std::string field = formatPrintNumber(x);
    field.pop_back();
    return field.front() == ' ' ? field.substr(1) : field;
}

std::string stepTimeText(const ScanRecord& scan) {
    return numberText(le::readFloat32(scan.stepTime.data())) + " s";
}

std::string dateTimeText(const ScanRecord& scan) {
    const std::string_view date = scan.dateText;
    return std::string(date.substr(0, date.find_last_not_of(' ') + 1)) + " " + scan.timeText;
}

} // namespace scanmill

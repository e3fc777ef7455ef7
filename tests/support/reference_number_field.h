// SPDX-License-Identifier: MIT
#pragma once

// The number field as the C library would give it, which formatPrintNumber is
// checked against: %.7G, then the sign in its own position, no 0 before the
// point, NaN and Inf spelled out, negative zero unsigned, one trailing blank.
// Needs the C locale.

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace scanmill::testing {

// Writes the field into out, which has room for 32 chars, and returns its length.
inline std::size_t referenceNumberField(float x, char* out) {
    if (std::isnan(x)) {
        std::memcpy(out, " NaN ", 5);
        return 5;
    }
    if (std::isinf(x)) {
        std::memcpy(out, x < 0 ? "-Inf " : " Inf ", 5);
        return 5;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.7G", static_cast<double>(x));
    const char* digits = text;
    char sign = ' ';
    if (*digits == '-') {
        ++digits;
        sign = std::strcmp(digits, "0") == 0 ? ' ' : '-';
    }
    if (digits[0] == '0' && digits[1] == '.') {
        ++digits;
    }
    char* p = out;
    *p++ = sign;
    const std::size_t length = std::strlen(digits);
    std::memcpy(p, digits, length);
    p += length;
    *p++ = ' ';
    return static_cast<std::size_t>(p - out);
}

} // namespace scanmill::testing

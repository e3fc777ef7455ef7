// SPDX-License-Identifier: MIT
#include "ascii_writer.h"
#include "reference_number_field.h"

#include <algorithm>
#include <bit>
#include <clocale>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <span>
#include <string>

namespace scanmill {
namespace {

float fromBits(std::uint32_t bits) {
    return std::bit_cast<float>(bits);
}

TEST(FormatPrintNumber, Basic) {
    EXPECT_EQ(formatPrintNumber(10.0F), " 10 ");
    EXPECT_EQ(formatPrintNumber(250.5F), " 250.5 ");
    EXPECT_EQ(formatPrintNumber(0.75F), " .75 ");
    EXPECT_EQ(formatPrintNumber(-3.0F), "-3 ");
    EXPECT_EQ(formatPrintNumber(0.0F), " 0 ");
    EXPECT_EQ(formatPrintNumber(1.0F), " 1 ");
    EXPECT_EQ(formatPrintNumber(-0.5F), "-.5 ");
    EXPECT_EQ(formatPrintNumber(1200000.0F), " 1200000 ") << "zeros before the point stay";
}

TEST(FormatPrintNumber, Rounding) {
    // 0.02f is 0.0199999995529651641845703125: seven digits give .02
    EXPECT_EQ(formatPrintNumber(0.02F), " .02 ");
    // 5 + 99 * 0.05f in single precision lies just above 9.95
    EXPECT_EQ(formatPrintNumber(fromBits(0x411F3334u)), " 9.950001 ");
    EXPECT_EQ(formatPrintNumber(1234567.4F), " 1234567 ");
    EXPECT_EQ(formatPrintNumber(123.45678F), " 123.4568 ");
    // 9999999.5 rounds up to eight digits and so moves into exponent form
    EXPECT_EQ(formatPrintNumber(9999999.5F), " 1E+07 ");
    EXPECT_EQ(formatPrintNumber(9999999.0F), " 9999999 ");
    // 16777215 is exact; its eighth digit rounds the seventh up
    EXPECT_EQ(formatPrintNumber(16777215.0F), " 1.677722E+07 ");
    // an exact tie at the eighth digit rounds to even, as the C library does
    EXPECT_EQ(formatPrintNumber(10000005.0F), " 1E+07 ");
    EXPECT_EQ(formatPrintNumber(10000015.0F), " 1.000002E+07 ");
    // 0.1f is 0.100000001490116...: no trace of the binary error
    EXPECT_EQ(formatPrintNumber(0.1F), " .1 ");
}

TEST(FormatPrintNumber, Exponent) {
    EXPECT_EQ(formatPrintNumber(12345678.0F), " 1.234568E+07 ");
    EXPECT_EQ(formatPrintNumber(10000000.0F), " 1E+07 ");
    EXPECT_EQ(formatPrintNumber(-1e20F), "-1E+20 ");
    EXPECT_EQ(formatPrintNumber(std::numeric_limits<float>::max()), " 3.402823E+38 ");
    EXPECT_EQ(formatPrintNumber(0.0001F), " .0001 ");
    EXPECT_EQ(formatPrintNumber(0.00001F), " 1E-05 ");
    EXPECT_EQ(formatPrintNumber(0.000123456F), " .000123456 ");
    EXPECT_EQ(formatPrintNumber(-0.0000123456F), "-1.23456E-05 ");
    // the longest field the writer has to make room for
    EXPECT_EQ(formatPrintNumber(-1.2345678e-30F), "-1.234568E-30 ");
    EXPECT_EQ(formatPrintNumber(-1.2345678e-30F).size(), maxPrintNumberLength);
}

TEST(FormatPrintNumber, Subnormal) {
    EXPECT_EQ(formatPrintNumber(fromBits(0x00000001u)), " 1.401298E-45 ");
    EXPECT_EQ(formatPrintNumber(fromBits(0x007FFFFFu)), " 1.175494E-38 ");
    EXPECT_EQ(formatPrintNumber(fromBits(0x80000001u)), "-1.401298E-45 ");
}

TEST(FormatPrintNumber, NegativeZeroIsNotNegative) {
    EXPECT_EQ(formatPrintNumber(-0.0F), " 0 ");
}

TEST(FormatPrintNumber, NonFinite) {
    EXPECT_EQ(formatPrintNumber(std::numeric_limits<float>::infinity()), " Inf ");
    EXPECT_EQ(formatPrintNumber(-std::numeric_limits<float>::infinity()), "-Inf ");
    EXPECT_EQ(formatPrintNumber(fromBits(0x7FC00000u)), " NaN ");
    EXPECT_EQ(formatPrintNumber(fromBits(0xFFC00000u)), " NaN ") << "a NaN is never negative";
    EXPECT_EQ(formatPrintNumber(fromBits(0x7F800001u)), " NaN ") << "signalling NaN";
}

TEST(FormatPrintNumber, IgnoresTheUserLocale) {
    // The window takes the locale from the desktop; a German one writes 3,5.
#ifdef _WIN32
    const char* german = "German_Germany.1252";
#else
    const char* german = "de_DE.UTF-8"; // built for the tests into LOCPATH
#endif
    if (std::setlocale(LC_ALL, german) == nullptr ||
        std::localeconv()->decimal_point != std::string(",")) {
        std::setlocale(LC_ALL, "C");
        GTEST_SKIP() << "the German locale " << german << " is not found";
    }
    EXPECT_EQ(formatPrintNumber(3.5F), " 3.5 ");
    EXPECT_EQ(formatPrintNumber(1.5e10F), " 1.5E+10 ");
    EXPECT_EQ(formatPrintNumber(-0.125F), "-.125 ");
    std::setlocale(LC_ALL, "C");
}

TEST(FormatPrintNumber, AgreesWithCLibraryOverAllExponents) {
    std::setlocale(LC_ALL, "C");
    std::mt19937 random(20261208);
    int mismatches = 0;
    // The buffer form, given room to spare: it may use its longest field's
    // length for scratch, but never a byte beyond.
    char buffer[2 * maxPrintNumberLength];
    const auto beyond = std::span(buffer).subspan(maxPrintNumberLength);
    for (int i = 0; i < 1'200'000 && mismatches < 10; ++i) {
        // Uniform over bit patterns: every exponent, subnormals and NaNs included.
        const float x = fromBits(static_cast<std::uint32_t>(random()));
        std::ranges::fill(buffer, '#');
        const std::string got(buffer, formatPrintNumber(x, buffer));
        char reference[32];
        const std::string want(reference, testing::referenceNumberField(x, reference));
        const bool stayedInside = std::ranges::count(beyond, '#') == std::ssize(beyond);
        if (got != want || !stayedInside) {
            ++mismatches;
            ADD_FAILURE() << std::hex << std::bit_cast<std::uint32_t>(x) << ": got '" << got
                          << "', want '" << want << "'"
                          << (stayedInside ? "" : ", and wrote past the longest field");
        }
    }
    EXPECT_EQ(mismatches, 0);
}

} // namespace
} // namespace scanmill

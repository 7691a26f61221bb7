// The number text of the log: %f for finite values, one spelling for NaN and the infinities.
#include <float.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "geometry/log_number.h"

namespace {

std::string numberText(double value) {
    char text[kLogNumberTextCapacity];
    const char* returned = formatLogNumber(value, text);
    EXPECT_EQ(returned, text);
    return text;
}

std::string percentF(double value) {
    char text[128];
    snprintf(text, sizeof text, "%f", value);
    return text;
}

TEST(LogNumber, FiniteValuesPrintExactlyAsPercentF) {
    const double values[] = {0.0,
                             -0.0,
                             1.0,
                             -1.0,
                             0.5,
                             1e-7,
                             -123456.789,
                             16777217.0,
                             static_cast<double>(FLT_MAX),
                             static_cast<double>(-FLT_MAX),
                             static_cast<double>(FLT_MIN),
                             2.5e-7,
                             225.0};
    for (double value : values) {
        EXPECT_EQ(numberText(value), percentF(value)) << value;
    }
    EXPECT_EQ(numberText(-1.0), "-1.000000");
    EXPECT_EQ(numberText(-0.0), "-0.000000");
}

TEST(LogNumber, NonFiniteValuesHaveOneSpellingEach) {
    EXPECT_EQ(numberText(NAN), "nan");
    EXPECT_EQ(numberText(copysign(NAN, -1.0)), "nan");
    // A NaN with a payload, as a division 0/0 may produce.
    double payloadNan;
    const uint64_t bits = 0xFFF8000000001234ull;
    memcpy(&payloadNan, &bits, sizeof bits);
    EXPECT_EQ(numberText(payloadNan), "nan");
    EXPECT_EQ(numberText(INFINITY), "inf");
    EXPECT_EQ(numberText(-INFINITY), "-inf");
}

TEST(LogNumber, DoublesBeyondTheFloatRangeAreCutToTheBuffer) {
    char text[kLogNumberTextCapacity + 16];
    memset(text, '#', sizeof text);
    formatLogNumber(1e300, text);
    EXPECT_EQ(strlen(text), static_cast<size_t>(kLogNumberTextCapacity - 1));
    EXPECT_EQ(text[kLogNumberTextCapacity], '#');
}

TEST(LogNumber, LineJoinsLabelAndNumberAndIsCutToItsBuffer) {
    char line[256];
    EXPECT_EQ(formatLogLine(line, sizeof line, "SSD: ", 12.5), line);
    EXPECT_STREQ(line, "SSD: 12.500000");
    formatLogLine(line, sizeof line, "NCC: ", -NAN);
    EXPECT_STREQ(line, "NCC: nan");
    formatLogLine(line, sizeof line, "x ", -INFINITY);
    EXPECT_STREQ(line, "x -inf");

    char small[8];
    memset(small, '#', sizeof small);
    formatLogLine(small, sizeof small, "value ", 1.0);
    EXPECT_STREQ(small, "value 1");
}

} // namespace

// The 16-bit sample a float volume element is written back as.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "command/int16_sample.h"

namespace {

TEST(Int16Sample, TruncatesTowardZeroAndKeepsTheLow16Bits) {
    struct Case {
        float value;
        int16_t sample;
    };
    const float inf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {765.0f, 765},
        {12.999f, 12},
        {224.9f, 224},
        {0.7f, 0},
        {-0.7f, 0},
        {-3.7f, -3},
        {32767.9f, 32767},
        {32768.0f, -32768},
        {40000.0f, -25536},
        {65541.0f, 5},
        {-32769.0f, 32767},
        {-2147483648.0f, 0},
        {2147483520.0f, -128}, // the largest float below 2^31: 0x7FFFFF80
        {2147483648.0f, 0},    // 2^31 does not fit: stored as 0
        {-2147483904.0f, 0},
        {3.0e9f, 0},
        {inf, 0},
        {-inf, 0},
        {std::nanf(""), 0},
        {-std::nanf(""), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(int16SampleFromFloat(c.value), c.sample) << c.value;
    }
}

} // namespace

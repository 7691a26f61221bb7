// Rescaling of a volume to 0..225: NaN, constant and empty volumes, and the order of the rounded steps.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "command/intensity_normalisation.h"

namespace {

std::vector<float> normalised(std::vector<float> values) {
    FloatVolume volume = {values.data(), static_cast<int32_t>(values.size())};
    normaliseIntensities(volume);
    return values;
}

// Bit-level equality that treats NaN as equal to NaN.
void expectSameFloats(const std::vector<float>& actual, const std::vector<float>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        if (std::isnan(expected[i])) {
            EXPECT_TRUE(std::isnan(actual[i])) << i;
        } else {
            EXPECT_EQ(actual[i], expected[i]) << i;
        }
    }
}

TEST(IntensityNormalisation, RescalesToZeroTo225) {
    const float nan = std::nanf("");
    struct Case {
        const char* name;
        std::vector<float> input, output;
    };
    const Case cases[] = {
        {"16-bit extremes", {-32768.0f, 32767.0f, 0.0f}, {0.0f, 225.0f, (32768.0f * 225.0f) / 65535.0f}},
        {"plain", {10.0f, 20.0f, 30.0f, 50.0f}, {0.0f, 56.25f, 112.5f, 225.0f}},
        {"leading NaN is skipped", {nan, 10.0f, 20.0f, 30.0f}, {nan, 0.0f, 112.5f, 225.0f}},
        {"NaN in between stays NaN", {0.0f, nan, 9.0f}, {0.0f, nan, 225.0f}},
        {"constant becomes 0", {7.0f, 7.0f, 7.0f}, {0.0f, 0.0f, 0.0f}},
        {"constant with NaN", {nan, 7.0f, nan, 7.0f}, {nan, 0.0f, nan, 0.0f}},
        {"all NaN untouched", {nan, nan}, {nan, nan}},
        {"one element", {-4.0f}, {0.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectSameFloats(normalised(c.input), c.output);
    }
}

TEST(IntensityNormalisation, FollowsTheSingleStepOrder) {
    // (v - min) * 225 / (max - min), each step rounded: 1/3 of the range is not exactly 75 in float.
    std::vector<float> result = normalised({0.0f, 1.0f, 3.0f});
    float expected = (1.0f * 225.0f) / 3.0f;
    EXPECT_EQ(result[1], expected);
}

TEST(IntensityNormalisation, EmptyVolumeIsNeverTouched) {
    FloatVolume empty = {nullptr, 0};
    normaliseIntensities(empty);
    EXPECT_EQ(empty.values, nullptr);
}

} // namespace

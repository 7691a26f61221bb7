// The anatomical's samples scaled to VMR bytes: minimum and percentile, clamping, and volumes without a
// spread.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "host/plugin_run/anatomy_scaling.h"

namespace {

std::vector<uint8_t> scaleAnatomyToVmrBytes(const std::vector<float>& samples) {
    std::vector<uint8_t> bytes(samples.size(), 77); // every byte must be written
    ::scaleAnatomyToVmrBytes(samples.data(), samples.size(), bytes.data());
    return bytes;
}

TEST(AnatomyScaling, MapsMinimumAndPercentileToTheAnatomyRange) {
    // 1000 samples 0..999 and one bright outlier: the 99.5th percentile (about 995) becomes 225.
    std::vector<float> samples;
    for (int i = 0; i < 1000; ++i) {
        samples.push_back(static_cast<float>(i));
    }
    samples.push_back(100000.0f);
    std::vector<uint8_t> bytes = scaleAnatomyToVmrBytes(samples);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[500], 113); // 500 * 225 / 995 = 113.07
    EXPECT_EQ(bytes[999], 225);
    EXPECT_EQ(bytes[1000], 225); // the outlier is clamped, not above the reserved limit
    for (uint8_t b : bytes) {
        EXPECT_LE(b, kVmrAnatomyMaximum);
    }
}

TEST(AnatomyScaling, HandlesConstantNonFiniteAndSparseVolumes) {
    EXPECT_EQ(scaleAnatomyToVmrBytes({5, 5, 5}), (std::vector<uint8_t>{0, 0, 0}));
    float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(scaleAnatomyToVmrBytes({nan, 0, inf, 10}), (std::vector<uint8_t>{0, 0, 0, 225}));
    // Mostly background with a few bright voxels: the percentile equals the minimum, the maximum is used.
    std::vector<float> sparse(1000, 0.0f);
    sparse[3] = 50.0f;
    sparse[7] = 100.0f;
    std::vector<uint8_t> bytes = scaleAnatomyToVmrBytes(sparse);
    EXPECT_EQ(bytes[3], 113);
    EXPECT_EQ(bytes[7], 225);
    EXPECT_EQ(bytes[0], 0);
}

} // namespace

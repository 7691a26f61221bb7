// The comparison of two FMR volumes before normalisation.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "command/volume_precomparison.h"

namespace {

TEST(VolumePrecomparison, DotProductNccAndSsdInIndexOrder) {
    std::vector<float> a = {1.0f, 2.0f, 3.0f}, b = {2.0f, 2.0f, 1.0f};
    FloatVolume first = {a.data(), 3}, second = {b.data(), 3};
    VolumePrecomparison result = compareVolumes(first, second);
    // Sab = 2 + 4 + 3 = 9, Saa = 14, Sbb = 9: 81 / 126. SSD = 1 + 0 + 4.
    EXPECT_EQ(result.ncc, 81.0f / 126.0f);
    EXPECT_EQ(result.ssd, 5.0f);
    FloatVolume none = {nullptr, 0};
    VolumePrecomparison empty = compareVolumes(none, none);
    EXPECT_TRUE(std::isnan(empty.ncc));
    EXPECT_EQ(empty.ssd, 0.0f);
}

} // namespace

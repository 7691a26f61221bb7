// roundHalfUp, the intensity write rule and the grid helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "projection/grid.h"
#include "tests/support/point_mapping.h"

namespace {

const float kInf = std::numeric_limits<float>::infinity();

TEST(RoundHalfUp, HalvesGoTowardsPositiveInfinity) {
    const struct {
        float value;
        int32_t expected;
    } cases[] = {
        {2.5f, 3},
        {0.5f, 1},
        {-0.5f, 0},
        {-1.5f, -1},
        {-2.5f, -2},
        {0.0f, 0},
        {-0.0f, 0},
        {1.49999988f, 1},
        {-1.50000012f, -2},
        {255.5f, 256},
        {-0.49999997f, 0},
        {std::nextafter(-0.5f, -1.0f), -1},
        {std::nextafter(0.5f, 0.0f), 0},
        {2147483520.0f, 2147483520},
        {-2147483520.0f, -2147483520},
        {8388607.5f, 8388608},
        {-8388607.5f, -8388607},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, roundHalfUp(c.value)) << c.value;
    }
}

TEST(RoundHalfUp, NonFiniteAndOutOfRangeValuesAreNegative) {
    const float cases[] = {std::numeric_limits<float>::quiet_NaN(),
                           -std::numeric_limits<float>::quiet_NaN(),
                           kInf,
                           -kInf,
                           2147483648.0f,
                           3e9f,
                           -2147483648.0f,
                           -3e9f,
                           1e38f};
    for (float value : cases) {
        EXPECT_LT(roundHalfUp(value), 0) << value;
    }
}

TEST(WriteRule, OnlyAboveTwentyRoundedAndLimited) {
    const struct {
        float intensity;
        bool written;
        int byte;
    } cases[] = {
        {20.0f, false, 0},    {19.9f, false, 0},   {std::numeric_limits<float>::quiet_NaN(), false, 0},
        {-kInf, false, 0},    {20.3f, true, 20},   {20.5f, true, 21},
        {100.49f, true, 100}, {224.5f, true, 225}, {225.49f, true, 225},
        {225.5f, true, 225},  {300.0f, true, 225}, {3e9f, true, 225},
        {kInf, true, 225},
    };
    for (const auto& c : cases) {
        unsigned char byte = 0;
        EXPECT_EQ(c.written, paintedByte(c.intensity, &byte)) << c.intensity;
        EXPECT_EQ(c.byte, byte) << c.intensity;
    }
}

TEST(Grid, CentredCoordinatesAndOffsets) {
    EXPECT_EQ(127.5f, centreOffset(256));
    EXPECT_EQ(31.5f, centreOffset(64));
    EXPECT_EQ(0.0f, centreOffset(1));
    EXPECT_EQ(-0.5f, centreOffset(0));
    EXPECT_EQ(-1073741824.0f, centreOffset(INT32_MIN) + 0.0f); // no overflow in n - 1
    EXPECT_EQ(-127.5f, centredCoordinate(0, centreOffset(256)));
    EXPECT_EQ(127.5f, centredCoordinate(255, centreOffset(256)));
}

TEST(Grid, VoxelOffsetsUse64Bits) {
    const GridSize small = {4, 3, 2};
    EXPECT_EQ(1 + 4 * (2 + 3 * 1), voxelOffset(1, 2, 1, small));
    const GridSize large = {65536, 65536, 4};
    EXPECT_EQ(int64_t{3} * 65536 * 65536 + 5, voxelOffset(5, 0, 3, large));
}

TEST(Grid, MappingMatchesTransformPointAndTheInsideTest) {
    // Random matrices, offsets and coordinates, some matrix elements non-finite: the inline mapping must
    // round to the indices that transformPoint plus the offsets gives, and stop only where those are
    // outside the grid.
    const float specials[] = {std::numeric_limits<float>::quiet_NaN(), kInf, -kInf, -0.0f, 1e30f};
    unsigned seed = 12345;
    auto next = [&seed](float range) {
        seed = seed * 1664525u + 1013904223u;
        return range * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    };
    const GridSize size = {64, 48, 30};
    int inside = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        Matrix4 m;
        for (float& value : m.m)
            value = next(trial % 2 ? 1.0f : 0.3f);
        if (trial % 50 == 0)
            m.m[trial / 50 % 12] = specials[trial / 50 % 5];
        const GridOffsets offsets = {31.5f + next(20.0f), 23.5f + next(20.0f), 14.5f + next(20.0f)};
        const float cx = next(130.0f), cy = next(130.0f), cz = next(130.0f);
        const Vector4 point = {cx, cy, cz, 1.0f};
        const Vector4 mapped = transformPoint(m, point);
        const GridIndex expected = {roundHalfUp(mapped.x + offsets.x), roundHalfUp(mapped.y + offsets.y),
                                    roundHalfUp(mapped.z + offsets.z)};
        GridIndex index;
        const bool found = mapInsideGrid(m, cx, cy, cz, offsets, size, &index);
        ASSERT_EQ(isInsideGrid(expected, size), found) << trial;
        if (found) {
            ++inside;
            ASSERT_EQ(expected.x, index.x) << trial;
            ASSERT_EQ(expected.y, index.y) << trial;
            ASSERT_EQ(expected.z, index.z) << trial;
        }
    }
    EXPECT_GT(inside, 1000); // both outcomes are exercised
    EXPECT_LT(inside, 19000);
}

TEST(Grid, FmrGridIsEmptyWhenItsVolumeIsTooSmall) {
    FmrHeader header;
    header.dimX = 4;
    header.dimY = 4;
    header.dimZ = 2;
    float values[32];
    FloatVolume fits = {values, 32};
    FloatVolume tooSmall = {values, 31};
    FloatVolume missing = {nullptr, 32};
    EXPECT_EQ(4, fmrGridSize(header, fits).x);
    EXPECT_EQ(0, fmrGridSize(header, tooSmall).x);
    EXPECT_EQ(0, fmrGridSize(header, missing).z);
    header.dimX = header.dimY = header.dimZ = 2000000000; // the product of the sizes exceeds 64 bits
    EXPECT_EQ(0, fmrGridSize(header, fits).y);
}

} // namespace

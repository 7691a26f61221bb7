// The command's arithmetic and naming pieces on their own: sample conversion, normalisation, the volume
// pre-comparison, voxel counts, saved names and the mapping choice.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "command/fmr_naming.h"
#include "command/int16_sample.h"
#include "command/intensity_normalisation.h"
#include "command/mapping_choice.h"
#include "command/voxel_count.h"
#include "command/volume_precomparison.h"

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

TEST(VoxelCount, RefusesNegativeAndOversizedGrids) {
    struct Case {
        int x, y, z;
        VoxelCountStatus status;
        int32_t count;
    };
    const Case cases[] = {
        {64, 64, 30, kVoxelCountValid, 122880},
        {0, 64, 30, kVoxelCountValid, 0},
        {2147483647, 2147483647, 0, kVoxelCountValid, 0},
        {2147483647, 1, 1, kVoxelCountValid, 2147483647},
        {-1, 64, 30, kVoxelCountNegativeDimension, -7},
        {64, 64, -30, kVoxelCountNegativeDimension, -7},
        {2048, 2048, 512, kVoxelCountTooLarge, -7},
        {1024, 1024, 2048, kVoxelCountTooLarge, -7},
        {2147483647, 2147483647, 2147483647, kVoxelCountTooLarge, -7},
        {65536, 65536, 1, kVoxelCountTooLarge, -7},
    };
    for (const Case& c : cases) {
        FmrHeader header{};
        header.dimX = c.x;
        header.dimY = c.y;
        header.dimZ = c.z;
        int32_t count = -7;
        EXPECT_EQ(fmrVoxelCount(header, count), c.status) << c.x << " " << c.y << " " << c.z;
        EXPECT_EQ(count, c.count);
    }
}

FmrHeader headerWithPrefix(const char* prefix) {
    FmrHeader header{};
    std::snprintf(header.stcPrefix, sizeof header.stcPrefix, "%s", prefix);
    return header;
}

TEST(FmrNaming, ComposesTheSavedNames) {
    FmrSavedNames names;
    ASSERT_TRUE(composeVmrProjectionNames(headerWithPrefix("run1"), names));
    EXPECT_STREQ(names.stcPrefix, "run1_VMR");
    EXPECT_STREQ(names.fileName, "run1_VMR.fmr");
    ASSERT_TRUE(composeFmrProjectionNames(headerWithPrefix("run1"), headerWithPrefix("run2"), names));
    EXPECT_STREQ(names.stcPrefix, "run1_from_run2");
    EXPECT_STREQ(names.fileName, "run1_from_run2.fmr");
    ASSERT_TRUE(composeVmrProjectionNames(headerWithPrefix(""), names));
    EXPECT_STREQ(names.fileName, "_VMR.fmr");
}

TEST(FmrNaming, ApplyingEmptiesTheLinkedFileAndLeavesOtherBytes) {
    FmrHeader header = headerWithPrefix("run1");
    std::snprintf(header.fileName, sizeof header.fileName, "a_much_longer_original_name.fmr");
    std::snprintf(header.linkedFileName, sizeof header.linkedFileName, "run1.prt");
    header.dimX = 64;
    FmrSavedNames names;
    ASSERT_TRUE(composeVmrProjectionNames(header, names));
    applySavedNames(names, header);
    EXPECT_STREQ(header.stcPrefix, "run1_VMR");
    EXPECT_STREQ(header.fileName, "run1_VMR.fmr");
    EXPECT_STREQ(header.linkedFileName, "");
    EXPECT_EQ(header.dimX, 64);
}

TEST(FmrNaming, JoinRefusesWhatDoesNotFitAndReadsOnlyWithinBounds) {
    char destination[8];
    std::memset(destination, 'x', sizeof destination);
    const char unterminated[4] = {'a', 'b', 'c', 'd'}; // no NUL: read no further than its 4 bytes
    struct Case {
        const char* name;
        std::vector<NamePart> parts;
        size_t capacity;
        const char* result; // null: refused
    };
    const size_t unbounded = static_cast<size_t>(-1);
    const Case cases[] = {
        {"exact fit", {{"abc", unbounded}, {".fmr", unbounded}}, 8, "abc.fmr"},
        {"one over", {{"abcd", unbounded}, {".fmr", unbounded}}, 8, nullptr},
        {"bounded part", {{unterminated, 4}, {"_V", unbounded}}, 8, "abcd_V"},
        {"bounded part too long", {{unterminated, 4}, {"_VMR", unbounded}}, 8, nullptr},
        {"bound shorter than text", {{"abcdef", 2}, {"!", unbounded}}, 8, "ab!"},
        {"zero capacity", {{"", unbounded}}, 0, nullptr},
        {"empty fits one byte", {{"", unbounded}}, 1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::memset(destination, 'x', sizeof destination);
        bool joined =
            joinNameParts(destination, c.capacity, c.parts.data(), static_cast<int>(c.parts.size()));
        if (c.result == nullptr) {
            EXPECT_FALSE(joined);
            EXPECT_EQ(std::string(destination, sizeof destination), std::string(8, 'x'));
        } else {
            EXPECT_TRUE(joined);
            EXPECT_STREQ(destination, c.result);
        }
    }
}

TEST(MappingChoice, OnlyOneAndTwoAreTakenAsAnswered) {
    EXPECT_EQ(mappingChoiceFromAnswer(1), kMappingFmrToVmr);
    EXPECT_EQ(mappingChoiceFromAnswer(2), kMappingVmrToFmr);
    for (int answer : {3, 0, 7, -1, 2147483647}) {
        EXPECT_EQ(mappingChoiceFromAnswer(answer), kMappingFmrToFmr) << answer;
    }
}

} // namespace

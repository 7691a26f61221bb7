// Mapping 1 on small grids: painted bytes, the SSD against the unpainted bytes and the NCC after painting.
#include <gtest/gtest.h>

#include <vector>

#include "geometry/log_number.h"
#include "projection/projections.h"
#include "tests/projection/projection_scenario.h"

namespace {

// Runs the projection and returns its SSD and NCC as the log prints them; the matrix it applied is the
// builder's result, not inverted.
std::vector<std::string> project(VmrDocument& vmr, FmrDocument& fmr) {
    FmrToVmrResult result =
        projectFmrToVmr(vmr.bytes.data(), vmr.header, vmr.flip, fmr.volume, fmr.header, fmr.position, fmr.ia);
    const VmrToFmrFactors expected =
        buildVmrToFmrMatrix(fmr.header, fmr.position, vmr.header, vmr.flip, fmr.ia);
    EXPECT_EQ(0, std::memcmp(&expected.result, &result.factors.result, sizeof expected.result));
    return {logNumberText(result.ssd), logNumberText(result.ncc)};
}

std::vector<std::string> results(const char* ssd, const char* ncc) {
    return {ssd, ncc};
}

TEST(ProjectFmrToVmr, IdentityMappingPaintsByTheWriteRule) {
    VmrDocument vmr(2, 2, 2, 1, {5, 15, 25, 35, 45, 55, 65, 75});
    FmrDocument fmr(2, 2, 2, 1, {100, 20, 20.5f, 225.5f, 0, 300, 15, 50});
    // SSD against the old bytes: 95^2 + 5^2 + 4.5^2 + 190.5^2 + 45^2 + 245^2 + 50^2 + 25^2; the value 20
    // is not painted but counted.
    EXPECT_EQ(results("110535.500000", "0.941539"), project(vmr, fmr));
    EXPECT_EQ((std::vector<unsigned char>{100, 15, 21, 225, 45, 225, 65, 50}), vmr.bytes);
}

TEST(ProjectFmrToVmr, SingleVoxelExamples) {
    // f = 100 over b = 40: SSD 3600, the byte becomes 100, and pass 2 sums 100*100 three times.
    VmrDocument vmr(1, 1, 1, 1, {40});
    FmrDocument fmr(1, 1, 1, 1, {100});
    EXPECT_EQ(results("3600.000000", "1.000000"), project(vmr, fmr));
    EXPECT_EQ(100, vmr.bytes[0]);

    // f = 20 leaves the byte but still counts (20 - 40)^2.
    VmrDocument unpainted(1, 1, 1, 1, {40});
    FmrDocument threshold(1, 1, 1, 1, {20});
    EXPECT_EQ(results("400.000000", "1.000000"), project(unpainted, threshold));
    EXPECT_EQ(40, unpainted.bytes[0]);
}

// 4 x 4 x 4 VMR of 1 mm against a 2 x 2 x 2 FMR of 2 mm: each FMR voxel covers a 2 x 2 x 2 block.
std::vector<float> blockValues() {
    std::vector<float> values;
    for (int k = 0; k < 8; ++k)
        values.push_back(30.0f + 10.0f * k);
    return values;
}

std::vector<unsigned char> expectedBlocks(int shiftX, unsigned char background,
                                          const std::vector<float>& values) {
    std::vector<unsigned char> bytes;
    for (int z = 0; z < 4; ++z)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                int i = x / 2 + shiftX;
                float f = i >= 0 && i < 2 ? values[i + 2 * (y / 2 + 2 * (z / 2))] : 0.0f;
                bytes.push_back(f > 20 ? static_cast<unsigned char>(f) : background);
            }
    return bytes;
}

TEST(ProjectFmrToVmr, CoarseFmrCoversBlocks) {
    VmrDocument vmr(4, 4, 4, 1, std::vector<unsigned char>(64, 7));
    FmrDocument fmr(2, 2, 2, 2, blockValues());
    // Each f appears eight times: 8 * (23^2 + 33^2 + ... + 93^2); painted everywhere, so NCC is 1.
    EXPECT_EQ(results("248896.000000", "1.000000"), project(vmr, fmr));
    EXPECT_EQ(expectedBlocks(0, 7, blockValues()), vmr.bytes);
}

TEST(ProjectFmrToVmr, PartialOverlap) {
    // Shifted by one FMR voxel (2 mm) along x: VMR columns 0 and 1 see FMR column 1, columns 2 and 3 fall
    // outside. One covering value is at the threshold's low side and is counted but not painted.
    std::vector<float> values = blockValues();
    values[1] = 10;
    VmrDocument vmr(4, 4, 4, 1, std::vector<unsigned char>(64, 7));
    FmrDocument fmr(2, 2, 2, 2, values);
    fmr.translate(2, 0, 0);
    // SSD 8 * (3^2 + 53^2 + 73^2 + 93^2); NCC 160560^2 / (160392 * 160800).
    EXPECT_EQ(results("134368.000000", "0.999553"), project(vmr, fmr));
    std::vector<unsigned char> expected = expectedBlocks(1, 7, values);
    EXPECT_EQ(expected, vmr.bytes);
    EXPECT_EQ(7, vmr.bytes[2]); // outside the FMR: unchanged
}

TEST(ProjectFmrToVmr, EmptyOverlapAndEmptyVmrLogZeroAndNan) {
    VmrDocument vmr(4, 4, 4, 1, std::vector<unsigned char>(64, 7));
    FmrDocument fmr(2, 2, 2, 2, blockValues());
    fmr.translate(100, 0, 0);
    EXPECT_EQ(results("0.000000", "nan"), project(vmr, fmr));
    EXPECT_EQ(std::vector<unsigned char>(64, 7), vmr.bytes);

    const int sizes[][3] = {{0, 4, 4}, {4, -1, 4}, {4, 4, 0}};
    for (const auto& size : sizes) {
        VmrDocument empty(size[0], size[1], size[2], 1, {});
        FmrDocument covering(2, 2, 2, 2, blockValues());
        EXPECT_EQ(results("0.000000", "nan"), project(empty, covering));
    }
}

TEST(ProjectFmrToVmr, MappedCoordinatesOnHalfTiesRoundUp) {
    // Same voxel sizes, FMR shifted by +0.5 voxel: VMR x maps to x + 0.5, which rounds to x + 1, so the
    // last column (3.5 = Fx - 0.5) falls outside.
    VmrDocument up(4, 1, 1, 1, {1, 2, 3, 4});
    FmrDocument fmrUp(4, 1, 1, 1, {30, 40, 50, 60});
    fmrUp.translate(0.5f, 0, 0);
    project(up, fmrUp);
    EXPECT_EQ((std::vector<unsigned char>{40, 50, 60, 4}), up.bytes);

    // Shifted by -0.5: x maps to x - 0.5, which rounds to x; the first column at exactly -0.5 is inside.
    VmrDocument down(4, 1, 1, 1, {1, 2, 3, 4});
    FmrDocument fmrDown(4, 1, 1, 1, {30, 40, 50, 60});
    fmrDown.translate(-0.5f, 0, 0);
    project(down, fmrDown);
    EXPECT_EQ((std::vector<unsigned char>{30, 40, 50, 60}), down.bytes);
}

TEST(ProjectFmrToVmr, TraversalIsZThenYThenX) {
    // A 1 x 2 x 2 FMR of 2 mm over a 2 x 4 x 4 VMR: rows and slices land in their own blocks, which pins
    // the addressing x + nx * (y + ny * z) on both grids.
    VmrDocument vmr(2, 4, 4, 1, std::vector<unsigned char>(32, 0));
    FmrDocument fmr(1, 2, 2, 2, {30, 40, 50, 60});
    project(vmr, fmr);
    for (int z = 0; z < 4; ++z)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 2; ++x)
                EXPECT_EQ(30 + 10 * (y / 2) + 20 * (z / 2), vmr.bytes[x + 2 * (y + 4 * z)]);
}

TEST(ProjectFmrToVmr, SsdRoundsEachSquareBeforeAdding) {
    // The second square, fused into the running sum, would give 22324.244141.
    VmrDocument vmr(2, 1, 1, 1, {0, 0});
    FmrDocument fmr(2, 1, 1, 1, {109.6828842163086f, 101.45890045166016f});
    EXPECT_EQ("22324.242188", project(vmr, fmr)[0]);
}

} // namespace

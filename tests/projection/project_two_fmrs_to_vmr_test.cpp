// Mapping 3 on small grids: precedence of the two FMRs in the VMR, the copy of FMR 2 into FMR 1, and the
// comparison sums over the VMR voxels that both cover.
#include <gtest/gtest.h>

#include <vector>

#include "projection/projections.h"
#include "tests/projection/projection_scenario.h"

namespace {

// Runs the projection and returns its negative correlation, NCC and SSD as the log prints them; each FMR
// is mapped with its own builder result.
std::vector<std::string> project(VmrDocument& vmr, FmrDocument& fmr1, const FmrDocument& fmr2) {
    TwoFmrsToVmrResult result =
        projectTwoFmrsToVmr(vmr.bytes.data(), vmr.header, vmr.flip, fmr1.volume, fmr1.header, fmr1.position,
                            fmr1.ia, fmr2.volume, fmr2.header, fmr2.position, fmr2.ia);
    const VmrToFmrFactors expected1 =
        buildVmrToFmrMatrix(fmr1.header, fmr1.position, vmr.header, vmr.flip, fmr1.ia);
    const VmrToFmrFactors expected2 =
        buildVmrToFmrMatrix(fmr2.header, fmr2.position, vmr.header, vmr.flip, fmr2.ia);
    EXPECT_EQ(0, std::memcmp(&expected1.result, &result.factors1.result, sizeof(Matrix4)));
    EXPECT_EQ(0, std::memcmp(&expected2.result, &result.factors2.result, sizeof(Matrix4)));
    return {logNumberText(result.negativeCorrelation), logNumberText(result.ncc), logNumberText(result.ssd)};
}

std::vector<std::string> results(const char* negativeCorrelation, const char* ncc, const char* ssd) {
    return {negativeCorrelation, ncc, ssd};
}

TEST(ProjectTwoFmrsToVmr, SecondFmrWinsAndIsReadBackFromTheFirst) {
    // Both VMR voxels of a 2-voxel row lie in the single 2 mm voxel of FMR 1 and in their own voxel of
    // FMR 2. Voxel 0 paints 50, then 80 over it and copies 80 into V1; voxel 1 reads that 80 back from V1
    // and keeps it, since FMR 2's 15 is not above 20.
    VmrDocument vmr(2, 1, 1, 1, {7, 9});
    FmrDocument fmr1(1, 1, 1, 2, {50});
    FmrDocument fmr2(2, 1, 1, 1, {80, 15});
    // Pairs (80, 80) and (80, 15): V1 is constant, so the correlation is 0/0.
    EXPECT_EQ(results("nan", "0.681132", "4225.000000"), project(vmr, fmr1, fmr2));
    EXPECT_EQ((std::vector<unsigned char>{80, 80}), vmr.bytes);
    EXPECT_EQ(std::vector<float>{80}, fmr1.values);
    EXPECT_EQ((std::vector<float>{80, 15}), fmr2.values);

    // With 80 then 90 from FMR 2, V1 ends with the value of the last voxel in traversal order.
    VmrDocument again(2, 1, 1, 1, {7, 9});
    FmrDocument first(1, 1, 1, 2, {50});
    FmrDocument second(2, 1, 1, 1, {80, 90});
    project(again, first, second);
    EXPECT_EQ((std::vector<unsigned char>{80, 90}), again.bytes);
    EXPECT_EQ(std::vector<float>{90}, first.values);
}

TEST(ProjectTwoFmrsToVmr, LowSecondValueLeavesTheFirstInPlace) {
    VmrDocument vmr(1, 1, 1, 1, {7});
    FmrDocument fmr1(1, 1, 1, 1, {50});
    FmrDocument fmr2(1, 1, 1, 1, {15});
    // The pair (50, 15) is counted: SSD 35^2, dot-product NCC 750^2 / (225 * 2500).
    EXPECT_EQ(results("nan", "1.000000", "1225.000000"), project(vmr, fmr1, fmr2));
    EXPECT_EQ(50, vmr.bytes[0]);
    EXPECT_EQ(std::vector<float>{50}, fmr1.values);
}

TEST(ProjectTwoFmrsToVmr, VoxelOutsideTheFirstFmrIsNeitherPaintedNorCounted) {
    // FMR 1 covers only VMR voxel 0 (centred -0.5 rounds to 0, +0.5 to 1); FMR 2 covers both.
    VmrDocument vmr(2, 1, 1, 1, {7, 9});
    FmrDocument fmr1(1, 1, 1, 1, {30});
    FmrDocument fmr2(2, 1, 1, 1, {60, 90});
    EXPECT_EQ(results("nan", "1.000000", "0.000000"), project(vmr, fmr1, fmr2));
    EXPECT_EQ((std::vector<unsigned char>{60, 9}), vmr.bytes);
    EXPECT_EQ(std::vector<float>{60}, fmr1.values);
}

TEST(ProjectTwoFmrsToVmr, CorrelationCountsOnlyTheOverlappingPairs) {
    // Both FMRs cover VMR voxels 1 and 2 of a 4-voxel row. FMR 2 stays at or below 20, so it paints and
    // copies nothing, but its pairs (30, 10) and (50, 20) are compared: perfectly correlated, logged as -1
    // (over all four VMR voxels it would read -0.995...). Dot-product NCC 1300^2 / (500 * 3400).
    VmrDocument vmr(4, 1, 1, 1, {7, 8, 9, 10});
    FmrDocument fmr1(2, 1, 1, 1, {30, 50});
    FmrDocument fmr2(2, 1, 1, 1, {10, 20});
    EXPECT_EQ(results("-1.000000", "0.994118", "1300.000000"), project(vmr, fmr1, fmr2));
    EXPECT_EQ((std::vector<unsigned char>{7, 30, 50, 10}), vmr.bytes);
    EXPECT_EQ((std::vector<float>{30, 50}), fmr1.values);
}

TEST(ProjectTwoFmrsToVmr, EmptyOverlapLogsNanNanAndZero) {
    VmrDocument vmr(4, 1, 1, 1, {7, 8, 9, 10});
    FmrDocument fmr1(2, 1, 1, 1, {30, 50});
    FmrDocument fmr2(2, 1, 1, 1, {60, 70});
    fmr2.translate(100, 0, 0);
    EXPECT_EQ(results("nan", "nan", "0.000000"), project(vmr, fmr1, fmr2));
    EXPECT_EQ((std::vector<unsigned char>{7, 30, 50, 10}), vmr.bytes); // FMR 1 alone still paints

    VmrDocument empty(0, 1, 1, 1, {});
    EXPECT_EQ(results("nan", "nan", "0.000000"), project(empty, fmr1, fmr2));
}

} // namespace

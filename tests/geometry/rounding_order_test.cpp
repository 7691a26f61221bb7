// The arithmetic is rounded operation by operation: inputs chosen so that a fused multiply-add would give a
// different result prove that the build does not contract products into sums.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/matrix4.h"
#include "projection/grid.h"

namespace {

// a*a = 1 + 2^-11 + 2^-24, which rounds to 1 + 2^-11: adding -(1 + 2^-11) then gives 0 when the product is
// rounded, and 2^-24 when it is fused.
const float kA = 1.0f + 1.0f / 4096.0f;
const float kRoundedSquare = 1.0f + 1.0f / 2048.0f;

TEST(RoundingOrder, InputsDistinguishFusedFromRoundedProducts) {
    volatile float a = kA;
    volatile float c = -kRoundedSquare;
    EXPECT_EQ(std::ldexp(1.0f, -24), std::fma(a, a, c));
}

TEST(RoundingOrder, VoxelMappingRoundsEachProduct) {
    // -a*a + rounded square is 0 when the product is rounded, so the offset 0.5 rounds up to 1; fused it is
    // -2^-24, and the sum rounds down to 0.
    const float row[4] = {-kA, 1, 0, 0};
    EXPECT_EQ(1, mapAxis(row, kA, kRoundedSquare, 0, 0.5f));
}

TEST(RoundingOrder, MultiplyRoundsEachProduct) {
    Matrix4 left, right, product;
    setIdentity(left);
    setIdentity(right);
    left.m[0] = kA;
    left.m[1] = 1;
    right.m[0] = kA;
    right.m[4] = -kRoundedSquare;
    multiply(left, right, product);
    EXPECT_EQ(0.0f, product.m[0]);
}

} // namespace

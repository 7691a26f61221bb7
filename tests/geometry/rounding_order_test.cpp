// The arithmetic is rounded operation by operation: inputs chosen so that a fused multiply-add would give a
// different result prove that the build does not contract products into sums.
#include <gtest/gtest.h>

#include <cmath>

#include "geometry/matrix4.h"

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

TEST(RoundingOrder, TransformPointRoundsEachProduct) {
    const Matrix4 m = {{kA, 1, 0, 0, 0, 0, kA, 1, 1, 0, 0, 0, 0, 0, 0, 1}};
    const Vector4 v = {kA, -kRoundedSquare, kA, -kRoundedSquare};
    Vector4 r;
    transformPoint(m, v, r);
    EXPECT_EQ(0.0f, r.x);
    EXPECT_EQ(0.0f, r.y);
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

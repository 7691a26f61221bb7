// Matrix4 operations, the conversion of the host's initial alignment, and the matrix log text.
#include <float.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "geometry/matrix4.h"

namespace {

Matrix4 matrixOf(std::initializer_list<float> values) {
    Matrix4 m;
    int k = 0;
    for (float v : values) {
        m.m[k++] = v;
    }
    return m;
}

IaMatrix iaOf(const Matrix4& m) {
    IaMatrix ia;
    memcpy(ia.s, m.m, sizeof ia.s);
    return ia;
}

void expectMatrixEq(const Matrix4& actual, const Matrix4& expected) {
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(actual.m[k], expected.m[k]) << "element [" << k / 4 << "][" << k % 4 << "]";
    }
}

std::string logText(const float values[16], const char* title) {
    char* text = matrixLogText(values, title);
    EXPECT_NE(text, nullptr);
    std::string result = text != nullptr ? text : "";
    free(text);
    return result;
}

const Matrix4 kIdentity = matrixOf({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1});

TEST(Matrix4, IdentityAndScalingOverwriteEveryElement) {
    Matrix4 m;
    memset(&m, 0xFF, sizeof m); // NaN everywhere
    setIdentity(m);
    expectMatrixEq(m, kIdentity);
    memset(&m, 0xFF, sizeof m);
    setScaling(m, 2.0f, -3.0f, 0.5f);
    expectMatrixEq(m, matrixOf({2, 0, 0, 0, 0, -3, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1}));
}

TEST(Matrix4, ScalingByTheReciprocalOfAZeroSizeIsInfinite) {
    volatile float zero = 0.0f;
    Matrix4 m;
    setScaling(m, 1.0f / zero, 1.0f, -1.0f / zero);
    EXPECT_TRUE(isinf(m.m[0]) && m.m[0] > 0);
    EXPECT_EQ(m.m[5], 1.0f);
    EXPECT_TRUE(isinf(m.m[10]) && m.m[10] < 0);
    EXPECT_EQ(m.m[15], 1.0f);
}

TEST(Matrix4, MultiplyingByTheIdentityOnEitherSideKeepsTheOperand) {
    const Matrix4 a = matrixOf({1.5f, -2, 3.25f, 4, 5, 6e-7f, -7, 8, 9, 10, 1e20f, 12, 0.1f, 0.2f, 0.3f, 1});
    Matrix4 result;
    multiply(kIdentity, a, result);
    expectMatrixEq(result, a);
    multiply(a, kIdentity, result);
    expectMatrixEq(result, a);
}

TEST(Matrix4, RightFactorActsFirst) {
    Matrix4 scale;
    setScaling(scale, 2.0f, 2.0f, 2.0f);
    Matrix4 shift = kIdentity;
    shift.m[3] = 10.0f;
    Matrix4 shiftAfterScale;
    multiply(shift, scale, shiftAfterScale);
    // Scaled first, then shifted: the shift stays 10; shifted first, the shift is scaled too.
    EXPECT_EQ(shiftAfterScale.m[0], 2.0f);
    EXPECT_EQ(shiftAfterScale.m[3], 10.0f);
    Matrix4 scaleAfterShift;
    multiply(scale, shift, scaleAfterShift);
    EXPECT_EQ(scaleAfterShift.m[3], 20.0f);
}

TEST(Matrix4, DotProductsRoundEachProductAndAddInIndexOrder) {
    // (1e8 + 1) rounds back to 1e8, so ((1e8 + 1) - 1e8) + 1 is 1 while any other order gives 2 or 0.
    Matrix4 left = matrixOf({1e8f, 1, -1e8f, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Matrix4 ones = matrixOf({1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    Matrix4 product;
    multiply(left, ones, product);
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(product.m[j], 1.0f) << j;
    }

    // a*a = 1 + 2^-11 + 2^-24 rounds to 1 + 2^-11 before the sum; a fused multiply-add would keep 2^-24.
    const float a = 1.0f + ldexpf(1.0f, -12);
    const float b = -(1.0f + ldexpf(1.0f, -11));
    Matrix4 row = matrixOf({a, b, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    Matrix4 column = matrixOf({a, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    multiply(row, column, product);
    EXPECT_EQ(product.m[0], 0.0f);
}

TEST(ConvertIaMatrix, KnownStoredMatrices) {
    struct Case {
        const char* what;
        Matrix4 stored;
        Matrix4 expected;
    };
    const Case cases[] = {
        {"identity", kIdentity, kIdentity},
        {"translation in s3, s7, s11 is negated",
         matrixOf({1, 0, 0, 10, 0, 1, 0, 20, 0, 0, 1, 30, 0, 0, 0, 1}),
         matrixOf({1, 0, 0, -10, 0, 1, 0, -20, 0, 0, 1, -30, 0, 0, 0, 1})},
        {"s12, s13, s14 are added as they stand",
         matrixOf({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1}),
         matrixOf({1, 0, 0, 10, 0, 1, 0, 20, 0, 0, 1, 30, 0, 0, 0, 1})},
        // Rotation by 90 degrees about z, then the shift (1, 2, 3): the result is [R^T | -R^T t].
        {"rigid transformation is inverted", matrixOf({0, -1, 0, 1, 1, 0, 0, 2, 0, 0, 1, 3, 0, 0, 0, 1}),
         matrixOf({0, 1, 0, -2, -1, 0, 0, 1, 0, 0, 1, -3, 0, 0, 0, 1})},
        {"row 3 keeps only s15", matrixOf({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 4}),
         matrixOf({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 4})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Matrix4 result;
        memset(&result, 0xFF, sizeof result);
        convertIaMatrix(iaOf(c.stored), result);
        expectMatrixEq(result, c.expected);
    }
}

TEST(ConvertIaMatrix, GivesTheInverseOfAGeneralRigidTransformation) {
    const float c = cosf(0.5f);
    const float s = sinf(0.5f);
    // Rotation about x by 0.5 rad, then about z by 0.5 rad (product written out), then a shift.
    const Matrix4 stored = matrixOf({c, -s * c, s * s, 12.5f,  //
                                     s, c * c, -c * s, -7.25f, //
                                     0, s, c, 3.0f,            //
                                     0, 0, 0, 1});
    Matrix4 converted;
    convertIaMatrix(iaOf(stored), converted);
    Matrix4 product;
    multiply(converted, stored, product);
    for (int k = 0; k < 16; ++k) {
        EXPECT_NEAR(product.m[k], kIdentity.m[k], 2e-6f) << k;
    }
    // Row 3 must be exactly (0, 0, 0, 1) whatever s3, s7, s11 hold.
    EXPECT_EQ(converted.m[12], 0.0f);
    EXPECT_EQ(converted.m[13], 0.0f);
    EXPECT_EQ(converted.m[14], 0.0f);
    EXPECT_EQ(converted.m[15], 1.0f);
}

TEST(MatrixLogText, IdentityPrintsFiveLines) {
    EXPECT_EQ(logText(kIdentity.m, "VMR scaling matrix"), "VMR scaling matrix: \n"
                                                          "\t1.000000\t0.000000\t0.000000\t0.000000\n"
                                                          "\t0.000000\t1.000000\t0.000000\t0.000000\n"
                                                          "\t0.000000\t0.000000\t1.000000\t0.000000\n"
                                                          "\t0.000000\t0.000000\t0.000000\t1.000000\n");
}

TEST(MatrixLogText, ValuesInStorageOrderAsPercentF) {
    const float values[16] = {-1, 0.5f, -0.0f, 1e-7f, 123456.789f, -2.5f, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    EXPECT_EQ(logText(values, "Initial FMR1 to VMR mapping"),
              "Initial FMR1 to VMR mapping: \n"
              "\t-1.000000\t0.500000\t-0.000000\t0.000000\n"
              "\t123456.789062\t-2.500000\t3.000000\t4.000000\n"
              "\t5.000000\t6.000000\t7.000000\t8.000000\n"
              "\t9.000000\t10.000000\t11.000000\t12.000000\n");
}

TEST(MatrixLogText, NonFiniteValuesPrintTheSameWhateverTheirSignBit) {
    const float nan = NAN;
    const float values[16] = {
        nan, copysignf(nan, -1.0f), INFINITY, -INFINITY, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const std::string text = logText(values, "t");
    EXPECT_EQ(text.substr(0, text.find('\n', 4) + 1), "t: \n\tnan\tnan\tinf\t-inf\n");
}

TEST(MatrixLogText, LongestTitleAndValuesBelowTenToTheNineteenStillFit) {
    const std::string title(49, 'T');
    float values[16];
    for (int k = 0; k < 16; ++k) {
        values[k] = k % 2 == 0 ? -9.9e18f : 9.9e18f;
    }
    const std::string text = logText(values, title.c_str());
    EXPECT_LE(text.size(), 511u);
    EXPECT_EQ(text.compare(0, title.size() + 3, title + ": \n"), 0);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5);
}

TEST(MatrixLogText, TooLongTextIsCutAt511Characters) {
    float huge[16];
    for (int k = 0; k < 16; ++k) {
        huge[k] = k % 2 == 0 ? -FLT_MAX : FLT_MAX;
    }
    // What the text would be without the 512-byte buffer.
    std::string full = "big: \n";
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            char number[64];
            snprintf(number, sizeof number, "\t%f", static_cast<double>(huge[4 * row + column]));
            full += number;
        }
        full += "\n";
    }
    ASSERT_GT(full.size(), 511u);
    EXPECT_EQ(logText(huge, "big"), full.substr(0, 511));

    const std::string longTitle(2000, 'x');
    EXPECT_EQ(logText(kIdentity.m, longTitle.c_str()), longTitle.substr(0, 511));
}

} // namespace

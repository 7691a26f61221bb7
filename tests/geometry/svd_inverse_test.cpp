// Matrix inversion by SVD: the worked cases, failure on non-finite input, and the properties of the
// decomposition on general matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "geometry/svd_decomposition.h"
#include "geometry/svd_inverse.h"

namespace {

const float kInf = std::numeric_limits<float>::infinity();
const float kNan = std::numeric_limits<float>::quiet_NaN();

Matrix4 diagonal(float a, float b, float c, float d) {
    Matrix4 m = {{a, 0, 0, 0, 0, b, 0, 0, 0, 0, c, 0, 0, 0, 0, d}};
    return m;
}

// Owns a 4 x 4 FloatMatrix for the duration of a test.
struct Work {
    FloatMatrix m;
    explicit Work(const Matrix4& source) : m(allocateFloatMatrix(4, 4)) {
        for (int i = 0; i < 4; ++i)
            for (int j = 0; j < 4; ++j)
                m[i][j] = source.m[4 * i + j];
    }
    Work() : m(allocateFloatMatrix(4, 4)) {}
    ~Work() { releaseFloatMatrix(m, 4); }
};

struct Decomposition {
    bool converged;
    float w[4];
    Matrix4 u, v;
};

Decomposition decompose(const Matrix4& source) {
    Work a(source), v;
    Decomposition d;
    d.converged = decomposeSvd(4, 4, a.m, d.w, v.m);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            d.u.m[4 * i + j] = a.m[i][j];
            d.v.m[4 * i + j] = v.m[i][j];
        }
    }
    return d;
}

void expectMatrixEq(const Matrix4& expected, const Matrix4& actual) {
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(expected.m[k], actual.m[k]) << "element " << k;
    }
}

struct ExactCase {
    const char* name;
    Matrix4 source;
    float singularValues[4];
    Matrix4 expectedInverse;
};

TEST(SvdInverse, ExactCasesGiveExactInversesAndUnsortedSingularValues) {
    const ExactCase cases[] = {
        {"identity", diagonal(1, 1, 1, 1), {1, 1, 1, 1}, diagonal(1, 1, 1, 1)},
        {"zero", diagonal(0, 0, 0, 0), {0, 0, 0, 0}, diagonal(0, 0, 0, 0)},
        {"zero singular value dropped", diagonal(2, 4, 0, 1), {2, 4, 0, 1}, diagonal(0.5f, 0.25f, 0, 1)},
        {"negative entry moves its sign into V",
         diagonal(-2, 1, 1, 1),
         {2, 1, 1, 1},
         diagonal(-0.5f, 1, 1, 1)},
    };
    for (const ExactCase& c : cases) {
        SCOPED_TRACE(c.name);
        Decomposition d = decompose(c.source);
        ASSERT_TRUE(d.converged);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(c.singularValues[k], d.w[k]) << "w[" << k << "]";
        }
        Matrix4 inverted;
        inverse(c.source, inverted);
        expectMatrixEq(c.expectedInverse, inverted);
    }
}

TEST(SvdInverse, GeneralMatrixInvertsToSinglePrecisionAccuracy) {
    const Matrix4 source = {{0.5f, 0, 0, 10, 0, 0, -3, 20, 0, 2, 0, 30, 0, 0, 0, 1}};
    const double exact[16] = {2, 0, 0, -20, 0, 0, 0.5, -15, 0, -1.0 / 3.0, 0, 20.0 / 3.0, 0, 0, 0, 1};
    Matrix4 inverted;
    inverse(source, inverted);
    for (int k = 0; k < 16; ++k) {
        EXPECT_NEAR(exact[k], inverted.m[k], 1e-5 * std::fabs(exact[k]) + 2e-6) << "element " << k;
    }
}

TEST(SvdInverse, DestinationMayBeTheSource) {
    Matrix4 source = {{0.5f, 0.25f, 0, 10, -0.125f, 0, -3, 20, 0, 2, 0.75f, 30, 0, 0, 0, 1}};
    Matrix4 separate;
    inverse(source, separate);
    inverse(source, source);
    expectMatrixEq(separate, source);
}

TEST(SvdInverse, NonFiniteInputFailsOrPropagatesNan) {
    Matrix4 allNan;
    for (float& value : allNan.m)
        value = kNan;
    const Matrix4 failing[] = {allNan, diagonal(kInf, 1, 1, 1)};
    for (const Matrix4& source : failing) {
        EXPECT_FALSE(decompose(source).converged);
        // invertBySvd leaves its output untouched on failure ...
        Work a(source), out(diagonal(7, 7, 7, 7));
        EXPECT_FALSE(invertBySvd(a.m, out.m, 4));
        EXPECT_EQ(7.0f, out.m[0][0]);
        EXPECT_EQ(0.0f, out.m[0][1]);
        // ... and inverse turns the failure into NaN everywhere.
        Matrix4 inverted = diagonal(1, 1, 1, 1);
        inverse(source, inverted);
        for (float value : inverted.m)
            EXPECT_TRUE(std::isnan(value));
    }

    // An infinity alone on the diagonal converges with a NaN singular value, which is not dropped.
    Decomposition d = decompose(diagonal(0, 0, 0, kInf));
    ASSERT_TRUE(d.converged);
    EXPECT_EQ(0.0f, d.w[0]);
    EXPECT_EQ(0.0f, d.w[1]);
    EXPECT_EQ(0.0f, d.w[2]);
    EXPECT_TRUE(std::isnan(d.w[3]));
    Matrix4 inverted;
    inverse(diagonal(0, 0, 0, kInf), inverted);
    for (float value : inverted.m)
        EXPECT_TRUE(std::isnan(value));
}

TEST(SvdInverse, TinySingularValueIsInvertedWithoutTolerance) {
    Matrix4 inverted;
    inverse(diagonal(1, 1, 1, 1e-30f), inverted);
    EXPECT_FLOAT_EQ(1e30f, inverted.m[15]);
}

// Reproducible matrices with entries in [-range, range).
Matrix4 pseudoRandomMatrix(unsigned seed, float range) {
    Matrix4 m;
    for (float& value : m.m) {
        seed = seed * 1664525u + 1013904223u;
        value = range * (static_cast<float>(seed >> 8) / 8388608.0f - 1.0f);
    }
    return m;
}

TEST(SvdInverse, DecompositionReconstructsGeneralMatrices) {
    std::vector<Matrix4> sources;
    for (unsigned seed = 1; seed <= 40; ++seed)
        sources.push_back(pseudoRandomMatrix(seed, seed % 2 ? 1.0f : 300.0f));
    // A rank-deficient matrix (row 3 = row 0 + row 1) and a rigid transformation with translation.
    Matrix4 rankDeficient = pseudoRandomMatrix(99, 1.0f);
    for (int j = 0; j < 4; ++j)
        rankDeficient.m[12 + j] = rankDeficient.m[j] + rankDeficient.m[4 + j];
    sources.push_back(rankDeficient);
    sources.push_back(Matrix4{{0, -1, 0, 12.5f, 0, 0, 1, -3, 1, 0, 0, 40, 0, 0, 0, 1}});

    for (size_t c = 0; c < sources.size(); ++c) {
        SCOPED_TRACE(c);
        const Matrix4& a = sources[c];
        Decomposition d = decompose(a);
        ASSERT_TRUE(d.converged);
        double scale = 0;
        for (float w : d.w) {
            EXPECT_GE(w, 0.0f);
            scale = std::max(scale, static_cast<double>(w));
        }
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                double reconstructed = 0, uu = 0, vv = 0;
                for (int k = 0; k < 4; ++k) {
                    reconstructed += double(d.u.m[4 * i + k]) * d.w[k] * d.v.m[4 * j + k];
                    uu += double(d.u.m[4 * k + i]) * d.u.m[4 * k + j];
                    vv += double(d.v.m[4 * k + i]) * d.v.m[4 * k + j];
                }
                EXPECT_NEAR(a.m[4 * i + j], reconstructed, 2e-6 * scale);
                EXPECT_NEAR(i == j ? 1.0 : 0.0, uu, 2e-6);
                EXPECT_NEAR(i == j ? 1.0 : 0.0, vv, 2e-6);
            }
        }
    }
}

TEST(SvdInverse, InverseTimesSourceIsIdentityForWellConditionedMatrices) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        Matrix4 a = pseudoRandomMatrix(seed, 1.0f);
        for (int k = 0; k < 4; ++k)
            a.m[5 * k] += 4.0f; // diagonally dominant, so well conditioned
        Matrix4 inverted;
        inverse(a, inverted);
        for (int i = 0; i < 4; ++i) {
            for (int j = 0; j < 4; ++j) {
                double product = 0;
                for (int k = 0; k < 4; ++k)
                    product += double(a.m[4 * i + k]) * inverted.m[4 * k + j];
                EXPECT_NEAR(i == j ? 1.0 : 0.0, product, 1e-5) << seed;
            }
        }
    }
}

TEST(SvdInverse, HypotenuseAndSign) {
    EXPECT_EQ(5.0f, hypotenuse(3, 4));
    EXPECT_EQ(5.0f, hypotenuse(-4, 3));
    EXPECT_EQ(0.0f, hypotenuse(0, 0));
    EXPECT_EQ(7.0f, hypotenuse(0, -7));
    EXPECT_FLOAT_EQ(1.41421356e30f, hypotenuse(1e30f, 1e30f)); // the plain square would overflow
    EXPECT_TRUE(std::isnan(hypotenuse(kNan, 1)));

    EXPECT_EQ(2.0f, sign(-2, 0.0f));
    EXPECT_EQ(2.0f, sign(-2, -0.0f)); // -0 >= 0
    EXPECT_EQ(-2.0f, sign(2, -1e-30f));
    EXPECT_EQ(-2.0f, sign(2, kNan));
}

TEST(SvdInverse, FloatMatrixAllocation) {
    FloatMatrix m = allocateFloatMatrix(3, 5);
    ASSERT_NE(nullptr, m);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 5; ++j)
            m[i][j] = float(i * 5 + j);
    EXPECT_EQ(14.0f, m[2][4]);
    releaseFloatMatrix(m, 3);
    EXPECT_EQ(nullptr, allocateFloatMatrix(-1, 4));
    releaseFloatMatrix(nullptr, 4);
}

} // namespace

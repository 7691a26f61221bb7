// The fast kernels against the straightforward loops, on both paths: thousands of random grids and
// matrices (flips, axis swaps, exact .5 ties, NaN, infinite and huge entries, empty and full overlap,
// one-voxel and odd-sized grids). VMR bytes, FMR samples and the bits of every sum must be identical.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "platform/cpu_features.h"
#include "projection/avx2_lanes.h"
#include "projection/walk_kernels.h"

// The straightforward loops of mappings 1, 3 and 2 (reference_projections.cpp).
FmrPaintSums referencePaintFmrIntoVmr(const Matrix4& m, unsigned char* vmr, const GridSize& vmrSize,
                                      const float* fmr, const GridSize& fmrSize);
FmrPairSums referencePaintTwoFmrs(const Matrix4& m1, const Matrix4& m2, unsigned char* vmr,
                                  const GridSize& vmrSize, float* fmr1, const GridSize& fmrSize1,
                                  const float* fmr2, const GridSize& fmrSize2);
void referenceSampleVmrIntoFmr(const Matrix4& m, const unsigned char* vmr, const GridSize& vmrSize,
                               float* fmr, const GridSize& fmrSize);

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN(), kInf = std::numeric_limits<float>::infinity();

// Same bits, except that any NaN matches any NaN: which NaN an addition of two NaNs keeps depends on the
// compiler's operand order, and the log prints every NaN as "nan".
bool sameSums(const float* a, const float* b, int count) {
    for (int k = 0; k < count; ++k)
        if (!(std::isnan(a[k]) && std::isnan(b[k])) && std::memcmp(&a[k], &b[k], sizeof(float)) != 0)
            return false;
    return true;
}

struct RandomCase {
    std::mt19937 random;
    GridSize vmr, fmr1, fmr2;
    Matrix4 m1, m2;
    std::vector<unsigned char> bytes;
    std::vector<float> values1, values2;

    explicit RandomCase(unsigned seed) : random(seed) {
        vmr = size(20, random() % 4 ? 0 : 40); // some rows long enough for several groups of eight
        fmr1 = size(10, 0);
        fmr2 = size(10, 0);
        m1 = matrix(vmr, fmr1);
        m2 = matrix(vmr, fmr2);
        for (int64_t k = 0; k < int64_t(vmr.x) * vmr.y * vmr.z; ++k)
            bytes.push_back(static_cast<unsigned char>(random()));
        values1 = values(fmr1);
        values2 = values(fmr2);
    }

    int between(int low, int high) { return low + static_cast<int>(random() % unsigned(high - low + 1)); }
    float uniform(float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); }

    GridSize size(int most, int widestX) {
        GridSize s = {between(1, widestX ? widestX : most), between(1, most), between(1, most)};
        return s;
    }

    // A matrix from centred walked to centred target coordinates of one of eight kinds.
    Matrix4 matrix(const GridSize& walked, GridSize& target) {
        Matrix4 m;
        setIdentity(m);
        const int kind = between(0, 7);
        if (kind == 0 || kind == 3) { // any real matrix
            for (int k = 0; k < 12; ++k)
                m.m[k] = k % 4 == 3 ? uniform(-12, 12) : uniform(-1.5f, 1.5f);
        } else if (kind == 1 || kind == 4) { // axis swaps and flips by exact scales: many .5 ties
            const float scales[] = {0.125f, 0.25f, 0.5f, 1, 2, 3};
            int axes[3] = {0, 1, 2};
            std::shuffle(axes, axes + 3, random);
            for (int r = 0; r < 3; ++r) {
                m.m[4 * r + r] = 0;
                m.m[4 * r + axes[r]] = scales[between(0, 5)] * (random() % 2 ? 1 : -1);
                m.m[4 * r + 3] = between(-24, 24) * 0.25f;
            }
        } else if (kind == 2) { // eighths: ties also on oblique matrices
            for (int k = 0; k < 12; ++k)
                m.m[k] = k % 4 == 3 ? between(-20, 20) * 0.5f : between(-16, 16) * 0.125f;
        } else if (kind == 5) { // the same grid, identity: full overlap
            target = walked;
        } else if (kind == 7) { // coarse along the rows: one target voxel over several groups of eight
            for (int k = 0; k < 12; ++k)
                m.m[k] = k % 4 == 0 ? uniform(-0.12f, 0.12f) : uniform(-1.5f, 1.5f);
        } else { // huge z and shift terms that cancel in one plane: coordinates off by up to a voxel there
            const float cz = static_cast<float>(between(0, walked.z - 1)) - (walked.z - 1) * 0.5f;
            for (int r = 0; r < 3; ++r) {
                m.m[4 * r] = uniform(0.1f, 1.5f) * (random() % 2 ? 1 : -1);
                m.m[4 * r + 1] = uniform(-1, 1);
                m.m[4 * r + 2] = uniform(1e6f, 9e6f);
                m.m[4 * r + 3] = -(m.m[4 * r + 2] * cz) + uniform(-4, 4);
            }
        }
        if (kind == 3 || kind == 4) { // some entries NaN, infinite, huge, tiny or zero
            const float specials[] = {kNaN, kInf, -kInf, 1e30f, -3e38f, 1e-40f, 0.0f, -0.0f, 1e7f};
            for (int n = between(1, 3); n > 0; --n)
                m.m[between(0, 11)] = specials[between(0, 8)];
        }
        if (random() % 10 == 0) // no overlap at all
            m.m[4 * between(0, 2) + 3] = 1e4f;
        return m;
    }

    std::vector<float> values(const GridSize& s) {
        const float specials[] = {20,         20.5f,       19.999998f, 225.5f, 225.25f,
                                  225.49998f, 0.49999997f, kNaN,       kInf,   -kInf};
        std::vector<float> v(size_t(s.x) * s.y * s.z);
        for (float& value : v)
            value = random() % 12 == 0 ? specials[between(0, 9)] : uniform(0, random() % 3 ? 240 : 25);
        return v;
    }
};

// Every kernel on one case and one path, against the reference.
void expectSameAsReference(RandomCase& c, KernelPath path, const std::string& name) {
    const VoxelWalk walk1 = makeVoxelWalk(c.m1, c.vmr, c.fmr1), walk2 = makeVoxelWalk(c.m2, c.vmr, c.fmr2);

    std::vector<unsigned char> expectedBytes = c.bytes, bytes = c.bytes;
    const FmrPaintSums expected =
        referencePaintFmrIntoVmr(c.m1, expectedBytes.data(), c.vmr, c.values1.data(), c.fmr1);
    const FmrPaintSums sums = paintFmrIntoVmr(path, walk1, bytes.data(), c.values1.data());
    ASSERT_EQ(expectedBytes, bytes) << name << " mapping 1";
    ASSERT_TRUE(sameSums(&expected.ssd, &sums.ssd, 4)) << name << " mapping 1";

    std::vector<float> expectedSamples = c.values1, samples = c.values1;
    Matrix4 inverse = c.m1;
    inverse.m[3] = -inverse.m[3]; // any matrix will do; this one overlaps often
    referenceSampleVmrIntoFmr(inverse, c.bytes.data(), c.vmr, expectedSamples.data(), c.fmr1);
    sampleVmrIntoFmr(makeVoxelWalk(inverse, c.fmr1, c.vmr), c.bytes.data(), samples.data());
    ASSERT_EQ(0, std::memcmp(expectedSamples.data(), samples.data(), samples.size() * sizeof(float)))
        << name << " mapping 2";

    std::vector<float> expectedValues = c.values1, values = c.values1;
    expectedBytes = bytes = c.bytes;
    const FmrPairSums expectedPairs = referencePaintTwoFmrs(
        c.m1, c.m2, expectedBytes.data(), c.vmr, expectedValues.data(), c.fmr1, c.values2.data(), c.fmr2);
    paintTwoFmrsIntoVmr(path, walk1, walk2, bytes.data(), values.data(), c.values2.data());
    const FmrPairSums pairs = compareTwoFmrs(path, walk1, walk2, values.data(), c.values2.data());
    ASSERT_EQ(expectedBytes, bytes) << name << " mapping 3";
    ASSERT_EQ(0, std::memcmp(expectedValues.data(), values.data(), values.size() * sizeof(float))) << name;
    ASSERT_EQ(expectedPairs.pairs, pairs.pairs) << name;
    ASSERT_TRUE(sameSums(&expectedPairs.sa, &pairs.sa, 6)) << name << " mapping 3";
}

std::vector<KernelPath> pathsToTest() {
    std::vector<KernelPath> paths = {kBaselineKernels};
    if (cpuSupportsAvx2()) // else the AVX2 path would only repeat the baseline one
        paths.push_back(kAvx2Kernels);
    return paths;
}

TEST(WalkKernels, SameAsStraightforwardLoopsOnRandomGrids) {
    for (KernelPath path : pathsToTest()) {
        for (unsigned seed = 1; seed <= 3000; ++seed) {
            RandomCase c(seed);
            expectSameAsReference(c, path, "seed " + std::to_string(seed) + " path " + std::to_string(path));
            if (HasFatalFailure())
                return;
        }
    }
}

// Beyond 2^23 single-precision rounding of x + 0.5 is wrong for every odd x; such targets take the exact
// rounding on both paths. Mapping 1 only, which leaves the 32 MB FMR as it is.
TEST(WalkKernels, TargetAxesBeyondNearRoundingUseExactRounding) {
    const GridSize vmr = {9, 3, 2}, fmr = {(1 << 23) + 7, 1, 1};
    RandomCase c(7);
    const std::vector<float> values = c.values(fmr);
    Matrix4 m;
    setIdentity(m);
    m.m[0] = 1048576.5f; // x spreads over the whole FMR row, up to coordinates above 2^23
    m.m[3] = -4.0f;      // voxel 8 maps to 8388609, odd, inside
    for (KernelPath path : pathsToTest()) {
        const std::string name = "path " + std::to_string(path);
        std::vector<unsigned char> expectedBytes(9 * 3 * 2, 7), bytes = expectedBytes;
        const FmrPaintSums expected =
            referencePaintFmrIntoVmr(m, expectedBytes.data(), vmr, values.data(), fmr);
        const FmrPaintSums sums =
            paintFmrIntoVmr(path, makeVoxelWalk(m, vmr, fmr), bytes.data(), values.data());
        EXPECT_EQ(expectedBytes, bytes) << name;
        EXPECT_TRUE(sameSums(&expected.ssd, &sums.ssd, 4)) << name;
    }
}

POSALIGN_AVX2 void roundEight(const float* values, int32_t* rounded) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(rounded), roundHalfUpNear8(_mm256_loadu_ps(values)));
}

// Sampled here; bench/round_half_up_proof checks every float from -0.5 up to 2^23.
TEST(RoundHalfUpNear, MatchesRoundHalfUpOnSampledFloats) {
    std::vector<float> samples = {0.49999997f, -0.49999997f, -0.5f, 0.0f, -0.0f, 8388607.5f, 8388607.75f};
    for (float half = 0.5f; half <= 80.5f; half += 1.0f) { // every float within 64 steps of a tie
        float below = half, above = half;
        for (int k = 0; k < 64;
             ++k, below = std::nextafter(below, -kInf), above = std::nextafter(above, kInf)) {
            samples.push_back(below);
            samples.push_back(above);
        }
    }
    std::mt19937 random(5);
    for (float value; samples.size() % 8 != 0 || samples.size() < 200000;)
        if (uint32_t bits = random(); std::memcpy(&value, &bits, 4) && value >= -0.5f && value < 8388608.0f)
            samples.push_back(value);
    const bool avx2 = cpuSupportsAvx2();
    for (size_t k = 0; k < samples.size(); k += 8) {
        int32_t eight[8];
        if (avx2)
            roundEight(&samples[k], eight);
        for (int i = 0; i < 8; ++i) {
            ASSERT_EQ(roundHalfUp(samples[k + i]), roundHalfUpNear(samples[k + i])) << samples[k + i];
            ASSERT_TRUE(!avx2 || eight[i] == roundHalfUp(samples[k + i])) << samples[k + i];
        }
    }
}

} // namespace

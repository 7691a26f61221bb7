// The alignment check on a small phantom pair: known offsets found and judged, flips flagged, and the
// awkward inputs (no overlap, one slice, not-a-number samples) judged without crash or non-finite output.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "host/alignment_check/alignment_check.h"
#include "host/alignment_check/check_grid.h"
#include "host/alignment_check/verdict.h"
#include "tests/check/check_test_pair.h"

namespace {

struct OffsetCase {
    const char* name;
    Contrast anatomicalContrast;
    Point3d shiftMm, rotationDeg;
    Verdict verdict;
};

void PrintTo(const OffsetCase& c, std::ostream* out) {
    *out << c.name;
}

class CheckOffsets : public ::testing::TestWithParam<OffsetCase> {};

// The correction found must undo the offset: correction * offset within 1.5 mm of identity over the head.
TEST_P(CheckOffsets, FindsTheOffsetAndJudgesIt) {
    const OffsetCase& c = GetParam();
    const NiftiImage anatomical = testAnatomical(c.anatomicalContrast);
    const NiftiImage functional = testFunctional();
    const NiftiImage moved = movedFunctional(functional, c.shiftMm, c.rotationDeg);
    const RunCheck check = checkAlignment({"anat.nii", &anatomical}, {"func.nii", &moved}, CheckSettings{});
    RigidParameters offset;
    offset.translationMm = c.shiftMm;
    offset.rotationDeg = c.rotationDeg;
    const Matrix4d residual = multiply(check.search.correction, rigidMotion(offset, kTestFunctionalCentre));
    const ScalarGrid grid = temporalMean(functional);
    double error = 0, offsetSize = 0;
    int count = 0;
    for (size_t i = 0; i < grid.values.size(); i += 7) {
        if (grid.values[i] > 500) { // grey and white matter, CSF
            const size_t x = i % grid.nx, y = i / grid.nx % grid.ny, z = i / grid.nx / grid.ny;
            const Point3d p = transformPoint(grid.voxelToWorld, {double(x), double(y), double(z)});
            error += distance(transformPoint(residual, p), p);
            offsetSize += distance(transformPoint(rigidMotion(offset, kTestFunctionalCentre), p), p);
            ++count;
        }
    }
    EXPECT_LT(error / count, 1.5);
    // The grid's corner lies about 100 mm from its centre, where the phantom's smooth, nearly symmetric
    // brain leaves up to about a degree of rotation open to the local correlation.
    const Point3d corner = transformPoint(bestAlignedAffine(check, moved), {0, 0, 0});
    EXPECT_LT(distance(corner, transformPoint(matrixFromRowMajor(functional.voxelToWorld), {0, 0, 0})), 2.5);
    EXPECT_NEAR(check.search.displacementMm, offsetSize / count, 0.5);
    EXPECT_EQ(check.verdict, c.verdict) << check.reasons.front();
    EXPECT_FALSE(check.search.lrFlipSuspected);
    EXPECT_GE(check.search.best, check.search.atHeader);
    EXPECT_EQ(check.anatomicalPath, "anat.nii");
    EXPECT_EQ(check.functionalPath, "func.nii");
}

INSTANTIATE_TEST_SUITE_P(
    Phantom, CheckOffsets,
    ::testing::Values(
        OffsetCase{"AlignedAgainstT1", Contrast::kT1, {0, 0, 0}, {0, 0, 0}, Verdict::kPass},
        OffsetCase{"AlignedAgainstT2", Contrast::kT2, {0, 0, 0}, {0, 0, 0}, Verdict::kPass},
        OffsetCase{"Shift3mmIsAWarn", Contrast::kT1, {0, 3, 0}, {0, 0, 0}, Verdict::kWarn},
        OffsetCase{"Turn4DegreesIsAWarn", Contrast::kT2, {0, 0, 0}, {4, 0, 0}, Verdict::kWarn},
        OffsetCase{"ShiftAndTurnIsAFail", Contrast::kT1, {6, -5, 4}, {5, 0, -4}, Verdict::kFail},
        OffsetCase{"Shift14mmAgainstT2IsAFail", Contrast::kT2, {-14, 0, 0}, {0, 3, 0}, Verdict::kFail}),
    [](const ::testing::TestParamInfo<OffsetCase>& info) { return std::string(info.param.name); });

// A run tilted by one coarse rotation step must not be pulled level when its grid lines up with the
// anatomical's.
TEST(CheckOffsets, TiltedRunShiftedIsNotPulledLevel) {
    const NiftiImage anatomical =
        phantomImage(obliqueGrid(45, 54, 48, {4, 4, 4}, {0, 0, 0}, {0, 0, 0}), Contrast::kT1, 0.03);
    const NiftiImage tilted = phantomImage(
        obliqueGrid(40, 44, 30, {4, 4, 4}, kTestFunctionalCentre, {8, 0, 0}), Contrast::kEpi, 0.03);
    const NiftiImage moved = movedFunctional(tilted, {0, 8, 0}, {0, 0, 0});
    const RunCheck check = checkAlignment({"anat.nii", &anatomical}, {"func.nii", &moved}, CheckSettings{});
    EXPECT_NEAR(check.search.displacementMm, 8.0, 1.0) << check.search.rotationDeg[0];
}

bool reasonsMention(const RunCheck& check, const std::string& words) {
    for (const std::string& reason : check.reasons) {
        if (reason.find(words) != std::string::npos) {
            return true;
        }
    }
    return false;
}

void expectFiniteNumbers(const RunCheck& check) {
    const SearchResult& s = check.search;
    for (double v :
         {check.header.centreDistanceMm, check.header.rotationDeg, check.header.insidePct, s.atHeader, s.best,
          s.mirroredBest, s.displacementMm, s.standardError, s.uncertaintyMm, check.confidence}) {
        EXPECT_TRUE(std::isfinite(v));
    }
    for (const auto& row : s.correction) {
        for (double v : row) {
            EXPECT_TRUE(std::isfinite(v));
        }
    }
}

TEST(CheckFlip, DataMirroredLeftRightIsAFail) {
    for (Contrast contrast : {Contrast::kT1, Contrast::kT2}) {
        const NiftiImage anatomical = testAnatomical(contrast);
        const NiftiImage flipped = flippedAlongX(testFunctional());
        const RunCheck check = checkAlignment({"a", &anatomical}, {"f", &flipped}, CheckSettings{});
        EXPECT_TRUE(check.search.lrFlipSuspected);
        EXPECT_EQ(check.verdict, Verdict::kFail);
        EXPECT_TRUE(reasonsMention(check, "a left-right mirror is suspected"));
        EXPECT_EQ(check.orientation.suspected, "left-right mirror");
    }
}

TEST(CheckAwkwardInputs, NoOverlapFailsWithThatReason) {
    const NiftiImage anatomical = testAnatomical(Contrast::kT1);
    const NiftiImage far = movedFunctional(testFunctional(), {400, 0, 0}, {0, 0, 0});
    const RunCheck check = checkAlignment({"a", &anatomical}, {"f", &far}, CheckSettings{});
    EXPECT_EQ(check.verdict, Verdict::kFail);
    EXPECT_EQ(check.header.overlapVoxels, 0);
    EXPECT_TRUE(reasonsMention(check, "does not overlap"));
    expectFiniteNumbers(check);
}

TEST(CheckAwkwardInputs, LittleOverlapFailsAsTooLittleToJudge) {
    const NiftiImage anatomical = testAnatomical(Contrast::kT1);
    const NiftiImage edge = movedFunctional(testFunctional(), {160, 0, 0}, {0, 0, 0});
    const RunCheck check = checkAlignment({"a", &anatomical}, {"f", &edge}, CheckSettings{});
    EXPECT_GT(check.header.overlapVoxels, 0);
    EXPECT_LT(check.header.insidePct, 20);
    EXPECT_EQ(check.verdict, Verdict::kFail);
    EXPECT_TRUE(reasonsMention(check, "too little to judge"));
}

TEST(CheckAwkwardInputs, OneSliceFunctionalIsJudged) {
    const NiftiImage anatomical = testAnatomical(Contrast::kT1);
    const NiftiImage slice = testFunctional(1);
    const RunCheck check = checkAlignment({"a", &anatomical}, {"f", &slice}, CheckSettings{});
    expectFiniteNumbers(check);
    EXPECT_GT(check.search.best, kInformativeCorrelation);
    EXPECT_LT(check.search.displacementMm, 5.0);
}

TEST(CheckAwkwardInputs, NotANumberSamplesAreLeftOut) {
    const NiftiImage anatomical = testAnatomical(Contrast::kT1);
    NiftiImage functional = movedFunctional(testFunctional(), {0, 3, 0}, {0, 0, 0});
    for (size_t i = 0; i < functional.floatSamples.size(); i += 3) {
        functional.floatSamples[i] = NAN;
    }
    const RunCheck check = checkAlignment({"a", &anatomical}, {"f", &functional}, CheckSettings{});
    expectFiniteNumbers(check);
    EXPECT_EQ(check.verdict, Verdict::kWarn) << check.reasons.front();
    EXPECT_NEAR(check.search.translationMm[1], -3.0, 1.0);

    std::fill(functional.floatSamples.begin(), functional.floatSamples.end(), NAN);
    const RunCheck empty = checkAlignment({"a", &anatomical}, {"f", &functional}, CheckSettings{});
    EXPECT_EQ(empty.verdict, Verdict::kFail);
    EXPECT_TRUE(reasonsMention(empty, "no finite samples"));
}

TEST(CheckAwkwardInputs, ConstantFunctionalCannotBeJudged) {
    const NiftiImage anatomical = testAnatomical(Contrast::kT1);
    NiftiImage functional = testFunctional();
    std::fill(functional.floatSamples.begin(), functional.floatSamples.end(), 100.0f);
    const RunCheck check = checkAlignment({"a", &anatomical}, {"f", &functional}, CheckSettings{});
    EXPECT_EQ(check.verdict, Verdict::kInconclusive);
    EXPECT_TRUE(reasonsMention(check, "share too little structure"));
}

// The small real anatomical of Debian's python3-nibabel, and functionals resampled from it into an oblique
// 3 mm grid: as it is (same contrast) and with the head's intensities inverted (another contrast).
TEST(CheckNibabelPairs, OffsetsAreUndoneAndMirrorsFlagged) {
    const std::string path = "/usr/lib/python3/dist-packages/nibabel/tests/data/anatomical.nii";
    const NiftiReadResult read = readNiftiImage(path, SampleKind::kFloat, NiftiLimits{});
    ASSERT_EQ(read.error, "") << path << " comes with python3-nibabel (scripts/install-deps.sh)";
    const ScalarGrid grid = temporalMean(read.image);
    const float top = intensityRange(grid, 0.995).high;
    const Point3d centre = gridCentre(grid);
    const GridSpec functionalGrid = obliqueGrid(18, 22, 13, {3, 3, 3.5}, centre, {8, 0, -5});
    const NiftiImage same = resampledImage(read.image, functionalGrid, [](float v) { return v; });
    const NiftiImage inverted = resampledImage(
        read.image, functionalGrid, [top](float v) { return v > 0.15f * top ? 1.15f * top - v : 0.0f; });
    struct {
        const char* name;
        const NiftiImage* functional;
        Point3d shiftMm, rotationDeg;
    } cases[] = {{"same contrast, shifted", &same, {5, -7, 4}, {0, 0, 0}},
                 {"same contrast, shifted 15 mm: half the functional leaves the anatomical",
                  &same,
                  {8.7, -8.7, 8.7},
                  {0, 0, 0}},
                 {"same contrast, turned", &same, {0, 0, 0}, {0, 6, -3}},
                 {"inverted, shifted and turned", &inverted, {-6, 3, 0}, {4, 0, 4}}};
    for (const auto& c : cases) {
        RigidParameters offset;
        offset.translationMm = c.shiftMm;
        offset.rotationDeg = c.rotationDeg;
        const Matrix4d motion = rigidMotion(offset, centre);
        const NiftiImage moved = movedImage(*c.functional, motion);
        const RunCheck check = checkAlignment({path, &read.image}, {"moved", &moved}, CheckSettings{});
        const Matrix4d residual = multiply(check.search.correction, motion);
        double worst = 0;
        for (int corner = 0; corner < 8; ++corner) {
            const Point3d p = transformPoint(
                matrixFromRowMajor(c.functional->voxelToWorld),
                {(corner & 1) ? 17.0 : 0.0, (corner & 2) ? 21.0 : 0.0, (corner & 4) ? 12.0 : 0.0});
            worst = std::max(worst, distance(transformPoint(residual, p), p));
        }
        EXPECT_LT(worst, 2.0) << c.name;
        EXPECT_FALSE(check.search.lrFlipSuspected) << c.name;

        const NiftiImage flipped = flippedAlongX(*c.functional);
        EXPECT_TRUE(checkAlignment({path, &read.image}, {"flipped", &flipped}, CheckSettings{})
                        .search.lrFlipSuspected)
            << c.name;
    }
}

// nibabel's own functional (3 slices of 8 mm, T2*-weighted) lies where its header says against its T1: its
// few samples must not let a chance match far off decide the sign of the match (the contrasts are inverted).
TEST(CheckNibabelPairs, TheShippedFunctionalIsFoundAtItsHeader) {
    const std::string folder = "/usr/lib/python3/dist-packages/nibabel/tests/data/";
    const NiftiReadResult anatomical =
        readNiftiImage(folder + "anatomical.nii", SampleKind::kFloat, NiftiLimits{});
    const NiftiReadResult functional =
        readNiftiImage(folder + "functional.nii", SampleKind::kFloat, NiftiLimits{});
    ASSERT_EQ(anatomical.error + functional.error, "");
    const RunCheck check =
        checkAlignment({"anatomical", &anatomical.image}, {"functional", &functional.image}, CheckSettings{});
    EXPECT_NE(check.search.measure.find("negative"), std::string::npos) << check.search.measure;
    EXPECT_LT(check.search.displacementMm, 3.0);
    EXPECT_NE(check.verdict, Verdict::kFail) << check.reasons.front();
    EXPECT_EQ(check.orientation.suspected, "");
}

} // namespace

namespace {

// image's samples rearranged: voxel (x, y, z) of the result takes source voxel at(x, y, z) of the original;
// the result's size is nx, ny, nz and its header the original's (an error the header does not show).
NiftiImage rearranged(const NiftiImage& image, int nx, int ny, int nz,
                      const std::function<size_t(int, int, int)>& at) {
    NiftiImage out = image;
    out.nx = nx;
    out.ny = ny;
    out.nz = nz;
    size_t i = 0;
    for (int z = 0; z < nz; ++z) {
        for (int y = 0; y < ny; ++y) {
            for (int x = 0; x < nx; ++x, ++i) {
                out.floatSamples[i] = image.floatSamples[at(x, y, z)];
            }
        }
    }
    return out;
}

// Every orientation error is named: the run is searched in each orientation and the best one wins clearly.
TEST(CheckOrientation, MirrorsAndSwapsAreNamed) {
    const NiftiImage anatomical = testAnatomical(Contrast::kT2);
    const NiftiImage f = testFunctional();
    const int nx = f.nx, ny = f.ny, nz = f.nz;
    auto index = [&](int x, int y, int z) {
        return x + static_cast<size_t>(nx) * (y + static_cast<size_t>(ny) * z);
    };
    const struct {
        const char* name;
        NiftiImage run;
    } cases[] = {
        {"anterior-posterior mirror",
         rearranged(f, nx, ny, nz, [&](int x, int y, int z) { return index(x, ny - 1 - y, z); })},
        {"superior-inferior mirror",
         rearranged(f, nx, ny, nz, [&](int x, int y, int z) { return index(x, y, nz - 1 - z); })},
        {"axes swapped (left-right with anterior-posterior)",
         rearranged(f, ny, nx, nz, [&](int x, int y, int z) { return index(y, x, z); })},
    };
    for (const auto& c : cases) {
        const RunCheck check = checkAlignment({"a", &anatomical}, {"f", &c.run}, CheckSettings{});
        EXPECT_EQ(check.orientation.suspected, c.name);
        EXPECT_TRUE(check.orientation.decided) << c.name;
        EXPECT_FALSE(check.search.lrFlipSuspected) << c.name;
        EXPECT_EQ(check.verdict, Verdict::kFail) << c.name;
        const std::string phrase = c.name[0] == 'a' && c.name[1] == 'x' ? c.name : std::string("a ") + c.name;
        EXPECT_TRUE(reasonsMention(check, phrase + " is suspected")) << c.name;
        ASSERT_EQ(check.orientation.trials.size(), 7u);
        for (const OrientationTrial& trial : check.orientation.trials) {
            if (trial.name == c.name) {
                EXPECT_GT(trial.ratio, 1.0 / check.orientation.threshold) << c.name;
            }
        }
    }
}

// A head that is left-right symmetric in both images cannot tell a left-right mirror: the verdict says so
// and is not a pass.
TEST(CheckOrientation, SymmetricHeadLeavesLeftRightOpen) {
    auto symmetric = [](NiftiImage image) {
        const NiftiImage mirrored = flippedAlongX(image);
        for (size_t i = 0; i < image.floatSamples.size(); ++i) {
            image.floatSamples[i] = 0.5f * (image.floatSamples[i] + mirrored.floatSamples[i]);
        }
        return image;
    };
    // Grids centred on x = 0 without rotation, so a voxel's mirror is the world's.
    const NiftiImage anatomical =
        symmetric(phantomImage(obliqueGrid(60, 72, 64, {3, 3, 3}, {0, 0, 0}, {0, 0, 0}), Contrast::kT2, 0.0));
    const NiftiImage functional = symmetric(
        phantomImage(obliqueGrid(40, 44, 30, {4, 4, 4}, {0, -4, 8}, {0, 0, 0}), Contrast::kEpi, 0.0));
    const RunCheck check = checkAlignment({"a", &anatomical}, {"f", &functional}, CheckSettings{});
    EXPECT_FALSE(check.orientation.decided);
    EXPECT_EQ(check.orientation.undecided, "left-right mirror");
    EXPECT_NE(check.verdict, Verdict::kPass);
    EXPECT_TRUE(reasonsMention(check, "left-right could not be confirmed from the images"));
}

// Images that share no structure (a functional of noise) are inconclusive, not a confident fail.
TEST(CheckAwkwardInputs, UnrelatedImagesAreInconclusive) {
    const NiftiImage anatomical = testAnatomical(Contrast::kT1);
    NiftiImage noise = testFunctional();
    uint32_t state = 12345;
    for (float& v : noise.floatSamples) {
        state = state * 1664525u + 1013904223u;
        v = 500.0f + static_cast<float>(state >> 8) / 16777216.0f * 1000.0f;
    }
    const RunCheck check = checkAlignment({"a", &anatomical}, {"f", &noise}, CheckSettings{});
    EXPECT_EQ(check.verdict, Verdict::kInconclusive) << check.reasons.front();
    EXPECT_TRUE(reasonsMention(check, "share too little structure"));
    EXPECT_GE(check.confidence, 0.0);
    EXPECT_LE(check.confidence, 1.0);
}

} // namespace

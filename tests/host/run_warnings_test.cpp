// Whole runs of the Zentrovis program for what the host adds around the plug-in's log: warnings for runs
// whose measures say nothing, header fields carried into the saved images, the chosen compression, and the
// progress line that only a terminal sees.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <optional>

#include "tests/host/app_test_support.h"

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Rewrites a NIfTI file after change(image).
template <typename Change> void rewriteImage(const std::string& path, Change change) {
    NiftiImage image = readNiftiImage(path, SampleKind::kInt16WhenRaw, NiftiLimits{}).image;
    change(image);
    NiftiWriteRequest request;
    request.nx = image.nx, request.ny = image.ny, request.nz = image.nz, request.nt = image.nt;
    request.geometry = image.geometry;
    request.fields = image.fields;
    request.type = image.isInt16 ? NiftiOutputType::kInt16 : NiftiOutputType::kFloat32;
    request.samples =
        image.isInt16 ? static_cast<const void*>(image.int16Samples.data()) : image.floatSamples.data();
    unlink(path.c_str()); // the writer makes new files only
    ASSERT_EQ(writeNiftiImage(path, request, compressionForName(path)), "") << path;
}

struct WarningCase {
    const char* name;
    float shiftMm;  // of the 48 mm wide functional's centre along x; the anatomical spans -24..24 mm
    int nanSamples; // put into the first volume
    const char* mapping;
    const char* warning; // empty: none
    // A second functional (named with an escape), centred at x, y mm, turned about z by degrees.
    std::optional<std::array<float, 3>> second = std::nullopt;
};

// Writes the second functional of a case: the fixture turned about z through its centre, then moved.
void writeSecondFunctional(const std::string& path, const std::array<float, 3>& placement) {
    writeFunctionalFixture(path, 2, 0.0f);
    rewriteImage(path, [&](NiftiImage& image) {
        const float turn = placement[2] * static_cast<float>(M_PI / 180), c = std::cos(turn),
                    s = std::sin(turn);
        float* rows[2] = {image.geometry.srowX, image.geometry.srowY};
        for (int j = 0; j < 4; ++j) {
            const float x = rows[0][j], y = rows[1][j];
            rows[0][j] = c * x - s * y;
            rows[1][j] = s * x + c * y;
        }
        rows[0][3] += placement[0];
        rows[1][3] += placement[1];
    });
}

class RunWarnings : public ::testing::TestWithParam<WarningCase> {};

TEST_P(RunWarnings, NameTheCauseAndLeaveTheLogAlone) {
    const WarningCase& c = GetParam();
    ScratchFolder folder;
    std::string anatomical = folder.file("anat.nii.gz"), functional = folder.file("func.nii");
    writeAnatomicalFixture(anatomical, 24);
    writeFunctionalFixture(functional, 2, c.shiftMm, true);
    rewriteImage(functional, [&](NiftiImage& image) {
        for (int i = 0; i < c.nanSamples; ++i) {
            image.floatSamples[i * 37] = i % 2 == 0 ? NAN : INFINITY;
        }
    });
    std::string out = folder.file("out");
    std::vector<std::string> args{"--vmr",     anatomical, "--fmr", functional,
                                  "--mapping", c.mapping,  "--out", out};
    if (c.second) {
        args.insert(args.begin() + 4, {"--fmr", folder.file("func\x1b[7m2.nii")});
        writeSecondFunctional(args[5], *c.second);
    }
    ProgramRun run = runZentrovis(args);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    bool warned = *c.warning != '\0';
    EXPECT_EQ(contains(run.err, "Zentrovis: warning: " + functional + ": "), warned) << run.err;
    EXPECT_TRUE(contains(run.err, c.warning)) << run.err;
    EXPECT_FALSE(contains(run.err, "\x1b")) << "names are printed escaped";
    // Every nan the plug-in logs has its warning; the log itself stays the plug-in's.
    EXPECT_EQ(contains(run.out, "nan"), warned && c.mapping[0] != '2') << run.out;
    EXPECT_EQ(readTextFile(out + "/posalign.log"), run.out);
}

const char kNoAnatomyInside[] =
    "anat.nii.gz lies inside this functional, so the plug-in had nothing to compare "
    "or paint; its overlap measures read nan";
const char kNoFunctionalInside[] = "anat.nii.gz, so nothing of the anatomical was resampled into it";
const char kNoPairs[] = "func\\x1b[7m2.nii, so the plug-in had no voxel pairs to compare and copied nothing "
                        "between them; its FMR-FMR measures of the overlap read nan (and the SSD 0)";

INSTANTIATE_TEST_SUITE_P(
    Causes, RunWarnings,
    ::testing::Values(
        WarningCase{"overlapping_1", 0.0f, 0, "1", ""}, WarningCase{"overlapping_2", 0.0f, 0, "2", ""},
        WarningCase{"far_away_1", 1000.0f, 0, "1", kNoAnatomyInside},
        WarningCase{"far_away_2", 1000.0f, 0, "2", kNoFunctionalInside},
        // Its first voxel reaches over the anatomical's last voxel centre (23 mm), but its own centre (24.5
        // mm) lies beyond the anatomical's edge (24 mm): mapping 1 compares, mapping 2 resamples nothing.
        WarningCase{"edge_only_1", 46.5f, 0, "1", ""},
        WarningCase{"edge_only_2", 46.5f, 0, "2", kNoFunctionalInside},
        // Both runs overlap the anatomical, but no anatomical voxel centre lies inside both: the second is
        // turned so that the box around it reaches over the first (x -54..-6 mm), but it stays 2 mm clear.
        WarningCase{"apart_turned_3", -30.0f, 0, "3", kNoPairs, {{14.0f, 38.0f, 45.0f}}},
        WarningCase{"overlapping_3", -30.0f, 0, "3", "", {{-26.0f, 0.0f, 0.0f}}},
        WarningCase{"not_numbers", 0.0f, 4, "2",
                    "4 samples of the first volume (the one the plug-in compares) are NaN or infinite"}),
    [](const ::testing::TestParamInfo<WarningCase>& info) { return info.param.name; });

TEST(SavedImages, CarryTheSourceHeaderFieldsInTheChosenCompressionWithProgressOnATerminal) {
    ScratchFolder folder;
    std::string anatomical = folder.file("anat.nii"), functional = folder.file("func.nii.gz");
    writeAnatomicalFixture(anatomical, 24);
    writeFunctionalFixture(functional, 800, 0.0f); // 12 x 12 x 8 x 800 int16 samples: 1.8 MB
    rewriteImage(functional, [](NiftiImage& image) {
        image.fields.dimInfo = 0x39;
        image.fields.calMax = 900.0f;
        image.fields.descrip = "EPI run 1";
    });
    rewriteImage(anatomical, [](NiftiImage& image) { image.fields.calMax = 2000.0f; });
    std::vector<std::string> args = {"--vmr", anatomical,      "--fmr", functional, "--mapping",
                                     "2",     "--compression", "none",  "--out",    folder.file("plain")};
    ProgramRun plain = runZentrovis(args);
    ASSERT_EQ(plain.exitStatus, 0) << plain.err;
    EXPECT_FALSE(contains(plain.err + plain.out, "\r")) << "no progress line off a terminal";
    std::string out = args.back();
    EXPECT_EQ(folderEntries(out),
              (std::vector<std::string>{".zentrovis-outputs", "anat_posalign.nii", "func_VMR.nii",
                                        "posalign.log", "report.html", "window-01.png"}));
    NiftiHeaderFields saved =
        readNiftiImage(out + "/func_VMR.nii", SampleKind::kFloat, NiftiLimits{}).image.fields;
    EXPECT_EQ(saved.dimInfo, 0x39);
    EXPECT_EQ(saved.calMax, 900.0f);
    EXPECT_EQ(saved.descrip, "EPI run 1");
    EXPECT_EQ(
        readNiftiImage(out + "/anat_posalign.nii", SampleKind::kFloat, NiftiLimits{}).image.fields.calMax, 0)
        << "the display range of the source's values no longer holds";

    args.back() = folder.file("terminal");
    ProgramRun onTerminal = runZentrovisOnTerminal(args, {});
    if (onTerminal.exitStatus == kNoTerminal) {
        GTEST_SKIP() << "no pseudo-terminal on this machine";
    }
    EXPECT_TRUE(contains(onTerminal.out, "\r\033[KWriting func_VMR.nii: 0.9 of 1.8 MB (50%)"));
    EXPECT_TRUE(contains(onTerminal.out, "1.8 of 1.8 MB (100%)\r\033[K"));
}

} // namespace

// Transform files as other tools write them, read for --xfm: what each holds, or why it is refused; and the
// names the check gives its own transform files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "host/alignment_check/transform_files.h"
#include "host/alignment_check/transform_reading.h"

namespace {

const char kItkHead[] = "#Insight Transform File V1.0\n#Transform 0\n";

std::string scratchFile(const std::string& text) {
    char pattern[] = "/tmp/transform-reading-XXXXXX";
    const int descriptor = mkstemp(pattern);
    close(descriptor);
    std::ofstream(pattern, std::ios::binary) << text;
    return pattern;
}

TEST(TransformReading, ReadsWhatToolsWriteAndRefusesTheRest) {
    struct {
        const char* name;
        std::string text;
        const char* error; // empty: read, with the matrix's first row and offset below
        TransformFormat format;
        double m00, offsetX;
    } cases[] = {
        {"ITK, centre 0",
         std::string(kItkHead) +
             "Transform: AffineTransform_double_3_3\nParameters: 2 0 0 0 1 0 0 0 1 5 6 7\n"
             "FixedParameters: 0 0 0\n",
         "", TransformFormat::kItk, 2, 5},
        // y = M (x - c) + c + t: offset t + c - M c = 5 + 10 - 20.
        {"ITK with a centre, float, CRLF",
         std::string(kItkHead) + "Transform: MatrixOffsetTransformBase_float_3_3\r\nParameters: 2 0 0 "
                                 "0 1 0 0 0 1 5 6 7\r\nFixedParameters: 10 0 0\r\n",
         "", TransformFormat::kItk, 2, -5},
        {"ITK composite around one affine",
         std::string(kItkHead) +
             "Transform: CompositeTransform_double_3_3\n#Transform 1\n"
             "Transform: AffineTransform_double_3_3\nParameters: 1 0 0 0 1 0 0 0 1 3 0 0\n"
             "FixedParameters: 0 0 0\n",
         "", TransformFormat::kItk, 1, 3},
        {"FSL with CRLF", "1 0 0 4\r\n0 1 0 0\r\n0 0 1 0\r\n0 0 0 1\r\n", "", TransformFormat::kFsl, 1, 4},
        {"two ITK affines",
         std::string(kItkHead) +
             "Transform: AffineTransform_double_3_3\nParameters: 1 0 0 0 1 0 0 0 1 0 0 0\n" +
             "#Transform 1\nTransform: AffineTransform_double_3_3\nParameters: 1 0 0 0 1 0 0 0 1 0 0 0\n",
         "holds 2 affine transforms", TransformFormat::kItk, 0, 0},
        {"a non-linear ITK transform",
         std::string(kItkHead) + "Transform: DisplacementFieldTransform_double_3_3\nParameters: 1\n",
         "DisplacementFieldTransform_double_3_3", TransformFormat::kItk, 0, 0},
        {"ITK with 11 parameters",
         std::string(kItkHead) + "Transform: AffineTransform_double_3_3\nParameters: 1 0 0 0 1 0 0 0 1 0 0\n",
         "not 12 numbers", TransformFormat::kItk, 0, 0},
        {"ITK with a word among its numbers",
         std::string(kItkHead) +
             "Transform: AffineTransform_double_3_3\nParameters: 1 0 0 0 1 0 0 0 x 0 0 0\n",
         "not a list of finite numbers", TransformFormat::kItk, 0, 0},
        {"ITK without a transform", kItkHead, "holds no affine transform", TransformFormat::kItk, 0, 0},
        {"FSL with a projective last row", "1 0 0 0\n0 1 0 0\n0 0 1 0\n0 0 1 1\n", "last row is not 0 0 0 1",
         TransformFormat::kFsl, 0, 0},
        {"FSL singular", "1 0 0 0\n2 0 0 0\n0 0 1 0\n0 0 0 1\n", "singular", TransformFormat::kFsl, 0, 0},
        {"empty", "", "is not a transform file", TransformFormat::kFsl, 0, 0},
        {"binary that is not MATLAB", std::string("\x01\x02\0\0garbage", 11), "is not a transform file",
         TransformFormat::kItk, 0, 0},
    };
    for (const auto& c : cases) {
        const std::string path = scratchFile(c.text);
        const ReadTransform read = readTransformFile(path);
        unlink(path.c_str());
        if (*c.error != '\0') {
            EXPECT_NE(read.error.find(c.error), std::string::npos) << c.name << ": " << read.error;
            continue;
        }
        ASSERT_EQ(read.error, "") << c.name;
        EXPECT_EQ(read.format, c.format) << c.name;
        EXPECT_DOUBLE_EQ(read.matrix[0][0], c.m00) << c.name;
        EXPECT_DOUBLE_EQ(read.matrix[0][3], c.offsetX) << c.name;
    }
    EXPECT_NE(readTransformFile("/nonexistent/xfm.txt").error.find("cannot be read"), std::string::npos);
}

TEST(TransformFileNames, FollowTheDerivativesNamingAndKeepTheEnding) {
    struct {
        const char* functional;
        const char* itk;
        const char* corrected;
    } cases[] = {
        {"data/sub-01/func/sub-01_task-rest_run-2_bold.nii.gz",
         "sub-01_task-rest_run-2_from-boldref_to-T1w_mode-image_xfm.txt",
         "sub-01_task-rest_run-2_desc-corrected_bold.nii.gz"},
        {"epi.nii", "epi_from-boldref_to-T1w_mode-image_xfm.txt", "epi_corrected.nii"},
        {"/x/bold.nii.gz", "bold_from-boldref_to-T1w_mode-image_xfm.txt", "bold_corrected.nii.gz"},
    };
    for (const auto& c : cases) {
        const TransformFileNames names = transformFileNames(c.functional);
        EXPECT_EQ(names.itk, c.itk);
        EXPECT_EQ(names.corrected, c.corrected);
        EXPECT_EQ(names.fsl.substr(0, names.fsl.size() - 4), names.itk.substr(0, names.itk.size() - 4));
    }
}

} // namespace

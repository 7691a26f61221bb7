// Conversions of the check's correction to ITK and FSL conventions, and the files' texts.
#include "host/alignment_check/transform_files.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>

namespace {

// RAS <-> LPS: x and y negated (its own inverse).
Matrix4d rasToLps() {
    Matrix4d flip = identityMatrix();
    flip[0][0] = -1.0;
    flip[1][1] = -1.0;
    return flip;
}

double determinant3(const Matrix4d& m) {
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

// Shortest text that reads back as the same double.
std::string number(double value) {
    char text[40];
    snprintf(text, sizeof text, "%.17g", value == 0.0 ? 0.0 : value); // no "-0"
    return text;
}

nlohmann::ordered_json matrixJson(const Matrix4d& m) {
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const auto& row : m) {
        rows.push_back(std::vector<double>(row.begin(), row.end()));
    }
    return rows;
}

bool endsWith(const std::string& text, const std::string& ending) {
    return text.size() >= ending.size() &&
           text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

} // namespace

ImageFrame imageFrame(const NiftiImage& image) {
    ImageFrame frame;
    frame.size = {image.nx, image.ny, image.nz};
    for (int axis = 0; axis < 3; ++axis) {
        frame.pixdimMm[axis] = std::fabs(static_cast<double>(image.geometry.pixdim[axis + 1]));
    }
    frame.voxelToWorld = matrixFromRowMajor(image.voxelToWorld);
    frame.fromPixdimOnly = image.affineSource == AffineSource::kPixdim;
    return frame;
}

// antsApplyTransforms asks, for each point x of the reference (anatomical), where to sample the moving image
// (functional): at the header position p with C * p = x, so the transform is C^-1, written in LPS.
Matrix4d itkFromCorrection(const Matrix4d& correction) {
    return multiply(rasToLps(), multiply(invertAffine(correction), rasToLps()));
}

Matrix4d correctionFromItk(const Matrix4d& itk) {
    return invertAffine(multiply(rasToLps(), multiply(itk, rasToLps())));
}

Matrix4d fslVoxelToScaled(const ImageFrame& image) {
    Matrix4d scaled = identityMatrix();
    for (int axis = 0; axis < 3; ++axis) {
        scaled[axis][axis] = image.pixdimMm[axis];
    }
    if (!image.fromPixdimOnly && determinant3(image.voxelToWorld) > 0.0) {
        scaled[0][0] = -image.pixdimMm[0];
        scaled[0][3] = (image.size[0] - 1) * image.pixdimMm[0];
    }
    return scaled;
}

// A functional voxel v lies at C * A_f * v, the anatomical voxel A_a^-1 * C * A_f * v; in scaled voxels
// of both images that is the matrix below.
Matrix4d fslFromCorrection(const Matrix4d& correction, const ImageFrame& functional,
                           const ImageFrame& anatomical) {
    const Matrix4d functionalToAnatomicalVoxels =
        multiply(invertAffine(anatomical.voxelToWorld), multiply(correction, functional.voxelToWorld));
    return multiply(fslVoxelToScaled(anatomical),
                    multiply(functionalToAnatomicalVoxels, invertAffine(fslVoxelToScaled(functional))));
}

Matrix4d correctionFromFsl(const Matrix4d& fsl, const ImageFrame& functional, const ImageFrame& anatomical) {
    const Matrix4d functionalToAnatomicalVoxels =
        multiply(invertAffine(fslVoxelToScaled(anatomical)), multiply(fsl, fslVoxelToScaled(functional)));
    return multiply(anatomical.voxelToWorld,
                    multiply(functionalToAnatomicalVoxels, invertAffine(functional.voxelToWorld)));
}

std::string itkTransformText(const Matrix4d& itk) {
    std::string text = "#Insight Transform File V1.0\n#Transform 0\nTransform: AffineTransform_double_3_3\n"
                       "Parameters:";
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            text += " " + number(itk[i][j]);
        }
    }
    for (int i = 0; i < 3; ++i) {
        text += " " + number(itk[i][3]);
    }
    return text + "\nFixedParameters: 0 0 0\n";
}

std::string fslMatrixText(const Matrix4d& fsl) {
    std::string text;
    for (const auto& row : fsl) {
        for (int j = 0; j < 4; ++j) {
            text += number(row[j]) + (j < 3 ? "  " : "\n");
        }
    }
    return text;
}

TransformFileNames transformFileNames(const std::string& functionalPath) {
    std::string stem = niftiStem(functionalPath);
    const bool bids = endsWith(stem, "_bold");
    if (bids) {
        stem.resize(stem.size() - 5);
    }
    const std::string ending = endsWith(functionalPath, ".nii.gz") ? ".nii.gz" : ".nii";
    const std::string base = stem + "_from-boldref_to-T1w_mode-image_xfm";
    return {base + ".txt", base + ".mat", base + ".json",
            stem + (bids ? "_desc-corrected_bold" : "_corrected") + ending};
}

std::string transformSidecarJson(const std::string& functionalPath, const std::string& anatomicalPath,
                                 const TransformFileNames& names, const Matrix4d& correction,
                                 const std::string& verdict, double displacementMm, bool correctedWritten) {
    using json = nlohmann::ordered_json;
    json files = {
        {names.itk,
         {{"Format", "ITK transform text file (AffineTransform_double_3_3), as ANTs reads it"},
          {"Coordinates", "LPS mm: each image's world (its sform, else qform) with x and y negated"},
          {"Direction", "maps points of the reference (anatomical) to points of the source (functional) "
                        "at its header position: the transform that resamples the source onto the reference"},
          {"Use", "antsApplyTransforms -d 3 -i SOURCE -r REFERENCE -t " + names.itk + " -o OUTPUT"}}},
        {names.fsl,
         {{"Format", "FSL FLIRT matrix (4 x 4 text)"},
          {"Coordinates", "FSL scaled voxels of each image: voxel index times pixdim, x reversed when the "
                          "affine's determinant is positive"},
          {"Direction", "maps the source (functional, -in) to the reference (anatomical, -ref)"},
          {"Use", "flirt -in SOURCE -ref REFERENCE -applyxfm -init " + names.fsl + " -out OUTPUT"}}}};
    if (correctedWritten) {
        files[names.corrected] = {
            {"Format", "NIfTI-1: the source with its sform and qform set to the corrected affine; data and "
                       "every other header field as in the source"}};
    }
    json sidecar = {{"Description",
                     "Rigid correction found by the Zentrovis alignment check: moves the functional run "
                     "from its header position onto the anatomical"},
                    {"Source", functionalPath},
                    {"Reference", anatomicalPath},
                    {"FromSpace", "boldref"},
                    {"ToSpace", "T1w"},
                    {"Files", files},
                    {"CorrectionWorldRAS", matrixJson(correction)},
                    {"CorrectionConvention",
                     "world RAS mm, row-major, acting on column vectors: the correction times the "
                     "source's affine is its aligned affine"},
                    {"Verdict", verdict},
                    {"DisplacementMm", displacementMm}};
    return sidecar.dump(2) + "\n";
}

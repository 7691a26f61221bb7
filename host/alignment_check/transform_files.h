// The check's correction as files other tools read, and back: an ITK/ANTs transform (LPS millimetres, mapping
// the anatomical's points to the functional's, as antsApplyTransforms resamples the functional onto the
// anatomical), an FSL matrix (scaled voxels, functional in, anatomical as reference, as flirt -applyxfm
// takes it) and a JSON sidecar that says which is which.
//
// The correction C is in world RAS mm: C * the functional's affine is its best-aligned affine, so a
// functional voxel v lies at C * A_func * v in the anatomical's world.
#ifndef POSALIGN_HOST_ALIGNMENT_CHECK_TRANSFORM_FILES_H
#define POSALIGN_HOST_ALIGNMENT_CHECK_TRANSFORM_FILES_H

#include <string>

#include "host/alignment_check/world_matrix.h"
#include "host/nifti/nifti_file.h"

// What a transform file needs of an image: grid size, voxel sizes as stored (pixdim) and the affine the
// check used.
struct ImageFrame {
    std::array<int, 3> size{};
    std::array<double, 3> pixdimMm{};
    Matrix4d voxelToWorld = identityMatrix();
    bool fromPixdimOnly = false; // no sform or qform: FSL takes such an image as radiological (no x flip)
};

// The frame of an image read with readNiftiImage.
ImageFrame imageFrame(const NiftiImage& image);

// The ITK transform (LPS; anatomical point -> functional header point) of a correction, and back.
Matrix4d itkFromCorrection(const Matrix4d& correction);
Matrix4d correctionFromItk(const Matrix4d& itk);

// FSL's scaled-voxel coordinates of an image: voxel index -> mm along the stored axes, with x reversed
// when the affine's determinant is positive.
Matrix4d fslVoxelToScaled(const ImageFrame& image);

// The FSL matrix (functional scaled voxels -> anatomical scaled voxels) of a correction, and back.
Matrix4d fslFromCorrection(const Matrix4d& correction, const ImageFrame& functional,
                           const ImageFrame& anatomical);
Matrix4d correctionFromFsl(const Matrix4d& fsl, const ImageFrame& functional, const ImageFrame& anatomical);

// The text of an ITK transform file holding one AffineTransform_double_3_3 with centre 0.
std::string itkTransformText(const Matrix4d& itk);

// The text of an FSL matrix file: four lines of four numbers.
std::string fslMatrixText(const Matrix4d& fsl);

// Output names of one functional's transform files, from its path: the stem without a trailing "_bold",
// followed by "_from-boldref_to-T1w_mode-image_xfm" and ".txt" (ITK), ".mat" (FSL) or ".json" (sidecar);
// the corrected copy is "<stem>_desc-corrected_bold.nii[.gz]" for a BIDS run, else "<stem>_corrected...".
struct TransformFileNames {
    std::string itk, fsl, sidecar, corrected;
};
TransformFileNames transformFileNames(const std::string& functionalPath);

// The sidecar's text: what maps to what in each file, the correction itself, and the check's verdict.
std::string transformSidecarJson(const std::string& functionalPath, const std::string& anatomicalPath,
                                 const TransformFileNames& names, const Matrix4d& correction,
                                 const std::string& verdict, double displacementMm, bool correctedWritten);

#endif

// A copy of a single-file NIfTI-1 image with only its placement changed: the header's sform and qform are
// set to a new affine, every other header byte, the extensions and the samples are copied as they are.
#ifndef POSALIGN_HOST_NIFTI_NIFTI_CORRECTED_COPY_H
#define POSALIGN_HOST_NIFTI_NIFTI_CORRECTED_COPY_H

#include <array>
#include <string>

// Copies the image at sourcePath (.nii or .nii.gz, either byte order) to targetPath, a new file (an existing
// name or a link is refused), gzip-compressed when its name ends in ".gz", with affine (row-major voxel to
// world, mm) as its sform and as its qform (the rotation made orthonormal, the voxel sizes in pixdim kept;
// qfac in pixdim[0] changes only when the handedness asks for it). A code that was 0 becomes the other's,
// or fallbackCode when both were 0. Empty text on success, else the reason.
std::string writeNiftiWithAffine(const std::string& sourcePath, const std::string& targetPath,
                                 const std::array<double, 16>& affine, int fallbackCode);

#endif

// The images the Python module checks: read from files, from NIfTI-1 bytes or from arrays under the same
// rules as `Zentrovis check` reads its files, and shared so that a result can still draw its report.
#ifndef POSALIGN_PYTHON_CHECK_IMAGES_H
#define POSALIGN_PYTHON_CHECK_IMAGES_H

#include <memory>
#include <stdexcept>
#include <string>

#include "host/nifti/nifti_array_image.h"
#include "host/nifti/nifti_file.h"

// An input refused, with the sentence the command line prints for it ("NAME: problem").
struct InputRefused : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// What an image is checked as: the anatomical (one volume, float samples, a size limit per axis) or a
// functional run.
enum class ImageRole { kAnatomical, kFunctional };

// An image ready for the check.
struct CheckImage {
    std::string path; // what the results name it by: its file, or empty for an array
    std::shared_ptr<const NiftiImage> image;
};

// Reads a .nii or .nii.gz file. Throws InputRefused("PATH: problem").
CheckImage readCheckImage(const std::string& path, ImageRole role);

// Reads an image from the bytes of a single-file NIfTI-1 (header, then data; see niftiImageFromMemory).
// name stands for it in a refusal; path is what the results name it by.
CheckImage checkImageFromNiftiBytes(const void* header, const void* data, size_t dataBytes, ImageRole role,
                                    const std::string& name, const std::string& path);

// Reads an array with its affine (see niftiImageFromArray). With refuseNonFinite, an array with NaN or
// infinite samples is refused: in an array handed over as such they most often are a fault of the code that
// made it, while an image's NaN marks missing samples (as in a file).
CheckImage checkImageFromArray(const SampleArray& array, ImageRole role, const std::string& name,
                               const std::string& path, bool refuseNonFinite);

#endif

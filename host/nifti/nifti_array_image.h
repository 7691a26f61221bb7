// Images handed over as arrays of samples with their voxel-to-world affine (from Python, say): read under
// the same rules as a file that holds the array with the affine as its sform.
#ifndef POSALIGN_HOST_NIFTI_NIFTI_ARRAY_IMAGE_H
#define POSALIGN_HOST_NIFTI_NIFTI_ARRAY_IMAGE_H

#include <array>
#include <cstdint>
#include <vector>

#include "host/nifti/nifti_file.h"

// The sample types an array may hold: those a NIfTI-1 file may hold and the reader takes.
enum class ArraySampleType {
    kUint8,
    kInt8,
    kInt16,
    kUint16,
    kInt32,
    kUint32,
    kInt64,
    kUint64,
    kFloat32,
    kFloat64
};

// An array of samples in this machine's byte order, x fastest, then y, z and volumes.
struct SampleArray {
    ArraySampleType type = ArraySampleType::kFloat32;
    std::vector<int64_t> shape;            // x, y, z, volumes, ...: as many axes as the array has
    const void* samples = nullptr;         // the product of shape samples; not owned
    std::array<double, 16> voxelToWorld{}; // row-major, mm
};

// The image a NIfTI-1 file would give that holds the array with voxelToWorld as its sform (qform unset,
// no scaling, voxel sizes the lengths of the affine's columns). Refusals as readNiftiImage's, and axes a
// NIfTI-1 header cannot hold (more than 7, or over 32767 samples long). error is empty on success.
NiftiReadResult niftiImageFromArray(const SampleArray& array, SampleKind kind, const NiftiLimits& limits);

#endif

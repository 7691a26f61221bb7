// Arrays read as the file that would hold them: a header is made for them and read from memory.
#include "host/nifti/nifti_array_image.h"

#include <nifti1_io.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

namespace {

// Bytes between the header and the data in a single file: the header and four bytes of extension flags.
const float kSingleFileDataOffset = 352.0f;

// A double as the float a header holds; beyond the float range an infinity, which the reader refuses (a
// plain conversion of such a value is undefined).
float headerFloat(double value) {
    if (value > FLT_MAX) {
        return INFINITY;
    }
    if (value < -FLT_MAX) {
        return -INFINITY;
    }
    return static_cast<float>(value);
}

int niftiType(ArraySampleType type) {
    switch (type) {
    case ArraySampleType::kUint8:
        return DT_UINT8;
    case ArraySampleType::kInt8:
        return DT_INT8;
    case ArraySampleType::kInt16:
        return DT_INT16;
    case ArraySampleType::kUint16:
        return DT_UINT16;
    case ArraySampleType::kInt32:
        return DT_INT32;
    case ArraySampleType::kUint32:
        return DT_UINT32;
    case ArraySampleType::kInt64:
        return DT_INT64;
    case ArraySampleType::kUint64:
        return DT_UINT64;
    case ArraySampleType::kFloat32:
        return DT_FLOAT32;
    case ArraySampleType::kFloat64:
        return DT_FLOAT64;
    }
    return DT_UNKNOWN;
}

} // namespace

NiftiReadResult niftiImageFromArray(const SampleArray& array, SampleKind kind, const NiftiLimits& limits) {
    NiftiReadResult result;
    const size_t rank = array.shape.size();
    if (rank < 1 || rank > 7) {
        result.error = "has an invalid number of dimensions (" + std::to_string(rank) + ")";
        return result;
    }
    nifti_1_header h;
    memset(&h, 0, sizeof h);
    h.sizeof_hdr = kNiftiHeaderBytes;
    h.dim[0] = static_cast<short>(rank);
    for (size_t axis = 0; axis < 7; ++axis) {
        const int64_t size = axis < rank ? array.shape[axis] : 1;
        if (size > 32767) {
            result.error = "has " + std::to_string(size) + " samples along axis " + std::to_string(axis + 1) +
                           "; a NIfTI-1 image holds at most 32767";
            return result;
        }
        // A size below 1 is kept as it is, for the reader's own refusal.
        h.dim[axis + 1] = static_cast<short>(size < 1 ? std::max<int64_t>(size, -32768) : size);
    }
    h.datatype = static_cast<short>(niftiType(array.type));
    int bytesPerSample = 0, swapSize = 0;
    nifti_datatype_sizes(h.datatype, &bytesPerSample, &swapSize);
    h.bitpix = static_cast<short>(8 * bytesPerSample);
    const double* a = array.voxelToWorld.data();
    h.pixdim[0] = 1.0f;
    for (int j = 0; j < 3; ++j) {
        h.pixdim[j + 1] = headerFloat(std::sqrt(a[j] * a[j] + a[4 + j] * a[4 + j] + a[8 + j] * a[8 + j]));
    }
    for (int j = 0; j < 4; ++j) {
        h.srow_x[j] = headerFloat(a[j]);
        h.srow_y[j] = headerFloat(a[4 + j]);
        h.srow_z[j] = headerFloat(a[8 + j]);
    }
    h.sform_code = NIFTI_XFORM_ALIGNED_ANAT;
    h.qform_code = NIFTI_XFORM_UNKNOWN;
    h.xyzt_units = NIFTI_UNITS_MM;
    h.vox_offset = kSingleFileDataOffset;
    memcpy(h.magic, "n+1", 4);

    size_t count = 1;
    for (int64_t size : array.shape) {
        count *= size > 0 ? static_cast<size_t>(size) : 0;
    }
    return niftiImageFromMemory(&h, array.samples, count * static_cast<size_t>(bytesPerSample), kind, limits);
}

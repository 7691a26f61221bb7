// Reading and writing single-file NIfTI-1 images (.nii and .nii.gz) for the stand-in host.
//
// Reading checks everything the host relies on before any data is used and reports the first problem as
// one sentence; writing carries the source's geometry fields over unchanged, so an output lies exactly
// where its source lay.
#ifndef POSALIGN_HOST_APP_NIFTI_FILE_H
#define POSALIGN_HOST_APP_NIFTI_FILE_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The geometry fields of a NIfTI-1 header, copied as they are from a source to the outputs made from it.
struct NiftiGeometry {
    float pixdim[8] = {1, 1, 1, 1, 1, 0, 0, 0}; // pixdim[0] is qfac
    int qformCode = 0;
    int sformCode = 0;
    float quaternB = 0, quaternC = 0, quaternD = 0;
    float qoffsetX = 0, qoffsetY = 0, qoffsetZ = 0;
    float srowX[4] = {1, 0, 0, 0};
    float srowY[4] = {0, 1, 0, 0};
    float srowZ[4] = {0, 0, 1, 0};
    int xyztUnits = 0;
};

// Which affine an image's voxel-to-world mapping came from.
enum class AffineSource { kSform, kQform, kPixdim };

// How the samples of an image are handed out.
enum class SampleKind {
    kFloat,        // every type converted to float with scl_slope/scl_inter applied
    kInt16WhenRaw, // 16-bit signed samples without scaling stay int16; everything else as kFloat
};

// One image in memory: up to four dimensions (x, y, z, volumes), x fastest.
struct NiftiImage {
    int nx = 0, ny = 0, nz = 0, nt = 1;
    NiftiGeometry geometry;
    std::array<double, 16> voxelToWorld{}; // row-major, mm; from sform, else qform, else pixdim
    AffineSource affineSource = AffineSource::kPixdim;
    bool isInt16 = false; // true: int16Samples holds the data, else floatSamples
    std::vector<int16_t> int16Samples;
    std::vector<float> floatSamples;
};

// Result of reading: the image, or the reason it was refused (one sentence, without the file name).
struct NiftiReadResult {
    NiftiImage image;
    std::string error;
};

// Limits a caller places on an image before its data is read.
struct NiftiLimits {
    int maxVoxelsPerAxis = 0;        // 0: no limit besides the voxel count
    bool allowSeveralVolumes = true; // false: more than one volume is refused
};

// Reads a .nii or .nii.gz file with all its volumes. error is empty on success.
NiftiReadResult readNiftiImage(const std::string& path, SampleKind kind, const NiftiLimits& limits);

// Sample types that the host writes.
enum class NiftiOutputType { kUint8, kInt16, kFloat32 };

// What to write: grid size, geometry and samples (count nx*ny*nz*nt of the given type).
struct NiftiWriteRequest {
    int nx = 0, ny = 0, nz = 0, nt = 1;
    NiftiGeometry geometry;
    NiftiOutputType type = NiftiOutputType::kUint8;
    const void* samples = nullptr;
};

// Writes a single-file NIfTI-1 image to path, gzip-compressed when compress is true. Returns the empty
// text on success, else the reason.
std::string writeNiftiImage(const std::string& path, const NiftiWriteRequest& request, bool compress);

// The file name without folder and without ".nii" or ".nii.gz".
std::string niftiStem(const std::string& path);

#endif

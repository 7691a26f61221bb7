// Reading and writing single-file NIfTI-1 images (.nii and .nii.gz) for the stand-in host.
//
// Reading checks everything the host relies on before any data is used and reports the first problem as
// one sentence; writing carries the source's geometry fields over unchanged, so an output lies exactly
// where its source lay.
#ifndef POSALIGN_HOST_NIFTI_NIFTI_FILE_H
#define POSALIGN_HOST_NIFTI_NIFTI_FILE_H

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The geometry fields of a NIfTI-1 header, copied as they are from a source to the outputs made from it.
// Largest anatomical grid the host opens, per axis.
const int kMaxAnatomicalVoxelsPerAxis = 512;

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

// The header fields beyond grid, sample type and geometry: how the data were acquired and what the samples
// mean. Carried from a source to the outputs made from it where they still hold (see output_header_fields.h).
struct NiftiHeaderFields {
    int dimInfo = 0;         // frequency, phase and slice axes, two bits each
    int sliceCode = 0;       // order in which the slices were acquired (NIFTI_SLICE_*)
    int sliceStart = 0;      // first slice of the timing pattern
    int sliceEnd = 0;        // last slice of the timing pattern
    float sliceDuration = 0; // time to acquire one slice, in the time units
    float calMin = 0;        // display range in the samples' own units; both 0: none
    float calMax = 0;
    float toffset = 0;  // time of the first volume, in the time units
    int intentCode = 0; // what the samples are (NIFTI_INTENT_*) and its parameters
    float intentP1 = 0, intentP2 = 0, intentP3 = 0;
    std::string intentName; // at most 15 characters are kept
    std::string descrip;    // at most 79 characters are kept
    std::string auxFile;    // at most 23 characters are kept
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
    NiftiHeaderFields fields;
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

// Most bytes of samples an image may take, in the file and once converted to float (4 bytes a sample).
const int64_t kMaxNiftiDataBytes = int64_t{1} << 31;

// Limits a caller places on an image before its data is read.
struct NiftiLimits {
    int maxVoxelsPerAxis = 0;        // 0: no limit besides the voxel count
    bool allowSeveralVolumes = true; // false: more than one volume is refused
};

// Reads a .nii or .nii.gz file with all its volumes. error is empty on success.
NiftiReadResult readNiftiImage(const std::string& path, SampleKind kind, const NiftiLimits& limits);

// Bytes of a NIfTI-1 header as they start a file.
const int kNiftiHeaderBytes = 348;

// Reads an image handed over in memory as a file would hold it: kNiftiHeaderBytes of header (either byte
// order; its data offset is not used) and the data bytes that follow it, in the header's byte order. The
// same checks, limits, scaling and sample kinds as readNiftiImage; error is empty on success.
NiftiReadResult niftiImageFromMemory(const void* header, const void* data, size_t dataBytes, SampleKind kind,
                                     const NiftiLimits& limits);

// Memory for an image's samples that a caller provides once the header has been checked: given the image
// without its samples (grid, isInt16), one pointer per volume with room for nx*ny*nz samples (int16 when
// isInt16, else float), or an empty list when there is no memory for them.
using NiftiSampleDestination = std::function<std::vector<void*>(const NiftiImage& image)>;

// Reads like readNiftiImage, the samples straight into the memory destination gives (the image's sample
// lists stay empty). On a refusal after destination was called, what it gave holds no meaning.
NiftiReadResult readNiftiImageInto(const std::string& path, SampleKind kind, const NiftiLimits& limits,
                                   const NiftiSampleDestination& destination);

// Sample types that the host writes.
enum class NiftiOutputType { kUint8, kInt16, kFloat32 };

// What to write: grid size, geometry, the other header fields and samples of the given type. An empty
// descrip is written as the host's own description.
struct NiftiWriteRequest {
    int nx = 0, ny = 0, nz = 0, nt = 1;
    NiftiGeometry geometry;
    NiftiHeaderFields fields;
    NiftiOutputType type = NiftiOutputType::kUint8;
    const void* samples = nullptr;    // nx*ny*nz*nt samples, volume after volume
    std::vector<const void*> volumes; // or, when not empty: nt pointers to nx*ny*nz samples each
};

// How an image file is stored: gzip at its fastest, usual or strongest level (.nii.gz), or plain (.nii).
enum class NiftiCompression { kFast, kDefault, kBest, kNone };

// The file name ending for a compression: ".nii.gz", or ".nii" for kNone.
const char* niftiEnding(NiftiCompression compression);

// Called as the samples are written: bytes of sample data written so far, and in all.
using NiftiWriteProgress = std::function<void(uint64_t written, uint64_t total)>;

// Writes a single-file NIfTI-1 image to path, a new file (an existing name or a link is refused), whose
// name must end as niftiEnding(compression) says. The
// samples go out in pieces, progress (when given) told after each. Returns the empty text on success, else
// the reason.
std::string writeNiftiImage(const std::string& path, const NiftiWriteRequest& request,
                            NiftiCompression compression, const NiftiWriteProgress& progress = nullptr);

// The file name without folder and without ".nii" or ".nii.gz".
std::string niftiStem(const std::string& path);

#endif

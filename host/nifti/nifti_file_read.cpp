// Reading single-file NIfTI-1 images.
//
// The header and the data are read here through zlib (which reads plain and compressed files alike), with
// the NIfTI library's record, byte swapping, quaternion and type helpers: every refusal names its reason,
// and data that end early are refused rather than filled up with zeros.
#include "host/nifti/nifti_file.h"

#include <nifti1_io.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <sys/stat.h>

#include "host/nifti/huge_pages.h"
#include "host/nifti/nifti_header_fields.h"

namespace {

const int kHeaderSize = kNiftiHeaderBytes;
// Header and extensions take a few kilobytes; an offset beyond this is a damaged or hostile header.
const double kMaxDataOffset = 1 << 30;
// Most bytes asked of zlib at once (its counts are unsigned int).
const size_t kReadPiece = size_t{1} << 30;

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string numberText(double value) {
    char buffer[64];
    snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

// Why zlib stopped short: a damaged compressed stream is corrupt, one that ends early is truncated; empty
// when the file simply ended.
std::string compressedStreamProblem(gzFile file, const std::string& path) {
    int code = Z_OK;
    std::string message = gzerror(file, &code);
    if (message.rfind(path + ": ", 0) == 0) {
        message.erase(0, path.size() + 2); // zlib names the file; the caller does that already
    }
    if (code == Z_DATA_ERROR) {
        return "is corrupt (damaged compressed data: " + message + ")";
    }
    if (code == Z_BUF_ERROR) {
        return "is truncated (its compressed data end early)";
    }
    if (code != Z_OK) {
        return "cannot be read (" + message + ")";
    }
    return "";
}

std::string checkHeaderBytes(nifti_1_header& header, bool& swapped);

// Reads the 348 header bytes; empty text on success.
std::string readRawHeader(const std::string& path, nifti_1_header& header, bool& swapped) {
    gzFile file = gzopen(path.c_str(), "rb");
    if (file == nullptr) {
        return "cannot be opened";
    }
    int got = gzread(file, &header, kHeaderSize);
    std::string streamProblem = got == kHeaderSize ? "" : compressedStreamProblem(file, path);
    gzclose(file);
    if (!streamProblem.empty()) {
        return streamProblem;
    }
    if (got != kHeaderSize) {
        return "is not a NIfTI-1 file (shorter than a NIfTI-1 header)";
    }
    return checkHeaderBytes(header, swapped);
}

// Checks the size field and the magic of header bytes as they came, and brings them into this machine's
// byte order (swapped tells whether they were the other); empty text when they are a NIfTI-1 header.
std::string checkHeaderBytes(nifti_1_header& header, bool& swapped) {
    swapped = false;
    if (header.sizeof_hdr != kHeaderSize) {
        int reversed = header.sizeof_hdr;
        nifti_swap_4bytes(1, &reversed);
        if (reversed != kHeaderSize) {
            if (header.sizeof_hdr == 540 || reversed == 540) {
                return "is a NIfTI-2 file; only NIfTI-1 is read";
            }
            return "is not a NIfTI-1 file (no NIfTI-1 header)";
        }
        swapped = true;
        swap_nifti_header(&header, 1);
    }
    if (strcmp(header.magic, "n+1") != 0) {
        if (strcmp(header.magic, "ni1") == 0) {
            return "is a NIfTI-1 header without its data (a .hdr/.img pair); a single .nii or .nii.gz is "
                   "needed";
        }
        return "is not a NIfTI-1 file (an ANALYZE header without the NIfTI magic)";
    }
    return "";
}

// The affine in row-major order, chosen as sform, else qform, else pixdim.
void chooseAffine(const nifti_1_header& h, std::array<double, 16>& affine, AffineSource& source) {
    mat44 m;
    if (h.sform_code > 0) {
        source = AffineSource::kSform;
        for (int j = 0; j < 4; ++j) {
            m.m[0][j] = h.srow_x[j];
            m.m[1][j] = h.srow_y[j];
            m.m[2][j] = h.srow_z[j];
            m.m[3][j] = j == 3 ? 1.0f : 0.0f;
        }
    } else if (h.qform_code > 0) {
        // Handedness lives in qfac; a spacing's sign means nothing here, and the library writes spacings
        // as magnitudes, so a negative one is taken as its magnitude (the library's quaternion helper
        // would take it as 1).
        source = AffineSource::kQform;
        float qfac = h.pixdim[0] < 0 ? -1.0f : 1.0f;
        m = nifti_quatern_to_mat44(h.quatern_b, h.quatern_c, h.quatern_d, h.qoffset_x, h.qoffset_y,
                                   h.qoffset_z, std::fabs(h.pixdim[1]), std::fabs(h.pixdim[2]),
                                   std::fabs(h.pixdim[3]), qfac);
    } else {
        source = AffineSource::kPixdim;
        memset(&m, 0, sizeof m);
        m.m[0][0] = h.pixdim[1];
        m.m[1][1] = h.pixdim[2];
        m.m[2][2] = h.pixdim[3];
        m.m[3][3] = 1.0f;
    }
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            affine[4 * i + j] = m.m[i][j];
        }
    }
}

// True when the 3x3 part is finite and far from singular (relative to the size of its columns).
bool isInvertibleAffine(const std::array<double, 16>& a) {
    for (double v : a) {
        if (!std::isfinite(v)) {
            return false;
        }
    }
    double det = a[0] * (a[5] * a[10] - a[6] * a[9]) - a[1] * (a[4] * a[10] - a[6] * a[8]) +
                 a[2] * (a[4] * a[9] - a[5] * a[8]);
    double scale = 1.0;
    for (int j = 0; j < 3; ++j) {
        scale *= std::sqrt(a[j] * a[j] + a[4 + j] * a[4 + j] + a[8 + j] * a[8 + j]);
    }
    return scale > 0.0 && std::fabs(det) > 1e-6 * scale;
}

bool isSupportedType(int datatype) {
    switch (datatype) {
    case DT_UINT8:
    case DT_INT8:
    case DT_INT16:
    case DT_UINT16:
    case DT_INT32:
    case DT_UINT32:
    case DT_INT64:
    case DT_UINT64:
    case DT_FLOAT32:
    case DT_FLOAT64:
        return true;
    default:
        return false;
    }
}

// A double as float; values beyond the float range become infinities (a plain conversion of them is
// undefined).
float clampedToFloat(double value) {
    if (value > FLT_MAX) {
        return INFINITY;
    }
    if (value < -FLT_MAX) {
        return -INFINITY;
    }
    return static_cast<float>(value);
}

template <typename T>
void convertToFloat(const void* data, size_t count, float slope, float inter, float* out) {
    const T* in = static_cast<const T*>(data);
    for (size_t i = 0; i < count; ++i) {
        double value = static_cast<double>(in[i]);
        out[i] = clampedToFloat(value * slope + inter);
    }
}

void samplesToFloat(int datatype, const void* data, size_t count, float slope, float inter, float* out) {
    switch (datatype) {
    case DT_UINT8:
        convertToFloat<uint8_t>(data, count, slope, inter, out);
        break;
    case DT_INT8:
        convertToFloat<int8_t>(data, count, slope, inter, out);
        break;
    case DT_INT16:
        convertToFloat<int16_t>(data, count, slope, inter, out);
        break;
    case DT_UINT16:
        convertToFloat<uint16_t>(data, count, slope, inter, out);
        break;
    case DT_INT32:
        convertToFloat<int32_t>(data, count, slope, inter, out);
        break;
    case DT_UINT32:
        convertToFloat<uint32_t>(data, count, slope, inter, out);
        break;
    case DT_INT64:
        convertToFloat<int64_t>(data, count, slope, inter, out);
        break;
    case DT_UINT64:
        convertToFloat<uint64_t>(data, count, slope, inter, out);
        break;
    case DT_FLOAT32:
        convertToFloat<float>(data, count, slope, inter, out);
        break;
    case DT_FLOAT64:
        convertToFloat<double>(data, count, slope, inter, out);
        break;
    default:
        break;
    }
}

// Bytes from malloc, released with free(): unlike a vector they are not zero-filled first.
struct FreeBytes {
    void operator()(unsigned char* bytes) const { free(bytes); }
};
using ByteBuffer = std::unique_ptr<unsigned char, FreeBytes>;

// The most bytes a file of fileSize bytes can give when read through zlib: deflate's largest ratio (1032
// to 1, a 258-byte match in two bits) plus the last block's slack; a plain file gives less. A header that
// claims more than this is refused before any memory is taken for its data.
double mostBytesFrom(long long fileSize) {
    const double kDeflateMaxRatio = 1032.0;
    const double kSlack = 1 << 16;
    return static_cast<double>(fileSize) * kDeflateMaxRatio + kSlack;
}

// How the data bytes of a file become the samples of its volumes.
struct SampleLayout {
    size_t perVolume = 0;   // samples per volume
    int bytesPerSample = 0; // in the file
    int swapSize = 0;       // bytes swapped together when the file's byte order differs; 0: none
    int datatype = 0;
    bool asInt16 = false; // the file's int16 samples are kept as they are; else converted to float
    float slope = 1.0f, inter = 0.0f;
};

// Reads count bytes into `into`, adding what arrived to got. Empty text when the stream gave them all or
// simply ended early; else why it stopped (a damaged or cut-off compressed stream).
std::string readBytes(gzFile file, const std::string& path, unsigned char* into, size_t count, size_t& got) {
    for (size_t done = 0; done < count;) {
        int n = gzread(file, into + done, static_cast<unsigned>(std::min(count - done, kReadPiece)));
        if (n <= 0) {
            return compressedStreamProblem(file, path);
        }
        done += static_cast<size_t>(n);
        got += static_cast<size_t>(n);
    }
    return "";
}

// Reads the data that follow the header at offset (through zlib, so plain and compressed files alike)
// volume by volume: int16 samples kept as they are go straight into their volume, others through one
// volume's worth of file bytes. A compressed stream is read to its end, so that damage or a check sum
// mismatch after the data is found too. Empty text on success.
std::string readSamples(const std::string& path, long offset, bool swapped, const SampleLayout& layout,
                        const std::vector<void*>& volumes) {
    const size_t volumeBytes = layout.perVolume * static_cast<size_t>(layout.bytesPerSample);
    ByteBuffer fileBytes;
    if (!layout.asInt16) {
        fileBytes.reset(static_cast<unsigned char*>(malloc(std::max<size_t>(volumeBytes, 1))));
        if (fileBytes == nullptr) {
            throw std::bad_alloc();
        }
    }
    gzFile file = gzopen(path.c_str(), "rb");
    if (file == nullptr) {
        return "cannot be opened";
    }
    gzbuffer(file, 1 << 17);
    std::string problem;
    if (gzseek(file, offset, SEEK_SET) != offset) {
        problem = compressedStreamProblem(file, path);
    }
    size_t got = 0;
    for (size_t t = 0; problem.empty() && t < volumes.size(); ++t) {
        unsigned char* into = layout.asInt16 ? static_cast<unsigned char*>(volumes[t]) : fileBytes.get();
        problem = readBytes(file, path, into, volumeBytes, got);
        if (!problem.empty() || got < (t + 1) * volumeBytes) {
            break;
        }
        if (swapped && layout.swapSize > 1) {
            nifti_swap_Nbytes(layout.perVolume, layout.swapSize, into);
        }
        if (!layout.asInt16) {
            samplesToFloat(layout.datatype, into, layout.perVolume, layout.slope, layout.inter,
                           static_cast<float*>(volumes[t]));
        }
    }
    const size_t needed = volumeBytes * volumes.size();
    if (problem.empty() && got < needed) {
        problem = "is truncated: its data need " + std::to_string(needed) + " bytes, the file holds " +
                  std::to_string(got);
    }
    if (problem.empty() && !gzdirect(file)) {
        char rest[1 << 14];
        int n = 0;
        while ((n = gzread(file, rest, sizeof rest)) > 0) {
        }
        if (n < 0) {
            problem = compressedStreamProblem(file, path);
        }
    }
    gzclose(file);
    return problem;
}

// Checks sizes, type, affine and limits; empty text when the header can be read into an image.
std::string checkHeader(const nifti_1_header& h, const NiftiLimits& limits) {
    int rank = h.dim[0];
    if (rank < 1 || rank > 7) {
        return "has an invalid number of dimensions (" + std::to_string(rank) + ")";
    }
    if (rank < 3) {
        return "has " + std::to_string(rank) + " dimension" + (rank == 1 ? "" : "s") +
               "; at least 3 (x, y, z) are needed";
    }
    for (int axis = 1; axis <= rank; ++axis) {
        if (h.dim[axis] <= 0) {
            return "has size " + std::to_string(h.dim[axis]) + " along dimension " + std::to_string(axis) +
                   "; sizes must be positive";
        }
    }
    for (int axis = 5; axis <= rank; ++axis) {
        if (h.dim[axis] != 1) {
            return "has more than four dimensions (x, y, z, volumes)";
        }
    }
    if (limits.maxVoxelsPerAxis > 0) {
        for (int axis = 1; axis <= 3; ++axis) {
            if (h.dim[axis] > limits.maxVoxelsPerAxis) {
                return "has " + std::to_string(h.dim[axis]) + " voxels along axis " + std::to_string(axis) +
                       "; at most " + std::to_string(limits.maxVoxelsPerAxis) + " are supported";
            }
        }
    }
    int64_t perVolume = static_cast<int64_t>(h.dim[1]) * h.dim[2] * h.dim[3];
    if (perVolume > std::numeric_limits<int32_t>::max()) {
        return "has " + std::to_string(perVolume) + " voxels per volume; at most 2147483647 are supported";
    }
    int volumes = rank >= 4 ? h.dim[4] : 1;
    if (!limits.allowSeveralVolumes && volumes > 1) {
        return "has " + std::to_string(volumes) + " volumes; one volume is needed";
    }
    if (!isSupportedType(h.datatype)) {
        const char* name = nifti_datatype_string(h.datatype);
        return std::string("has the unsupported sample type ") + (name != nullptr ? name : "?") + " (" +
               std::to_string(h.datatype) + ")";
    }
    if (!(h.vox_offset >= kHeaderSize && h.vox_offset <= kMaxDataOffset)) {
        return "has an invalid data offset (" + numberText(h.vox_offset) + ")";
    }
    if (h.sform_code <= 0 && h.qform_code > 0) {
        for (int axis = 1; axis <= 3; ++axis) {
            if (!std::isfinite(h.pixdim[axis]) || h.pixdim[axis] == 0.0f) {
                return "has the voxel size " + numberText(h.pixdim[axis]) + " along axis " +
                       std::to_string(axis) + ", which its qform cannot use";
            }
        }
    }
    int bytesPerSample = 0, swapSize = 0;
    nifti_datatype_sizes(h.datatype, &bytesPerSample, &swapSize);
    double sampleCount = static_cast<double>(perVolume) * volumes;
    double largestSample = std::max(bytesPerSample, 4);
    if (sampleCount * largestSample > static_cast<double>(kMaxNiftiDataBytes)) {
        return "is too large: its " + numberText(sampleCount) + " samples would take " +
               numberText(sampleCount * largestSample) + " bytes; at most 2 GiB per image are read";
    }
    std::array<double, 16> affine;
    AffineSource source;
    chooseAffine(h, affine, source);
    if (!isInvertibleAffine(affine)) {
        const char* name = source == AffineSource::kSform   ? "sform"
                           : source == AffineSource::kQform ? "qform"
                                                            : "pixdim";
        return std::string("has a singular or non-finite voxel-to-world affine (from its ") + name + ")";
    }
    return "";
}

// Fills in everything of image but its samples from a checked header, and tells how the data bytes become
// its samples: scaled types and scaled int16 as float, unscaled int16 kept as int16 when kind asks for it.
SampleLayout describeImage(const nifti_1_header& header, SampleKind kind, NiftiImage& image) {
    int rank = header.dim[0];
    image.nx = header.dim[1];
    image.ny = header.dim[2];
    image.nz = header.dim[3];
    image.nt = rank >= 4 ? header.dim[4] : 1;
    image.geometry = geometryOf(header);
    image.fields = headerFieldsOf(header);
    chooseAffine(header, image.voxelToWorld, image.affineSource);

    SampleLayout layout;
    nifti_datatype_sizes(header.datatype, &layout.bytesPerSample, &layout.swapSize);
    layout.datatype = header.datatype;
    layout.perVolume = static_cast<size_t>(image.nx) * image.ny * image.nz;
    float slope = header.scl_slope;
    float inter = header.scl_inter;
    bool scaled = std::isfinite(slope) && slope != 0.0f && !(slope == 1.0f && inter == 0.0f);
    if (scaled) {
        layout.slope = slope;
        layout.inter = std::isfinite(inter) ? inter : 0.0f;
    }
    layout.asInt16 = kind == SampleKind::kInt16WhenRaw && header.datatype == DT_INT16 && !scaled;
    image.isInt16 = layout.asInt16;
    return layout;
}

// Room for all samples of image in its own sample list, one pointer per volume.
std::vector<void*> ownSampleVolumes(NiftiImage& image, const SampleLayout& layout) {
    std::vector<void*> volumes;
    size_t count = layout.perVolume * image.nt;
    if (layout.asInt16) {
        image.int16Samples.reserve(count);
        adviseHugePages(image.int16Samples.data(), count * sizeof(int16_t));
        image.int16Samples.resize(count);
    } else {
        image.floatSamples.reserve(count);
        adviseHugePages(image.floatSamples.data(), count * sizeof(float));
        image.floatSamples.resize(count);
    }
    for (int t = 0; t < image.nt; ++t) {
        volumes.push_back(layout.asInt16
                              ? static_cast<void*>(image.int16Samples.data() + t * layout.perVolume)
                              : static_cast<void*>(image.floatSamples.data() + t * layout.perVolume));
    }
    return volumes;
}

NiftiReadResult readCheckedNiftiImage(const std::string& path, SampleKind kind, const NiftiLimits& limits,
                                      const NiftiSampleDestination& destination) {
    NiftiReadResult result;
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        int reason = errno;
        result.error = reason == ENOENT  ? "does not exist"
                       : reason == ELOOP ? "is a loop of symbolic links"
                                         : std::string("cannot be examined: ") + strerror(reason);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.error = "is not a regular file";
        return result;
    }
    if (!endsWith(path, ".nii") && !endsWith(path, ".nii.gz")) {
        result.error = "is not named as a NIfTI-1 file (.nii or .nii.gz expected)";
        return result;
    }
    nifti_1_header header;
    bool swapped = false;
    result.error = readRawHeader(path, header, swapped);
    if (result.error.empty()) {
        result.error = checkHeader(header, limits);
    }
    if (!result.error.empty()) {
        return result;
    }
    NiftiImage& image = result.image;
    const SampleLayout layout = describeImage(header, kind, image);
    double needed = static_cast<double>(header.vox_offset) +
                    static_cast<double>(layout.perVolume) * image.nt * layout.bytesPerSample;
    if (endsWith(path, ".nii") && needed > static_cast<double>(info.st_size)) {
        result.error = "is truncated: its data need " + numberText(needed) + " bytes, the file has " +
                       std::to_string(static_cast<long long>(info.st_size));
        return result;
    }
    if (needed > mostBytesFrom(info.st_size)) {
        result.error = "is truncated: its data need " + numberText(needed) + " bytes, more than a file of " +
                       std::to_string(static_cast<long long>(info.st_size)) + " bytes can hold";
        return result;
    }
    std::vector<void*> volumes;
    if (destination) {
        volumes = destination(image);
        if (volumes.size() != static_cast<size_t>(image.nt)) {
            throw std::bad_alloc();
        }
    } else {
        volumes = ownSampleVolumes(image, layout);
    }
    result.error = readSamples(path, static_cast<long>(header.vox_offset), swapped, layout, volumes);
    if (!result.error.empty()) {
        image.int16Samples = std::vector<int16_t>();
        image.floatSamples = std::vector<float>();
    }
    return result;
}

// Turns the data bytes of a checked image held in memory into its volumes, as readSamples does with the
// bytes of a file. Bytes to be swapped, or not aligned for their type, go through a buffer of one volume.
void convertVolumes(const unsigned char* data, bool swapped, const SampleLayout& layout,
                    const std::vector<void*>& volumes) {
    const size_t volumeBytes = layout.perVolume * static_cast<size_t>(layout.bytesPerSample);
    const bool swap = swapped && layout.swapSize > 1;
    const bool aligned =
        reinterpret_cast<uintptr_t>(data) % static_cast<uintptr_t>(layout.bytesPerSample) == 0;
    ByteBuffer buffer;
    if (swap || !aligned) {
        buffer.reset(static_cast<unsigned char*>(malloc(std::max<size_t>(volumeBytes, 1))));
        if (buffer == nullptr) {
            throw std::bad_alloc();
        }
    }
    for (size_t t = 0; t < volumes.size(); ++t) {
        const unsigned char* from = data + t * volumeBytes;
        if (buffer != nullptr) {
            memcpy(buffer.get(), from, volumeBytes);
            if (swap) {
                nifti_swap_Nbytes(layout.perVolume, layout.swapSize, buffer.get());
            }
            from = buffer.get();
        }
        if (layout.asInt16) {
            memcpy(volumes[t], from, volumeBytes);
        } else {
            samplesToFloat(layout.datatype, from, layout.perVolume, layout.slope, layout.inter,
                           static_cast<float*>(volumes[t]));
        }
    }
}

NiftiReadResult checkedNiftiImageFromMemory(const void* headerBytes, const void* data, size_t dataBytes,
                                            SampleKind kind, const NiftiLimits& limits) {
    NiftiReadResult result;
    nifti_1_header header;
    memcpy(&header, headerBytes, kHeaderSize);
    bool swapped = false;
    result.error = checkHeaderBytes(header, swapped);
    if (result.error.empty()) {
        result.error = checkHeader(header, limits);
    }
    if (!result.error.empty()) {
        return result;
    }
    NiftiImage& image = result.image;
    const SampleLayout layout = describeImage(header, kind, image);
    const size_t needed = layout.perVolume * static_cast<size_t>(image.nt) * layout.bytesPerSample;
    if (dataBytes < needed) {
        result.error = "is truncated: its data need " + std::to_string(needed) + " bytes, the data hold " +
                       std::to_string(dataBytes);
        return result;
    }
    convertVolumes(static_cast<const unsigned char*>(data), swapped, layout, ownSampleVolumes(image, layout));
    return result;
}

} // namespace

std::string niftiStem(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (endsWith(name, ".nii.gz")) {
        return name.substr(0, name.size() - 7);
    }
    if (endsWith(name, ".nii")) {
        return name.substr(0, name.size() - 4);
    }
    return name;
}

NiftiReadResult readNiftiImage(const std::string& path, SampleKind kind, const NiftiLimits& limits) {
    return readNiftiImageInto(path, kind, limits, nullptr);
}

NiftiReadResult readNiftiImageInto(const std::string& path, SampleKind kind, const NiftiLimits& limits,
                                   const NiftiSampleDestination& destination) {
    try {
        return readCheckedNiftiImage(path, kind, limits, destination);
    } catch (const std::bad_alloc&) {
        NiftiReadResult result;
        result.error = "cannot be read: not enough memory";
        return result;
    }
}

NiftiReadResult niftiImageFromMemory(const void* header, const void* data, size_t dataBytes, SampleKind kind,
                                     const NiftiLimits& limits) {
    try {
        return checkedNiftiImageFromMemory(header, data, dataBytes, kind, limits);
    } catch (const std::bad_alloc&) {
        NiftiReadResult result;
        result.error = "cannot be read: not enough memory";
        return result;
    }
}

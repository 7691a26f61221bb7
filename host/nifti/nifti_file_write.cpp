// Writing single-file NIfTI-1 images through the NIfTI library: the header is assembled here, turned into
// the library's image record and written by the library; the samples follow through the library's file
// layer in pieces, so a caller can show progress, and the write is checked (bytes accepted, file closed
// cleanly), because the library reports a failed write only as a message.
#include "host/nifti/nifti_file.h"

#include <nifti1_io.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "host/nifti/nifti_header_fields.h"
#include "host/nifti/new_file.h"

namespace {

const int kHeaderSize = 348;
const int kVoxOffset = 352; // header plus the four extension bytes
// Sample bytes handed to the file layer at a time: small enough for smooth progress, large enough that
// the calls cost nothing next to the compression.
const size_t kPieceBytes = size_t(1) << 20;

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The header as the host writes it: sizes, sample type, the source's geometry and other fields.
nifti_1_header buildHeader(const NiftiWriteRequest& request, size_t bytesPerSample, short datatype) {
    nifti_1_header h;
    memset(&h, 0, sizeof h);
    h.sizeof_hdr = kHeaderSize;
    h.dim[0] = request.nt > 1 ? 4 : 3;
    h.dim[1] = static_cast<short>(request.nx);
    h.dim[2] = static_cast<short>(request.ny);
    h.dim[3] = static_cast<short>(request.nz);
    h.dim[4] = static_cast<short>(request.nt);
    for (int i = 5; i < 8; ++i) {
        h.dim[i] = 1;
    }
    h.datatype = datatype;
    h.bitpix = static_cast<short>(8 * bytesPerSample);
    putGeometry(request.geometry, h);
    if (h.pixdim[0] != -1.0f) {
        h.pixdim[0] = 1.0f; // qfac is either -1 or 1
    }
    h.vox_offset = kVoxOffset;
    h.scl_slope = 1.0f;
    h.scl_inter = 0.0f;
    putHeaderFields(request.fields, h);
    if (request.fields.descrip.empty()) {
        strncpy(h.descrip, "written by the Zentrovis stand-in host", sizeof h.descrip - 1);
    }
    memcpy(h.magic, "n+1", 4);
    return h;
}

// The library writes spacings as magnitudes. An image placed by its spacings alone (neither qform nor
// sform) with a negative spacing is mirrored along that axis; an sform saying the same keeps it where the
// source lay.
void keepPlacementOfNegativeSpacings(nifti_1_header& h) {
    if (h.qform_code > 0 || h.sform_code > 0 || (h.pixdim[1] >= 0 && h.pixdim[2] >= 0 && h.pixdim[3] >= 0)) {
        return;
    }
    h.sform_code = NIFTI_XFORM_SCANNER_ANAT;
    float* rows[3] = {h.srow_x, h.srow_y, h.srow_z};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            rows[i][j] = i == j ? h.pixdim[i + 1] : 0.0f;
        }
    }
}

// The zlib mode of a compression; level 1 spends a fifth of the default's time on image data and gives files
// a few percent larger.
const char* gzipMode(NiftiCompression compression) {
    switch (compression) {
    case NiftiCompression::kFast:
        return "wb1R";
    case NiftiCompression::kBest:
        return "wb9";
    default:
        return "wb6";
    }
}

// Where volume t's samples start: in the request's own list, or one after the other from samples.
const char* volumeSamples(const NiftiWriteRequest& request, int t, size_t volumeBytes) {
    return request.volumes.empty() ? static_cast<const char*>(request.samples) + t * volumeBytes
                                   : static_cast<const char*>(request.volumes[t]);
}

// The library's file record around an open descriptor (the library opens only by name, which would
// follow a link); the library's close releases it.
znzFile libraryFileFor(int descriptor, bool compress, const char* gzipMode) {
    znzFile file = static_cast<znzFile>(calloc(1, sizeof(struct znzptr)));
    if (file == nullptr) {
        return nullptr;
    }
    file->withz = compress ? 1 : 0;
    if (compress) {
        file->zfptr = gzdopen(descriptor, gzipMode);
    } else {
        file->nzfptr = fdopen(descriptor, "wb");
    }
    if (compress ? file->zfptr == nullptr : file->nzfptr == nullptr) {
        free(file);
        return nullptr;
    }
    return file;
}

// Creates the file here, as a new file and never through a link (so that a refusal is reported once, with
// its reason, and nothing but a new file is written), has the library write the header into it, writes the
// samples after it piece by piece, and checks that every byte was accepted and the file closed cleanly.
std::string writeThroughLibrary(nifti_image* image, NiftiCompression compression,
                                const NiftiWriteRequest& request, size_t volumeBytes,
                                const NiftiWriteProgress& progress) {
    bool compress = compression != NiftiCompression::kNone;
    int descriptor = createNewFile(image->fname);
    znzFile file = descriptor >= 0 ? libraryFileFor(descriptor, compress, gzipMode(compression)) : nullptr;
    if (znz_isnull(file)) {
        std::string reason = strerror(errno);
        if (descriptor >= 0) {
            close(descriptor);
        }
        return "cannot be created: " + reason;
    }
    // On a failed header write the library closes the file itself and returns no file.
    file = nifti_image_write_hdr_img2(image, 2 /* header only, leave the file open */, "wb", file, nullptr);
    if (znz_isnull(file)) {
        return "could not be written completely";
    }
    const uint64_t dataBytes = static_cast<uint64_t>(volumeBytes) * request.nt;
    bool complete = znztell(file) == kVoxOffset;
    uint64_t written = 0;
    for (int t = 0; complete && t < request.nt; ++t) {
        const char* samples = volumeSamples(request, t, volumeBytes);
        for (size_t done = 0; complete && done < volumeBytes;) {
            size_t piece = volumeBytes - done < kPieceBytes ? volumeBytes - done : kPieceBytes;
            complete = znzwrite(samples + done, 1, piece, file) == piece;
            done += piece;
            written += piece;
            if (complete && progress) {
                progress(written, dataBytes);
            }
        }
    }
    complete = complete && znztell(file) == static_cast<long>(kVoxOffset + dataBytes);
    bool closed = znzclose(file) == 0;
    return complete && closed ? "" : "could not be written completely";
}

} // namespace

const char* niftiEnding(NiftiCompression compression) {
    return compression == NiftiCompression::kNone ? ".nii" : ".nii.gz";
}

std::string writeNiftiImage(const std::string& path, const NiftiWriteRequest& request,
                            NiftiCompression compression, const NiftiWriteProgress& progress) {
    bool compress = compression != NiftiCompression::kNone;
    if (request.nx > 32767 || request.ny > 32767 || request.nz > 32767 || request.nt > 32767) {
        return "the grid is too large for a NIfTI-1 header";
    }
    if (!request.volumes.empty() && request.volumes.size() != static_cast<size_t>(request.nt)) {
        return "could not be written: the sample list does not hold one volume per time point";
    }
    // The library compresses exactly the names ending in ".gz" and renames anything not ending in ".nii" or
    // ".nii.gz"; a name that disagrees is refused rather than written somewhere else.
    if (!endsWith(path, compress ? ".nii.gz" : ".nii")) {
        return compress ? "is not named as a compressed NIfTI-1 file (.nii.gz)"
                        : "is not named as a NIfTI-1 file (.nii)";
    }
    size_t bytesPerSample = 1;
    short datatype = DT_UINT8;
    switch (request.type) {
    case NiftiOutputType::kUint8:
        datatype = DT_UINT8;
        bytesPerSample = 1;
        break;
    case NiftiOutputType::kInt16:
        datatype = DT_INT16;
        bytesPerSample = 2;
        break;
    case NiftiOutputType::kFloat32:
        datatype = DT_FLOAT32;
        bytesPerSample = 4;
        break;
    }
    nifti_1_header header = buildHeader(request, bytesPerSample, datatype);
    keepPlacementOfNegativeSpacings(header);
    nifti_image* image = nifti_convert_nhdr2nim(header, path.c_str());
    if (image == nullptr) {
        return "could not be prepared for writing";
    }
    // Reading the header turns zero spacings into 1; the source's are kept (the library writes them as
    // magnitudes, see keepPlacementOfNegativeSpacings).
    float* spacings[7] = {&image->dx, &image->dy, &image->dz, &image->dt, &image->du, &image->dv, &image->dw};
    for (int i = 1; i < 8; ++i) {
        *spacings[i - 1] = header.pixdim[i];
        image->pixdim[i] = header.pixdim[i];
    }
    std::string error;
    if (image->fname == nullptr || path != image->fname || image->nifti_type != NIFTI_FTYPE_NIFTI1_1) {
        error = "could not be prepared for writing as a single NIfTI-1 file";
    } else {
        size_t volumeBytes = static_cast<size_t>(request.nx) * request.ny * request.nz * bytesPerSample;
        size_t dataBytes = volumeBytes * request.nt;
        error = writeThroughLibrary(image, compression, request, volumeBytes, progress);
        if (error.empty() && !compress) {
            struct stat info;
            if (stat(path.c_str(), &info) != 0 ||
                static_cast<size_t>(info.st_size) != kVoxOffset + dataBytes) {
                error = "could not be written completely";
            }
        }
    }
    nifti_image_free(image);
    return error;
}

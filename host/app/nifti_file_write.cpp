// Writing single-file NIfTI-1 images: the header is built here and written with the data through zlib, so
// that every failed write is noticed.
#include "host/app/nifti_file.h"

#include <nifti1_io.h>
#include <zlib.h>

#include <cstring>

namespace {

const int kHeaderSize = 348;
const int kVoxOffset = 352; // header plus the four extension bytes

} // namespace

std::string writeNiftiImage(const std::string& path, const NiftiWriteRequest& request, bool compress) {
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
    if (request.nx > 32767 || request.ny > 32767 || request.nz > 32767 || request.nt > 32767) {
        return "the grid is too large for a NIfTI-1 header";
    }
    size_t bytesPerSample = 1;
    switch (request.type) {
    case NiftiOutputType::kUint8:
        h.datatype = DT_UINT8;
        bytesPerSample = 1;
        break;
    case NiftiOutputType::kInt16:
        h.datatype = DT_INT16;
        bytesPerSample = 2;
        break;
    case NiftiOutputType::kFloat32:
        h.datatype = DT_FLOAT32;
        bytesPerSample = 4;
        break;
    }
    h.bitpix = static_cast<short>(8 * bytesPerSample);
    const NiftiGeometry& g = request.geometry;
    for (int i = 0; i < 8; ++i) {
        h.pixdim[i] = g.pixdim[i];
    }
    if (h.pixdim[0] != -1.0f) {
        h.pixdim[0] = 1.0f; // qfac is either -1 or 1
    }
    h.vox_offset = kVoxOffset;
    h.scl_slope = 1.0f;
    h.scl_inter = 0.0f;
    h.xyzt_units = static_cast<char>(g.xyztUnits);
    h.qform_code = static_cast<short>(g.qformCode);
    h.sform_code = static_cast<short>(g.sformCode);
    h.quatern_b = g.quaternB;
    h.quatern_c = g.quaternC;
    h.quatern_d = g.quaternD;
    h.qoffset_x = g.qoffsetX;
    h.qoffset_y = g.qoffsetY;
    h.qoffset_z = g.qoffsetZ;
    for (int j = 0; j < 4; ++j) {
        h.srow_x[j] = g.srowX[j];
        h.srow_y[j] = g.srowY[j];
        h.srow_z[j] = g.srowZ[j];
    }
    strncpy(h.descrip, "written by the Zentrovis stand-in host", sizeof h.descrip - 1);
    memcpy(h.magic, "n+1", 4);

    gzFile file = gzopen(path.c_str(), compress ? "wb6" : "wbT");
    if (file == nullptr) {
        return "cannot be created";
    }
    static const char kNoExtension[4] = {0, 0, 0, 0};
    bool ok = gzwrite(file, &h, kHeaderSize) == kHeaderSize && gzwrite(file, kNoExtension, 4) == 4;
    const char* bytes = static_cast<const char*>(request.samples);
    size_t remaining =
        static_cast<size_t>(request.nx) * request.ny * request.nz * request.nt * bytesPerSample;
    while (ok && remaining > 0) {
        unsigned chunk = remaining > (1u << 30) ? (1u << 30) : static_cast<unsigned>(remaining);
        ok = gzwrite(file, bytes, chunk) == static_cast<int>(chunk);
        bytes += chunk;
        remaining -= chunk;
    }
    bool closed = gzclose(file) == Z_OK;
    if (!ok || !closed) {
        return "could not be written completely";
    }
    return "";
}

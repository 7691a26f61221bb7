// Writes the seed corpora of the fuzz targets: small valid NIfTI-1 files of several kinds for the reader,
// matrices and records of typical and degenerate geometry for the geometry target, and byte strings for the
// execute target. Usage: make_seeds FOLDER (makes FOLDER/nifti_read, FOLDER/geometry, FOLDER/execute).
#include <nifti1_io.h>
#include <sys/stat.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "geometry/matrix4.h"
#include "host_api/host_records.h"

namespace {

void writeSeed(const std::string& folder, const std::string& name, const std::string& bytes) {
    std::string path = folder + "/" + name;
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr || fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || fclose(file) != 0) {
        fprintf(stderr, "make_seeds: cannot write %s\n", path.c_str());
        exit(1);
    }
}

template <typename Record> std::string bytesOf(const Record& record) {
    return std::string(reinterpret_cast<const char*>(&record), sizeof record);
}

// A small image: header, optional extension, and samples counting up.
std::string niftiBytes(int nx, int ny, int nz, int nt, short datatype, bool swapped, bool extension,
                       int affineKind) {
    nifti_1_header h;
    memset(&h, 0, sizeof h);
    h.sizeof_hdr = 348;
    h.dim[0] = nt > 1 ? 4 : 3;
    h.dim[1] = static_cast<short>(nx);
    h.dim[2] = static_cast<short>(ny);
    h.dim[3] = static_cast<short>(nz);
    h.dim[4] = static_cast<short>(nt);
    for (int i = 5; i < 8; ++i) {
        h.dim[i] = 1;
    }
    int bytesPerSample = 0, swapSize = 0;
    nifti_datatype_sizes(datatype, &bytesPerSample, &swapSize);
    h.datatype = datatype;
    h.bitpix = static_cast<short>(8 * bytesPerSample);
    for (int i = 0; i < 8; ++i) {
        h.pixdim[i] = 1.0f;
    }
    h.pixdim[1] = 2.0f;
    h.pixdim[2] = 3.0f;
    h.pixdim[3] = 4.0f;
    std::string ext;
    if (extension) {
        ext = std::string("\1\0\0\0", 4);
        int esize = 32, ecode = 6;
        ext += std::string(reinterpret_cast<const char*>(&esize), 4) +
               std::string(reinterpret_cast<const char*>(&ecode), 4);
        ext += std::string(24, 'c');
    } else {
        ext = std::string(4, '\0');
    }
    h.vox_offset = static_cast<float>(348 + ext.size());
    if (affineKind == 1) {
        h.qform_code = 1;
        h.quatern_d = 1.0f;
        h.qoffset_x = 5.0f;
        h.pixdim[0] = -1.0f;
    } else if (affineKind == 2) {
        h.sform_code = 2;
        float rows[3][4] = {{0, 0, 4, 1}, {2, 0, 0, 2}, {0, 3, 0, 3}};
        memcpy(h.srow_x, rows[0], sizeof rows[0]);
        memcpy(h.srow_y, rows[1], sizeof rows[1]);
        memcpy(h.srow_z, rows[2], sizeof rows[2]);
    }
    if (datatype == DT_UINT8) {
        h.scl_slope = 0.5f;
        h.scl_inter = 3.0f;
    }
    memcpy(h.magic, "n+1", 4);
    size_t count = static_cast<size_t>(nx) * ny * nz * nt;
    std::string data(count * static_cast<size_t>(bytesPerSample), '\0');
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(i * 37 % 251);
    }
    if (swapped) {
        swap_nifti_header(&h, 1);
    }
    return bytesOf(h) + ext + data;
}

std::string gzipped(const std::string& bytes) {
    uLongf room = compressBound(bytes.size()) + 32;
    std::vector<unsigned char> out(room);
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    size_t produced = stream.total_out;
    deflateEnd(&stream);
    return std::string(reinterpret_cast<const char*>(out.data()), produced);
}

void niftiSeeds(const std::string& folder) {
    struct Kind {
        const char* name;
        std::string bytes;
    } kinds[] = {
        {"int16_3d", niftiBytes(4, 3, 2, 1, DT_INT16, false, false, 0)},
        {"float_4d_qform", niftiBytes(3, 3, 2, 3, DT_FLOAT32, false, false, 1)},
        {"uint8_scaled_sform", niftiBytes(5, 2, 2, 1, DT_UINT8, false, true, 2)},
        {"double_swapped", niftiBytes(2, 2, 2, 2, DT_FLOAT64, true, false, 1)},
        {"int64_extension", niftiBytes(2, 3, 2, 1, DT_INT64, false, true, 0)},
    };
    for (const Kind& kind : kinds) {
        // Mode byte: 0 plain, 1 compressed by the target, 2 raw gzip bytes; bit 2 keeps int16, bit 3 limits.
        writeSeed(folder, std::string("plain_") + kind.name, std::string(1, '\4') + kind.bytes);
        writeSeed(folder, std::string("compressed_") + kind.name, std::string(1, '\1') + kind.bytes);
        writeSeed(folder, std::string("gzip_") + kind.name, std::string(1, '\16') + gzipped(kind.bytes));
    }
}

void geometrySeeds(const std::string& folder) {
    Matrix4 identity, rotated, singular;
    setIdentity(identity);
    setIdentity(rotated);
    rotated.m[0] = 0.0f;
    rotated.m[1] = -3.5f;
    rotated.m[4] = 3.5f;
    rotated.m[5] = 0.0f;
    rotated.m[3] = 12.0f;
    memset(&singular, 0, sizeof singular);
    singular.m[0] = 1.0f;
    FmrHeader fmr;
    memset(&fmr, 0, sizeof fmr);
    fmr.dimX = 64;
    fmr.dimY = 64;
    fmr.dimZ = 30;
    fmr.voxelSizeX = 3.5f;
    fmr.voxelSizeY = 3.5f;
    fmr.voxelSizeZ = 4.0f;
    fmr.dataType = kFmrDataInt16;
    ScannerPositionHeader position;
    memset(&position, 0, sizeof position);
    position.firstSliceCenterZ = -58.0f;
    position.lastSliceCenterZ = 58.0f;
    VmrHeader vmr;
    memset(&vmr, 0, sizeof vmr);
    vmr.dimX = vmr.dimY = vmr.dimZ = 256;
    vmr.voxelSizeX = vmr.voxelSizeY = vmr.voxelSizeZ = 1.0f;
    IaMatrix ia;
    memcpy(ia.s, identity.m, sizeof ia.s);
    std::string records = bytesOf(fmr) + bytesOf(position) + bytesOf(vmr) + bytesOf(identity) + bytesOf(ia);
    writeSeed(folder, "identity", bytesOf(identity) + records);
    writeSeed(folder, "rotated", bytesOf(rotated) + records);
    writeSeed(folder, "singular", bytesOf(singular) + records);
    Matrix4 special;
    const float values[4] = {NAN, INFINITY, 1e-40f, 3e38f};
    for (int k = 0; k < 16; ++k) {
        special.m[k] = values[k % 4];
    }
    writeSeed(folder, "special_values", bytesOf(special) + records);
}

void executeSeeds(const std::string& folder) {
    // The target reads its choices from both ends of the input; these strings give small documents of
    // every kind their first chance.
    const size_t sizes[] = {64, 300, 1200, 4000, 9000};
    uint32_t state = 7;
    for (size_t size : sizes) {
        for (int variant = 0; variant < 3; ++variant) {
            std::string bytes(size, '\0');
            for (char& c : bytes) {
                state = state * 1664525u + 1013904223u;
                c = static_cast<char>(state >> 24);
            }
            writeSeed(folder, "bytes_" + std::to_string(size) + "_" + std::to_string(variant), bytes);
        }
    }
    // The host version at the gate and just below it. The target reads its first choices from the end:
    // the kind of version (1: next to the gate), the offset of each part from 2.9.9 (byte % 3 - 1), then
    // whether initPlugin comes first (byte % 4 != 0).
    const struct {
        const char* name;
        char tail[5]; // in file order: initPlugin first, third part, second part, first part, kind
    } gates[] = {{"version_2.9.9_init", {1, 1, 1, 1, 1}},
                 {"version_2.9.8_init", {1, 0, 1, 1, 1}},
                 {"version_2.9.8_execute_alone", {0, 0, 1, 1, 1}},
                 {"version_2.8.9_init", {1, 1, 0, 1, 1}},
                 {"version_1.9.9_init", {1, 1, 1, 0, 1}}};
    for (const auto& gate : gates) {
        std::string bytes(1200, '\0');
        for (char& c : bytes) {
            state = state * 1664525u + 1013904223u;
            c = static_cast<char>(state >> 24);
        }
        bytes.replace(bytes.size() - sizeof gate.tail, sizeof gate.tail, gate.tail, sizeof gate.tail);
        writeSeed(folder, gate.name, bytes);
    }
}

void makeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
        fprintf(stderr, "make_seeds: cannot make %s\n", path.c_str());
        exit(1);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    std::string root = argv[1];
    makeFolder(root);
    makeFolder(root + "/nifti_read");
    makeFolder(root + "/geometry");
    makeFolder(root + "/execute");
    niftiSeeds(root + "/nifti_read");
    geometrySeeds(root + "/geometry");
    executeSeeds(root + "/execute");
    return 0;
}

// The header is edited in the file's own byte order and the rest of the file is streamed through unchanged,
// so nothing but the placement fields can differ from the source (the library's writer would rebuild the
// header from its own record and drop fields it does not keep).
#include "host/nifti/nifti_corrected_copy.h"

#include <fcntl.h>
#include <nifti1_io.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "host/nifti/new_file.h"

namespace {

const int kHeaderSize = 348;
const unsigned kPieceBytes = 1u << 20;

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Sets the placement fields of a header in the machine's byte order.
void placeHeader(nifti_1_header& h, const std::array<double, 16>& affine, int fallbackCode) {
    float* rows[3] = {h.srow_x, h.srow_y, h.srow_z};
    mat44 m{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m.m[i][j] = static_cast<float>(affine[4 * i + j]);
            if (i < 3) {
                rows[i][j] = m.m[i][j];
            }
        }
    }
    float qb, qc, qd, qx, qy, qz, dx, dy, dz, qfac;
    nifti_mat44_to_quatern(m, &qb, &qc, &qd, &qx, &qy, &qz, &dx, &dy, &dz, &qfac);
    h.quatern_b = qb;
    h.quatern_c = qc;
    h.quatern_d = qd;
    h.qoffset_x = qx;
    h.qoffset_y = qy;
    h.qoffset_z = qz;
    if ((h.pixdim[0] < 0 ? -1.0f : 1.0f) != qfac) {
        h.pixdim[0] = qfac;
    }
    if (h.sform_code <= 0) {
        h.sform_code = static_cast<short>(h.qform_code > 0 ? h.qform_code : fallbackCode);
    }
    if (h.qform_code <= 0) {
        h.qform_code = h.sform_code;
    }
}

// The source's header, checked to be a single-file NIfTI-1 header; swapped tells whether its byte order is
// the machine's reverse.
std::string readHeader(gzFile source, nifti_1_header& h, bool& swapped) {
    if (gzread(source, &h, kHeaderSize) != kHeaderSize) {
        return "is too short for a NIfTI-1 header";
    }
    swapped = h.sizeof_hdr != kHeaderSize;
    if (swapped) {
        swap_nifti_header(&h, 1);
    }
    if (h.sizeof_hdr != kHeaderSize || memcmp(h.magic, "n+1", 4) != 0) {
        return "is not a single-file NIfTI-1 image";
    }
    return "";
}

// Where the copy goes: a gzip stream or the plain file.
struct Target {
    int descriptor = -1;
    gzFile gz = nullptr;
    bool write(const void* bytes, size_t size) {
        if (gz != nullptr) {
            return gzwrite(gz, bytes, static_cast<unsigned>(size)) == static_cast<int>(size);
        }
        const char* next = static_cast<const char*>(bytes);
        while (size > 0) {
            const ssize_t written = ::write(descriptor, next, size);
            if (written <= 0) {
                return false;
            }
            next += written;
            size -= static_cast<size_t>(written);
        }
        return true;
    }
    bool close() { return gz != nullptr ? gzclose(gz) == Z_OK : ::close(descriptor) == 0; }
};

std::string copyWithHeader(gzFile source, const nifti_1_header& h, Target& target) {
    if (!target.write(&h, kHeaderSize)) {
        return "could not be written completely";
    }
    std::vector<char> piece(kPieceBytes);
    for (;;) {
        const int got = gzread(source, piece.data(), kPieceBytes);
        if (got < 0) {
            int code = 0;
            return std::string("could not be copied: the source is corrupt (") + gzerror(source, &code) + ")";
        }
        if (got == 0) {
            return "";
        }
        if (!target.write(piece.data(), static_cast<size_t>(got))) {
            return "could not be written completely";
        }
    }
}

} // namespace

std::string writeNiftiWithAffine(const std::string& sourcePath, const std::string& targetPath,
                                 const std::array<double, 16>& affine, int fallbackCode) {
    const int in = open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC);
    gzFile source = in >= 0 ? gzdopen(in, "rb") : nullptr;
    if (source == nullptr) {
        const std::string reason = strerror(errno);
        if (in >= 0) {
            close(in);
        }
        return sourcePath + ": cannot be read: " + reason;
    }
    nifti_1_header h;
    bool swapped = false;
    std::string problem = readHeader(source, h, swapped);
    if (!problem.empty()) {
        gzclose(source);
        return sourcePath + ": " + problem;
    }
    placeHeader(h, affine, fallbackCode);
    if (swapped) {
        swap_nifti_header(&h, 1);
    }
    Target target;
    target.descriptor = createNewFile(targetPath);
    if (target.descriptor >= 0 && endsWith(targetPath, ".gz")) {
        target.gz = gzdopen(target.descriptor, "wb1R");
    }
    if (target.descriptor < 0 || (endsWith(targetPath, ".gz") && target.gz == nullptr)) {
        const std::string reason = strerror(errno);
        if (target.descriptor >= 0) {
            close(target.descriptor);
            unlink(targetPath.c_str());
        }
        gzclose(source);
        return "cannot be created: " + reason;
    }
    problem = copyWithHeader(source, h, target);
    gzclose(source);
    if (!target.close() && problem.empty()) {
        problem = "could not be written completely";
    }
    if (!problem.empty()) {
        unlink(targetPath.c_str());
    }
    return problem;
}

// Fuzz target: the host's NIfTI-1 reader on arbitrary files, plain and gzipped (header, extensions, data).
//
// The first input byte chooses how the rest becomes a file: 0 as a plain .nii, 1 gzip-compressed as a
// .nii.gz, 2 as raw bytes named .nii.gz (damaged or partial gzip streams); bit 2 asks for int16 samples to
// stay int16, bit 3 for the anatomical's limits. A read must end in an image whose sample count matches its
// grid, or in a reason; so must the read of a plain file's bytes from memory.
#include <stdint.h>
#include <stdlib.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <string>

#include "host/nifti/nifti_file.h"

namespace {

// A private folder for the file of each run, in memory when the system offers one.
const std::string& scratchFolder() {
    static std::string folder = [] {
        std::string pattern =
            access("/dev/shm", W_OK) == 0 ? "/dev/shm/nifti-fuzz-XXXXXX" : "/tmp/nifti-fuzz-XXXXXX";
        char* made = mkdtemp(pattern.data());
        if (made == nullptr) {
            abort();
        }
        return std::string(made);
    }();
    return folder;
}

void writeFile(const std::string& path, const uint8_t* data, size_t size, bool compress) {
    gzFile file = gzopen(path.c_str(), compress ? "wb1" : "wbT");
    if (file == nullptr) {
        abort();
    }
    if (size > 0) {
        gzwrite(file, data, static_cast<unsigned>(size));
    }
    gzclose(file);
}

// Where the data of a single file usually start: after the header and four bytes of extension flags.
const size_t kSingleFileDataStart = 352;

// A read ends in an image whose sample count matches its grid, or in a reason.
void requireWholeImage(const NiftiReadResult& read) {
    if (!read.error.empty()) {
        return;
    }
    const NiftiImage& image = read.image;
    size_t count = static_cast<size_t>(image.nx) * image.ny * image.nz * image.nt;
    size_t held = image.isInt16 ? image.int16Samples.size() : image.floatSamples.size();
    if (image.nx <= 0 || image.ny <= 0 || image.nz <= 0 || image.nt <= 0 || held != count) {
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    int mode = data[0] & 3;
    bool keepInt16 = (data[0] & 4) != 0;
    bool anatomical = (data[0] & 8) != 0;
    std::string path = scratchFolder() + (mode == 0 ? "/input.nii" : "/input.nii.gz");
    writeFile(path, data + 1, size - 1, mode == 1);

    NiftiLimits limits;
    if (anatomical) {
        limits.maxVoxelsPerAxis = 512;
        limits.allowSeveralVolumes = false;
    }
    const SampleKind kind = keepInt16 ? SampleKind::kInt16WhenRaw : SampleKind::kFloat;
    requireWholeImage(readNiftiImage(path, kind, limits));
    unlink(path.c_str());
    // The same bytes handed over in memory (as the Python module does), the data taken from where a
    // single file's usually start.
    if (mode == 0 && size - 1 >= static_cast<size_t>(kNiftiHeaderBytes)) {
        const uint8_t* bytes = data + 1;
        const size_t dataStart = std::min<size_t>(size - 1, kSingleFileDataStart);
        requireWholeImage(niftiImageFromMemory(bytes, bytes + dataStart, size - 1 - dataStart, kind, limits));
    }
    return 0;
}

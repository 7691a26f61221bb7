// Writes the timing phantom as NIfTI files, for timing whole runs of Zentrovis on data of a realistic size:
// make_timing_input DIR [VOLUMES] writes DIR/anat.nii.gz (256^3, 1 mm) and DIR/func.nii.gz (64 x 64 x 36 x
// VOLUMES, default 300, of 3.5 x 3.5 x 4 mm, int16, TR 2 s, interleaved slices).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/timing_phantom.h"

namespace {

bool writeImage(const std::string& path, const NiftiWriteRequest& request) {
    std::string error = writeNiftiImage(path, request, NiftiCompression::kDefault);
    if (!error.empty()) {
        fprintf(stderr, "make_timing_input: %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    printf("%s\n", path.c_str());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: make_timing_input DIR [VOLUMES]\n");
        return 2;
    }
    std::string folder = argv[1];
    TimingImage anatomical, functional;
    if (!makeTimingPhantom(argc == 3 ? atoi(argv[2]) : 300, anatomical, functional)) {
        fprintf(stderr, "make_timing_input: the phantom could not be built (volumes 1..1000)\n");
        return 2;
    }
    bool ok = writeImage(folder + "/anat.nii.gz", anatomical.request) &&
              writeImage(folder + "/func.nii.gz", functional.request);
    return ok ? 0 : 1;
}

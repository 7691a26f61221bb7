// The phantom data of a realistic size that the write benchmark and make_timing_input share: a 256^3
// anatomical of 1 mm and a 64 x 64 x 36 functional run of 3.5 x 3.5 x 4 mm with int16 samples, both with
// scanner noise added so that they compress as real data do.
#ifndef POSALIGN_BENCH_TIMING_PHANTOM_H
#define POSALIGN_BENCH_TIMING_PHANTOM_H

#include <cstdint>
#include <vector>

#include "host/nifti/nifti_file.h"

// An image with its samples, ready to be written.
struct TimingImage {
    NiftiWriteRequest request; // request.samples points into the samples below
    std::vector<uint8_t> bytes;
    std::vector<int16_t> int16Samples;
};

// The anatomical and the functional of volumeCount volumes (1..1000); false when the phantom cannot be built.
bool makeTimingPhantom(int volumeCount, TimingImage& anatomical, TimingImage& functional);

#endif

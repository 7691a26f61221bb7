// Sampling the phantom, adding noise and describing the images as the scanner would (TR, slice timing).
#include "bench/timing_phantom.h"

#include <nifti1.h>

#include "host/plugin_run/input_documents.h"
#include "host/core/phantom.h"

namespace {

// A fixed pseudo-random sequence (the same data on every machine), roughly normal with unit spread.
struct NoiseSource {
    uint32_t state = 12345u;
    float next() {
        float sum = 0.0f;
        for (int i = 0; i < 4; ++i) {
            state = state * 1664525u + 1013904223u;
            sum += static_cast<float>(state >> 8) / 16777216.0f;
        }
        return (sum - 2.0f) * 1.732f;
    }
};

NiftiWriteRequest requestFor(const HostDocument* document) {
    NiftiWriteRequest request;
    request.nx = document->dims[0];
    request.ny = document->dims[1];
    request.nz = document->dims[2];
    request.geometry = geometryFromAffine(document->voxelToScanner);
    return request;
}

} // namespace

bool makeTimingPhantom(int volumeCount, TimingImage& anatomical, TimingImage& functional) {
    PhantomOptions options;
    defaultPhantomOptions(&options);
    options.fmrCount = 1;
    options.fmrDims[2] = 36;
    options.fmrVolumeCount = volumeCount;
    HostWorkspace workspace;
    initWorkspace(&workspace);
    if (!buildPhantomWorkspace(&options, &workspace)) {
        return false;
    }
    NoiseSource noise;
    const HostDocument* vmr = workspace.documents[0];
    anatomical.bytes.assign(vmr->voxels, vmr->voxels + documentVoxelCount(vmr));
    for (uint8_t& value : anatomical.bytes) {
        float noisy = static_cast<float>(value) + 3.0f * noise.next();
        value = static_cast<uint8_t>(noisy < 0.0f ? 0.0f : noisy > 225.0f ? 225.0f : noisy);
    }
    anatomical.request = requestFor(vmr);
    anatomical.request.type = NiftiOutputType::kUint8;
    anatomical.request.samples = anatomical.bytes.data();

    const HostDocument* fmr = workspace.documents[1];
    size_t perVolume = static_cast<size_t>(documentVoxelCount(fmr));
    functional.int16Samples.resize(perVolume * volumeCount);
    for (int t = 0; t < volumeCount; ++t) {
        for (size_t i = 0; i < perVolume; ++i) {
            float noisy = static_cast<float>(fmr->intVolumes[t][i]) + 20.0f * noise.next();
            functional.int16Samples[t * perVolume + i] = static_cast<int16_t>(noisy < 0.0f ? 0.0f : noisy);
        }
    }
    functional.request = requestFor(fmr);
    functional.request.nt = volumeCount;
    functional.request.geometry.pixdim[4] = 2.0f;
    functional.request.geometry.xyztUnits = NIFTI_UNITS_MM | NIFTI_UNITS_SEC;
    functional.request.fields.dimInfo = 1 | (2 << 2) | (3 << 4); // frequency x, phase y, slices z
    functional.request.fields.sliceCode = NIFTI_SLICE_ALT_INC;
    functional.request.fields.sliceStart = 0;
    functional.request.fields.sliceEnd = fmr->dims[2] - 1;
    functional.request.fields.sliceDuration = 2.0f / static_cast<float>(fmr->dims[2]);
    functional.request.fields.descrip = "phantom EPI with noise";
    functional.request.type = NiftiOutputType::kInt16;
    functional.request.samples = functional.int16Samples.data();
    for (int i = 0; i < workspace.documentCount; ++i) {
        releaseDocument(workspace.documents[i]);
    }
    return true;
}

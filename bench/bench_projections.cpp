// Timing of the three projections and of the matrix inverse on realistic grids: a 256^3 VMR of 1 mm
// voxels against 64 x 64 x 30 FMRs of 3.5 x 3.5 x 4 mm, rotated by a few degrees and shifted so that
// part of each FMR lies outside the VMR.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "geometry/matrix4.h"
#include "geometry/svd_inverse.h"
#include "projection/projections.h"

namespace {

struct Fmr {
    FmrHeader header;
    ScannerPositionHeader position;
    IaMatrix ia;
    std::vector<float> values;
    FloatVolume volume;

    // A rigid alignment rotated by degrees about z and translated by shiftX mm, values 0..225.
    Fmr(float degrees, float shiftX, unsigned seed) {
        std::memset(&header, 0, sizeof header);
        std::memset(&position, 0, sizeof position);
        header.dimX = 64;
        header.dimY = 64;
        header.dimZ = 30;
        header.voxelSizeX = header.voxelSizeY = 3.5f;
        header.voxelSizeZ = 4.0f;
        position.firstSliceCenterZ = -58; // slices acquired bottom-up along z
        position.lastSliceCenterZ = 58;
        const float radians = degrees * 3.14159265f / 180.0f;
        const float c = std::cos(radians), s = std::sin(radians);
        const float stored[16] = {c, -s, 0, shiftX, s, c, 0, -6, 0, 0, 1, 10, 0, 0, 0, 1};
        std::memcpy(ia.s, stored, sizeof stored);
        values.resize(64 * 64 * 30);
        for (float& v : values) {
            seed = seed * 1664525u + 1013904223u;
            v = static_cast<float>(seed >> 8) / 16777216.0f * 225.0f;
        }
        volume.values = values.data();
        volume.voxelCount = static_cast<int32_t>(values.size());
    }
};

struct Vmr {
    VmrHeader header;
    Matrix4 flip;
    std::vector<unsigned char> bytes;

    Vmr() {
        std::memset(&header, 0, sizeof header);
        header.dimX = header.dimY = header.dimZ = 256;
        header.voxelSizeX = header.voxelSizeY = header.voxelSizeZ = 1.0f;
        setIdentity(flip);
        bytes.resize(256u * 256u * 256u);
        for (size_t k = 0; k < bytes.size(); ++k)
            bytes[k] = static_cast<unsigned char>((k * 2654435761u) >> 24);
    }
};

void setVoxelRate(benchmark::State& state, double voxelsPerCall) {
    state.counters["voxels/s"] = benchmark::Counter(voxelsPerCall * static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate);
}

void BM_ProjectFmrToVmr(benchmark::State& state) {
    Vmr vmr;
    Fmr fmr(4.0f, 60.0f, 1);
    for (auto _ : state) {
        FmrToVmrResult result = projectFmrToVmr(vmr.bytes.data(), vmr.header, vmr.flip, fmr.volume,
                                                fmr.header, fmr.position, fmr.ia);
        benchmark::DoNotOptimize(result);
        benchmark::ClobberMemory();
    }
    setVoxelRate(state, static_cast<double>(vmr.bytes.size())); // VMR voxels walked per pass
}
BENCHMARK(BM_ProjectFmrToVmr)->Unit(benchmark::kMillisecond);

void BM_ProjectVmrToFmr(benchmark::State& state) {
    Vmr vmr;
    Fmr fmr(4.0f, 60.0f, 1);
    for (auto _ : state) {
        VmrToFmrResult result = projectVmrToFmr(vmr.bytes.data(), vmr.header, vmr.flip, fmr.volume,
                                                fmr.header, fmr.position, fmr.ia);
        benchmark::DoNotOptimize(result);
        benchmark::ClobberMemory();
    }
    setVoxelRate(state, static_cast<double>(fmr.values.size())); // FMR voxels walked
}
BENCHMARK(BM_ProjectVmrToFmr)->Unit(benchmark::kMillisecond);

void BM_ProjectTwoFmrsToVmr(benchmark::State& state) {
    Vmr vmr;
    Fmr fmr1(4.0f, 60.0f, 1);
    Fmr fmr2(-3.0f, 30.0f, 2);
    for (auto _ : state) {
        TwoFmrsToVmrResult result =
            projectTwoFmrsToVmr(vmr.bytes.data(), vmr.header, vmr.flip, fmr1.volume, fmr1.header,
                                fmr1.position, fmr1.ia, fmr2.volume, fmr2.header, fmr2.position, fmr2.ia);
        benchmark::DoNotOptimize(result);
        benchmark::ClobberMemory();
    }
    setVoxelRate(state, static_cast<double>(vmr.bytes.size())); // VMR voxels walked per pass
}
BENCHMARK(BM_ProjectTwoFmrsToVmr)->Unit(benchmark::kMillisecond);

void BM_Inverse(benchmark::State& state) {
    // A VMR-to-FMR matrix of the size and shape the builder produces.
    const Matrix4 source = {{0.284958f, -0.019927f, 0, 17.142857f, 0.019927f, 0.284958f, 0, -1.714286f, 0, 0,
                             -0.25f, 2.5f, 0, 0, 0, 1}};
    Matrix4 destination;
    for (auto _ : state) {
        inverse(source, destination);
        benchmark::DoNotOptimize(destination);
    }
}
BENCHMARK(BM_Inverse);

} // namespace

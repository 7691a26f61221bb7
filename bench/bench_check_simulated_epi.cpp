// Speed of the alignment check of one run on realistic data: the 90x90x60 EPI of 2.4 mm simulated from the
// MNI152 T2 (simulated_epi.h) against the T1 resampled to 1.6 mm, as it lies and with its header off by a
// known rigid offset. Orientation tests included, as in `Zentrovis check`. The label gives the residual (mm)
// against the known truth; the counters the two images' samples (MB), the most heap one check held at once
// beyond them (MB), and the images and that heap together as a multiple of the images. Needs ../shared/data
// beside the repository (or $POSALIGN_SHARED_DATA).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "host/alignment_check/alignment_check.h"
#include "heap_use.h"
#include "host/alignment_check/check_grid.h"
#include "simulated_epi.h"

namespace {

// The pair, made once for all benchmarks of the program.
struct SimulatedPair {
    NiftiImage anatomical, epi;
    std::vector<Point3d> brainPoints;
    std::string error;
};

const SimulatedPair& simulatedPair() {
    static const std::unique_ptr<SimulatedPair> pair = [] {
        auto made = std::make_unique<SimulatedPair>();
        const ReferenceImages images = readReferenceImages(referenceDataFolder());
        if (!images.error.empty()) {
            made->error = "the MNI152 templates are missing: " + images.error;
            fprintf(stderr, "%s\n", made->error.c_str());
            return made;
        }
        EpiSimulation simulation;
        simulation.grid = fineEpiGrid();
        made->anatomical = resampledAnatomical(images.t1, 1.6);
        made->epi = simulatedEpi(images.t2, simulation);
        made->brainPoints = brainPointsOfGrid(simulation.grid, images.t1);
        return made;
    }();
    return *pair;
}

size_t sampleBytes(const NiftiImage& image) {
    return image.isInt16 ? image.int16Samples.size() * sizeof(int16_t)
                         : image.floatSamples.size() * sizeof(float);
}

void BM_CheckSimulatedEpi(benchmark::State& state) {
    const SimulatedPair& pair = simulatedPair();
    if (!pair.error.empty()) {
        state.SkipWithError(pair.error.c_str());
        return;
    }
    KnownError error;
    if (state.range(0) != 0) {
        error.offset.translationMm = {6, -9, 8};
        error.offset.rotationDeg = {5, 0, 4};
    }
    Matrix4d motion;
    const NiftiImage run = withKnownError(pair.epi, error, gridCentre(temporalMean(pair.epi)), motion);
    const CheckInputs anatomy{"t1", &pair.anatomical}, functional{"epi", &run};
    const CheckSettings settings;
    resetHeapPeak();
    const size_t heldBefore = heapBytesNow();
    const RunCheck first = checkAlignment(anatomy, functional, settings);
    const double checkHeap = static_cast<double>(heapPeakBytes() - heldBefore);
    const double images = static_cast<double>(sampleBytes(pair.anatomical) + sampleBytes(run));
    state.counters["images_MB"] = images / 1e6;
    state.counters["check_heap_MB"] = checkHeap / 1e6;
    state.counters["x_images"] = (images + checkHeap) / images;
    char label[96];
    snprintf(label, sizeof label, "residual %.2f mm, %s",
             residualMm(first.search.correction, motion, pair.brainPoints), verdictName(first.verdict));
    state.SetLabel(label);
    for (auto _ : state) {
        benchmark::DoNotOptimize(checkAlignment(anatomy, functional, settings));
    }
}
BENCHMARK(BM_CheckSimulatedEpi)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("offset")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

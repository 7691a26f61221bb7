// Writing a long functional run (64 x 64 x 36 x 300 int16 samples with scanner noise) at each compression,
// as Zentrovis saves it after mapping 2. Bytes per second count the uncompressed sample data.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <string>

#include "bench/timing_phantom.h"

namespace {

const TimingImage& functionalRun() {
    static TimingImage anatomical, functional;
    static bool made = makeTimingPhantom(300, anatomical, functional);
    (void)made;
    return functional;
}

void BM_WriteFunctionalRun(benchmark::State& state) {
    const NiftiCompression compression = static_cast<NiftiCompression>(state.range(0));
    const TimingImage& run = functionalRun();
    std::string path = "/tmp/bench_nifti_write-" + std::to_string(getpid()) + niftiEnding(compression);
    for (auto _ : state) {
        std::string error = writeNiftiImage(path, run.request, compression);
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    unlink(path.c_str());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(run.int16Samples.size() * 2));
}

} // namespace

BENCHMARK(BM_WriteFunctionalRun)
    ->ArgName("compression")
    ->Arg(static_cast<int>(NiftiCompression::kFast))
    ->Arg(static_cast<int>(NiftiCompression::kDefault))
    ->Arg(static_cast<int>(NiftiCompression::kBest))
    ->Arg(static_cast<int>(NiftiCompression::kNone))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Speed of the alignment check of one functional: a 90x90x60 EPI of 2.4 mm against a 1.6 mm T1 of
// 112x144x128, both sampled from the phantom head, the EPI moved by 6 mm and 4 degrees. The mirror test
// is included, as in `Zentrovis check`.
#include <benchmark/benchmark.h>

#include <string>

#include "host/alignment_check/alignment_check.h"
#include "host/alignment_check/synthetic_pair.h"

namespace {

void BM_CheckAlignment(benchmark::State& state) {
    const NiftiImage anatomical =
        phantomImage(obliqueGrid(112, 144, 128, {1.6, 1.6, 1.6}, {0, 0, 0}, {0, 0, 0}), Contrast::kT1, 0.03);
    const NiftiImage epi =
        phantomImage(obliqueGrid(90, 90, 60, {2.4, 2.4, 2.4}, {2, -3, 10}, {12, 0, 4}), Contrast::kEpi, 0.03);
    RigidParameters offset;
    offset.translationMm = {3.5, -4, 3};
    offset.rotationDeg = {4, 0, 0};
    const NiftiImage moved = movedImage(epi, rigidMotion(offset, {2, -3, 10}));
    CheckSettings settings;
    settings.mirrorTest = state.range(0) != 0;
    const CheckInputs anatomy{"t1", &anatomical}, functional{"epi", &moved};
    state.SetLabel("displacement " +
                   std::to_string(checkAlignment(anatomy, functional, settings).search.displacementMm) +
                   " mm");
    for (auto _ : state) {
        benchmark::DoNotOptimize(checkAlignment(anatomy, functional, settings));
    }
}
BENCHMARK(BM_CheckAlignment)->Arg(1)->Arg(0)->ArgName("mirror")->Unit(benchmark::kMillisecond);

} // namespace

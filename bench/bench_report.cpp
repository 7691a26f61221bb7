// The report's share of a run's time in the dataset-wide check: the anatomy's planes and edges (once per
// subject) and a run's pictures encoded for the page, on the phantom at the sizes of the timed dataset
// (a 192x224x176 1 mm T1 and a 64x64x36 EPI mean of 3.5 x 3.5 x 4 mm).
#include <benchmark/benchmark.h>

#include "host/alignment_report/html_report.h"
#include "tests/support/phantom_intensity.h"

namespace {

ScalarGrid phantomVolume(int nx, int ny, int nz, double sx, double sy, double sz, bool anatomical) {
    ScalarGrid v;
    v.nx = nx;
    v.ny = ny;
    v.nz = nz;
    v.voxelToWorld = {sx, 0, 0,  -sx * (nx - 1) / 2, 0, sy, 0, -sy * (ny - 1) / 2,
                      0,  0, sz, -sz * (nz - 1) / 2, 0, 0,  0, 1};
    for (int k = 0; k < nz; ++k) {
        for (int j = 0; j < ny; ++j) {
            for (int i = 0; i < nx; ++i) {
                Point3d w = transformPoint(v.voxelToWorld, {i, j, k});
                float x = static_cast<float>(w[0]), y = static_cast<float>(w[1]),
                      z = static_cast<float>(w[2]);
                v.values.push_back(anatomical ? phantomAnatomicalIntensity(x, y, z)
                                               : phantomFunctionalIntensity(x, y, z));
            }
        }
    }
    return v;
}

void BM_SubjectPictures(benchmark::State& state) {
    ScalarGrid anatomy = phantomVolume(192, 224, 176, 1, 1, 1, true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(prepareSubjectPictures(anatomy));
    }
}
BENCHMARK(BM_SubjectPictures)->Unit(benchmark::kMillisecond);

void BM_RunPicturesEncoded(benchmark::State& state) {
    SubjectPictures subject = prepareSubjectPictures(phantomVolume(192, 224, 176, 1, 1, 1, true));
    ScalarGrid mean = phantomVolume(64, 64, 36, 3.5, 3.5, 4, false);
    Matrix4d correction = {{{1, 0, 0, 2}, {0, 1, 0, -3}, {0, 0, 1, 1}, {0, 0, 0, 1}}};
    for (auto _ : state) {
        benchmark::DoNotOptimize(reportPictures(renderRunPictures(subject, mean, &correction)));
    }
}
BENCHMARK(BM_RunPicturesEncoded)->Unit(benchmark::kMillisecond);

} // namespace

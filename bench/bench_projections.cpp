// Timing of the three projections and of the matrix inverse on realistic grids: a 256^3 VMR of 1 mm
// voxels against 64 x 64 x 30 FMRs of 3.5 x 3.5 x 4 mm, rotated by a few degrees and shifted so that
// part of each FMR lies outside the VMR, and of a whole command run on the small phantom. Each projection
// has a floor: a chain of dependent float additions, one per overlapping voxel of its passes, the least time
// sums formed in voxel order can take. After the run the ratio of each projection's median to its floor's
// median is printed. POSALIGN_KERNELS=baseline times the baseline kernels on an AVX2 machine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "command/command_run.h"
#include "geometry/matrix4.h"
#include "geometry/svd_inverse.h"
#include "geometry/transformation_builder.h"
#include "host/core/phantom.h"
#include "projection/grid.h"
#include "projection/projections.h"
#include "projection/walk_kernels.h"
#include "tests/support/scripted_host.h"

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

// The least time of the repetitions: on a shared machine the one least disturbed by other work.
double fastest(const std::vector<double>& times) {
    return times.empty() ? 0.0 : *std::min_element(times.begin(), times.end());
}

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
BENCHMARK(BM_ProjectFmrToVmr)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);

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
BENCHMARK(BM_ProjectVmrToFmr)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);

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
BENCHMARK(BM_ProjectTwoFmrsToVmr)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);

// The voxels of the walked grid that map inside the target, counted the straightforward way.
int64_t insideVoxels(const Matrix4& m, const GridSize& walked, const GridSize& target) {
    const GridOffsets walkedOffsets = centreOffsets(walked), targetOffsets = centreOffsets(target);
    int64_t count = 0;
    for (int32_t z = 0; z < walked.z; ++z)
        for (int32_t y = 0; y < walked.y; ++y)
            for (int32_t x = 0; x < walked.x; ++x) {
                GridIndex index;
                count += mapInsideGrid(m, centredCoordinate(x, walkedOffsets.x),
                                       centredCoordinate(y, walkedOffsets.y),
                                       centredCoordinate(z, walkedOffsets.z), targetOffsets, target, &index);
            }
    return count;
}

Matrix4 vmrToFmrMatrix(const Vmr& vmr, const Fmr& fmr) {
    return buildVmrToFmrMatrix(fmr.header, fmr.position, vmr.header, vmr.flip, fmr.ia).result;
}

// Overlapping voxels of each projection's passes: mapping 1 walks the voxels inside the FMR once (both
// passes in one walk); mapping 3 walks those inside FMR 1, then those inside both; mapping 2 the FMR voxels
// inside the VMR.
int64_t overlapOfMapping(int mapping) {
    Vmr vmr;
    Fmr fmr1(4.0f, 60.0f, 1), fmr2(-3.0f, 30.0f, 2);
    const Matrix4 m1 = vmrToFmrMatrix(vmr, fmr1);
    const GridSize vmrSize = vmrGridSize(vmr.header), fmrSize = fmrGridSize(fmr1.header, fmr1.volume);
    if (mapping == 1)
        return insideVoxels(m1, vmrSize, fmrSize);
    if (mapping == 2) {
        Matrix4 inverted;
        inverse(m1, inverted);
        return insideVoxels(inverted, fmrSize, vmrSize);
    }
    const Matrix4 m2 = vmrToFmrMatrix(vmr, fmr2);
    const GridOffsets vmrOffsets = centreOffsets(vmrSize), fmrOffsets = centreOffsets(fmrSize);
    int64_t inFirst = 0, inBoth = 0;
    for (int32_t z = 0; z < vmrSize.z; ++z)
        for (int32_t y = 0; y < vmrSize.y; ++y)
            for (int32_t x = 0; x < vmrSize.x; ++x) {
                const float cx = centredCoordinate(x, vmrOffsets.x), cy = centredCoordinate(y, vmrOffsets.y),
                            cz = centredCoordinate(z, vmrOffsets.z);
                GridIndex index;
                if (mapInsideGrid(m1, cx, cy, cz, fmrOffsets, fmrSize, &index)) {
                    ++inFirst;
                    inBoth += mapInsideGrid(m2, cx, cy, cz, fmrOffsets, fmrSize, &index);
                }
            }
    return inFirst + inBoth;
}

void BM_Floor(benchmark::State& state) {
    const int64_t additions = overlapOfMapping(static_cast<int>(state.range(0)));
    float step = 1.0f;
    benchmark::DoNotOptimize(step);
    for (auto _ : state) {
        float sum = 0.0f;
        for (int64_t k = 0; k < additions; ++k)
            sum = sum + step; // each addition waits for the one before
        benchmark::DoNotOptimize(sum);
    }
    state.counters["additions"] = static_cast<double>(additions);
}
BENCHMARK(BM_Floor)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->ArgName("mapping")
    ->Unit(benchmark::kMillisecond)
    ->ComputeStatistics("min", fastest);

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

// The reporter the library's flags choose (--benchmark_format included), also keeping each benchmark's
// median times for the ratios printed after the run.
class MedianKeeper : public benchmark::BenchmarkReporter {
  public:
    explicit MedianKeeper(benchmark::BenchmarkReporter* shown) : shown_(shown) {}

    std::map<std::string, double> realMedians, cpuMedians; // run name -> milliseconds

    bool ReportContext(const Context& context) override {
        shown_->SetOutputStream(&GetOutputStream());
        shown_->SetErrorStream(&GetErrorStream());
        return shown_->ReportContext(context);
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        shown_->ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                realMedians[run.run_name.str()] = run.GetAdjustedRealTime();
                cpuMedians[run.run_name.str()] = run.GetAdjustedCPUTime();
            }
    }

    void Finalize() override { shown_->Finalize(); }

  private:
    std::unique_ptr<benchmark::BenchmarkReporter> shown_;
};

void BM_CommandRunOnSmallPhantom(benchmark::State& state) {
    // A whole mapping-1 run, logging included, on the 64^3 phantom through the scripted host; the phantom is
    // rebuilt outside the timing before each run, as painting changes it.
    PhantomOptions options;
    smallPhantomOptions(&options);
    for (auto _ : state) {
        state.PauseTiming();
        ScriptedHost host;
        buildPhantomWorkspace(&options, &host.workspace);
        state.ResumeTiming();
        benchmark::DoNotOptimize(runPosalignCommand(host.table, standardRunMemory()));
    }
}
BENCHMARK(BM_CommandRunOnSmallPhantom)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    MedianKeeper reporter(benchmark::CreateDefaultDisplayReporter());
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const char* kernels = activeKernelPath() == kAvx2Kernels ? "AVX2" : "baseline";
    const struct {
        const char* projection;
        const char* floor;
    } pairs[] = {{"BM_ProjectFmrToVmr", "BM_Floor/mapping:1"},
                 {"BM_ProjectVmrToFmr", "BM_Floor/mapping:2"},
                 {"BM_ProjectTwoFmrsToVmr", "BM_Floor/mapping:3"}};
    for (const auto& pair : pairs) {
        const auto real = reporter.realMedians.find(pair.projection);
        const auto floor = reporter.realMedians.find(pair.floor);
        if (real == reporter.realMedians.end() || floor == reporter.realMedians.end())
            continue;
        const double cpu = reporter.cpuMedians[pair.projection], cpuFloor = reporter.cpuMedians[pair.floor];
        // On standard error, so that the standard output stays in the chosen format.
        std::fprintf(
            stderr,
            "%s (%s kernels): median %.2f ms = %.2f x its floor (%.2f ms); CPU %.2f ms = %.2f x (%.2f ms)\n",
            pair.projection, kernels, real->second, real->second / floor->second, floor->second, cpu,
            cpu / cpuFloor, cpuFloor);
    }
    if (reporter.realMedians.empty())
        std::fprintf(stderr,
                     "ratios to the floor need medians: run with --benchmark_repetitions=N (N >= 2)\n");
    benchmark::Shutdown();
    return 0;
}

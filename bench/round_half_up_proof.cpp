// Checks roundHalfUpNear and its eight-lane AVX2 form against roundHalfUp (double precision) for every
// float from -0.5 up to 2^23, the range in which the kernels use them; prints the counts and exits 1 on
// the first difference. Two threads, each half of the 2^32 bit patterns.
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/cpu_features.h"
#include "projection/avx2_lanes.h"
#include "projection/grid.h"
#include "projection/voxel_walk.h"

namespace {

struct Tally {
    uint64_t checked = 0, differing = 0;
    uint32_t firstDifferingBits = 0;
};

float fromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool inRange(float value) {
    return value >= -0.5f && value < 8388608.0f; // false for NaN
}

void note(Tally& tally, uint32_t bits, bool same) {
    ++tally.checked;
    if (!same && tally.differing++ == 0)
        tally.firstDifferingBits = bits;
}

void checkScalar(uint64_t first, uint64_t end, Tally& tally) {
    for (uint64_t bits = first; bits < end; ++bits) {
        const float value = fromBits(static_cast<uint32_t>(bits));
        if (inRange(value))
            note(tally, static_cast<uint32_t>(bits), roundHalfUpNear(value) == roundHalfUp(value));
    }
}

POSALIGN_AVX2 void checkEightLanes(uint64_t first, uint64_t end, Tally& tally) {
    alignas(32) float values[8];
    alignas(32) int32_t rounded[8];
    for (uint64_t bits = first; bits < end; bits += 8) {
        for (int i = 0; i < 8; ++i)
            values[i] = fromBits(static_cast<uint32_t>(bits + i));
        _mm256_store_si256(reinterpret_cast<__m256i*>(rounded), roundHalfUpNear8(_mm256_load_ps(values)));
        for (int i = 0; i < 8; ++i)
            if (inRange(values[i]))
                note(tally, static_cast<uint32_t>(bits + i), rounded[i] == roundHalfUp(values[i]));
    }
}

bool report(const char* what, const Tally* tallies) {
    const uint64_t checked = tallies[0].checked + tallies[1].checked;
    const uint64_t differing = tallies[0].differing + tallies[1].differing;
    std::printf("%s: %" PRIu64 " floats checked, %" PRIu64 " differ", what, checked, differing);
    for (int t = 0; t < 2; ++t)
        if (tallies[t].differing) {
            const float value = fromBits(tallies[t].firstDifferingBits);
            std::printf(" (first: %a = %.9g)", static_cast<double>(value), static_cast<double>(value));
            break;
        }
    std::printf("\n");
    return differing == 0;
}

} // namespace

int main() {
    const uint64_t half = uint64_t(1) << 31, all = uint64_t(1) << 32;
    Tally scalar[2];
    std::thread worker(checkScalar, 0, half, std::ref(scalar[0]));
    checkScalar(half, all, scalar[1]);
    worker.join();
    bool ok = report("roundHalfUpNear", scalar);
    if (cpuSupportsAvx2()) {
        Tally lanes[2];
        std::thread laneWorker(checkEightLanes, 0, half, std::ref(lanes[0]));
        checkEightLanes(half, all, lanes[1]);
        laneWorker.join();
        ok = report("roundHalfUpNear8 (AVX2)", lanes) && ok;
    } else {
        std::printf("no AVX2 on this machine: roundHalfUpNear8 not checked\n");
    }
    return ok ? 0 : 1;
}

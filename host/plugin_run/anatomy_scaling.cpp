// Robust linear scaling of anatomical samples to 0..225.
#include "host/plugin_run/anatomy_scaling.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// A key that orders finite floats as their values (negative ones reversed, below the positive ones).
uint32_t orderKey(float value) {
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    return (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
}

// The rank-th smallest of the finite samples (0-based), found by counting the samples per key prefix and
// ordering only those in the prefix that holds it: the same value as a selection over all of them, without
// copying a whole anatomical.
float finiteSampleOfRank(const float* samples, size_t count, size_t rank) {
    std::vector<size_t> perPrefix(size_t(1) << 16, 0);
    for (size_t i = 0; i < count; ++i) {
        float v = samples[i];
        if (std::isfinite(v)) {
            ++perPrefix[orderKey(v) >> 16];
        }
    }
    uint32_t prefix = 0;
    while (rank >= perPrefix[prefix]) {
        rank -= perPrefix[prefix++];
    }
    std::vector<float> candidates;
    candidates.reserve(perPrefix[prefix]);
    for (size_t i = 0; i < count; ++i) {
        float v = samples[i];
        if (std::isfinite(v) && orderKey(v) >> 16 == prefix) {
            candidates.push_back(v);
        }
    }
    std::nth_element(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(rank),
                     candidates.end());
    return candidates[rank];
}

} // namespace

void scaleAnatomyToVmrBytes(const float* samples, size_t count, uint8_t* bytes) {
    memset(bytes, 0, count);
    size_t finiteCount = 0;
    double low = 0.0, highest = 0.0;
    for (size_t i = 0; i < count; ++i) {
        float v = samples[i];
        if (std::isfinite(v)) {
            low = finiteCount == 0 ? v : std::min(low, static_cast<double>(v));
            highest = finiteCount == 0 ? v : std::max(highest, static_cast<double>(v));
            ++finiteCount;
        }
    }
    if (finiteCount == 0) {
        return;
    }
    size_t rank = static_cast<size_t>(std::floor(0.995 * static_cast<double>(finiteCount - 1)));
    double high = finiteSampleOfRank(samples, count, rank);
    if (!(high > low)) {
        high = highest;
    }
    if (!(high > low)) {
        return;
    }
    double factor = kVmrAnatomyMaximum / (high - low);
    for (size_t i = 0; i < count; ++i) {
        float v = samples[i];
        if (!std::isfinite(v)) {
            continue;
        }
        double scaled = std::floor((v - low) * factor + 0.5);
        bytes[i] = static_cast<uint8_t>(std::clamp(scaled, 0.0, static_cast<double>(kVmrAnatomyMaximum)));
    }
}

// Robust linear scaling of anatomical samples to 0..225.
#include "host/app/anatomy_scaling.h"

#include <algorithm>
#include <cmath>

std::vector<uint8_t> scaleAnatomyToVmrBytes(const std::vector<float>& samples) {
    std::vector<uint8_t> bytes(samples.size(), 0);
    std::vector<float> finite;
    finite.reserve(samples.size());
    for (float v : samples) {
        if (std::isfinite(v)) {
            finite.push_back(v);
        }
    }
    if (finite.empty()) {
        return bytes;
    }
    double low = *std::min_element(finite.begin(), finite.end());
    size_t rank = static_cast<size_t>(std::floor(0.995 * static_cast<double>(finite.size() - 1)));
    std::nth_element(finite.begin(), finite.begin() + static_cast<std::ptrdiff_t>(rank), finite.end());
    double high = finite[rank];
    if (!(high > low)) {
        high = *std::max_element(finite.begin(), finite.end());
    }
    if (!(high > low)) {
        return bytes;
    }
    double factor = kVmrAnatomyMaximum / (high - low);
    for (size_t i = 0; i < samples.size(); ++i) {
        float v = samples[i];
        if (!std::isfinite(v)) {
            continue;
        }
        double scaled = std::floor((v - low) * factor + 0.5);
        bytes[i] = static_cast<uint8_t>(std::clamp(scaled, 0.0, static_cast<double>(kVmrAnatomyMaximum)));
    }
    return bytes;
}

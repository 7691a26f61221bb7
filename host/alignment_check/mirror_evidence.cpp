// Block-wise log-likelihood comparison of the mirrored and the unmirrored placement.
#include "host/alignment_check/mirror_evidence.h"

#include <algorithm>
#include <cmath>

#include "host/alignment_check/check_grid.h"

namespace {

// Per-sample log-likelihood under placement (NaN for samples outside the anatomical).
std::vector<double> sampleLogLikelihoods(const BinnedGrid& anatomical, const SampleSet& samples,
                                         const Matrix4d& placement, int bins) {
    std::vector<double> joint(static_cast<size_t>(bins) * bins, 0.0);
    visitMappedSamples(anatomical, samples, placement, [&](size_t s, const uint8_t* a, const float* w) {
        for (int k = 0; k < 8; ++k) {
            joint[static_cast<size_t>(samples.bins[s]) * bins + a[k]] += w[k];
        }
    });
    // log P(anatomical bin | functional bin), with one count spread over each row so no bin is impossible.
    std::vector<double> logConditional(joint.size());
    for (int f = 0; f < bins; ++f) {
        double row = 1.0;
        for (int a = 0; a < bins; ++a) {
            row += joint[f * bins + a];
        }
        for (int a = 0; a < bins; ++a) {
            logConditional[f * bins + a] = std::log((joint[f * bins + a] + 1.0 / bins) / row);
        }
    }
    std::vector<double> out(samples.bins.size(), NAN);
    visitMappedSamples(anatomical, samples, placement, [&](size_t s, const uint8_t* a, const float* w) {
        double sum = 0.0;
        for (int k = 0; k < 8; ++k) {
            sum += w[k] * logConditional[static_cast<size_t>(samples.bins[s]) * bins + a[k]];
        }
        out[s] = sum;
    });
    return out;
}

} // namespace

MirrorEvidence compareMirrorLocally(const BinnedGrid& anatomical, const SampleSet& samples,
                                    const Matrix4d& unmirrored, const Matrix4d& mirrored, int bins,
                                    double blockMm) {
    MirrorEvidence evidence;
    if (samples.bins.empty()) {
        return evidence;
    }
    const std::vector<double> original = sampleLogLikelihoods(anatomical, samples, unmirrored, bins);
    const std::vector<double> mirror = sampleLogLikelihoods(anatomical, samples, mirrored, bins);
    const std::array<double, 3> sizes = voxelSizes(samples.voxelToWorld);
    double span[3];
    for (int a = 0; a < 3; ++a) {
        span[a] = std::max(1.0, std::floor(blockMm / sizes[a] + 0.5));
    }
    const float maxX = *std::max_element(samples.x.begin(), samples.x.end());
    const float maxY = *std::max_element(samples.y.begin(), samples.y.end());
    const float maxZ = *std::max_element(samples.z.begin(), samples.z.end());
    const size_t nbx = static_cast<size_t>(maxX / span[0]) + 1, nby = static_cast<size_t>(maxY / span[1]) + 1;
    const size_t nbz = static_cast<size_t>(maxZ / span[2]) + 1;
    std::vector<double> gain(nbx * nby * nbz, 0.0);
    for (size_t s = 0; s < samples.bins.size(); ++s) {
        if (std::isnan(original[s]) || std::isnan(mirror[s])) {
            continue;
        }
        const size_t block = static_cast<size_t>(samples.x[s] / span[0]) +
                             nbx * (static_cast<size_t>(samples.y[s] / span[1]) +
                                    nby * static_cast<size_t>(samples.z[s] / span[2]));
        gain[block] += mirror[s] - original[s];
    }
    for (double g : gain) {
        evidence.forMirror = std::max(evidence.forMirror, g);
        evidence.againstMirror = std::max(evidence.againstMirror, -g);
    }
    return evidence;
}

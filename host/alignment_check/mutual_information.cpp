// The joint histogram kernel of the alignment check: one pass over the samples per evaluation.
#include "host/alignment_check/mutual_information.h"

#include <cmath>

namespace {

double entropyOf(const double* counts, int count, double total) {
    double h = 0.0;
    for (int i = 0; i < count; ++i) {
        const double p = counts[i] / total;
        if (p > 0.0) {
            h -= p * std::log(p);
        }
    }
    return h;
}

} // namespace

MeasureValue normalisedMutualInformation(const BinnedGrid& anatomical, const SampleSet& samples,
                                         const Matrix4d& correction, int bins,
                                         std::vector<double>& histogram) {
    histogram.assign(static_cast<size_t>(bins) * bins, 0.0);
    double* joint = histogram.data();
    const size_t inside =
        visitMappedSamples(anatomical, samples, correction, [&](size_t s, const uint8_t* a, const float* w) {
            double* row = joint + static_cast<size_t>(samples.bins[s]) * bins;
            for (int k = 0; k < 8; ++k) {
                row[a[k]] += w[k];
            }
        });
    const size_t count = samples.bins.size();
    MeasureValue value;
    value.insideShare = count > 0 ? static_cast<double>(inside) / static_cast<double>(count) : 0.0;
    if (inside == 0) {
        return value;
    }
    double total = 0.0;
    std::vector<double> anatomicalMarginal(bins, 0.0), functionalMarginal(bins, 0.0);
    for (int f = 0; f < bins; ++f) {
        for (int a = 0; a < bins; ++a) {
            const double c = joint[f * bins + a];
            functionalMarginal[f] += c;
            anatomicalMarginal[a] += c;
            total += c;
        }
    }
    const double hJoint = entropyOf(joint, bins * bins, total);
    if (!(hJoint > 0.0)) {
        return value;
    }
    value.nmi = (entropyOf(anatomicalMarginal.data(), bins, total) +
                 entropyOf(functionalMarginal.data(), bins, total)) /
                hJoint;
    return value;
}

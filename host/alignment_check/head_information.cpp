// Binned anatomy and a spread pick of the functional's voxels for the whole-head mutual information.
#include "host/alignment_check/head_information.h"

#include <cmath>

#include "host/alignment_check/scrambled_index.h"

HeadInformation headInformation(const ScalarGrid& anatomy, const ScalarGrid& functional, size_t maxSamples) {
    HeadInformation head;
    const IntensityRange anatomyRange = intensityRange(anatomy.values.empty() ? functional : anatomy, 0.995);
    const IntensityRange functionalRange = intensityRange(functional, 0.995);
    head.anatomy.nx = anatomy.nx;
    head.anatomy.ny = anatomy.ny;
    head.anatomy.nz = anatomy.nz;
    head.anatomy.bins = binSamples(anatomy, anatomyRange, head.bins);
    head.anatomy.worldToVoxel = invertAffine(anatomy.voxelToWorld);
    head.samples.voxelToWorld = functional.voxelToWorld;
    const double keep = functional.values.size() > maxSamples
                            ? static_cast<double>(maxSamples) / functional.values.size() * 4294967296.0
                            : 4294967296.0;
    size_t index = 0;
    for (int z = 0; z < functional.nz; ++z) {
        for (int y = 0; y < functional.ny; ++y) {
            for (int x = 0; x < functional.nx; ++x, ++index) {
                const float value = functional.values[index];
                if (!std::isfinite(value) ||
                    !(static_cast<double>(scrambled(static_cast<uint32_t>(index))) < keep)) {
                    continue;
                }
                head.samples.x.push_back(static_cast<float>(x));
                head.samples.y.push_back(static_cast<float>(y));
                head.samples.z.push_back(static_cast<float>(z));
                head.samples.bins.push_back(static_cast<uint8_t>(binOf(value, functionalRange, head.bins)));
            }
        }
    }
    return head;
}

double headInformationAt(const HeadInformation& head, const Matrix4d& placement,
                         std::vector<double>& histogram) {
    if (head.samples.bins.empty()) {
        return 0;
    }
    // Scaled by the share of the head inside the anatomical, as the local correlation counts samples out of
    // view as zero: a few samples at the anatomical's edge share much information by chance alone.
    const MeasureValue value =
        normalisedMutualInformation(head.anatomy, head.samples, placement, head.bins, histogram);
    return (value.nmi - 1.0) * value.insideShare;
}

// Images for the Python module's check, read as `Zentrovis check` reads its files.
#include "python/check_images.h"

#include <algorithm>
#include <cmath>

#include "host/alignment_check/check_read_rules.h"

namespace {

CheckReadRules readRules(ImageRole role) {
    return role == ImageRole::kAnatomical ? anatomicalReadRules() : functionalReadRules();
}

CheckImage accepted(NiftiReadResult& read, const std::string& name, const std::string& path) {
    if (!read.error.empty()) {
        throw InputRefused(name + ": " + read.error);
    }
    return CheckImage{path, std::make_shared<const NiftiImage>(std::move(read.image))};
}

} // namespace

CheckImage readCheckImage(const std::string& path, ImageRole role) {
    const CheckReadRules rules = readRules(role);
    NiftiReadResult read = readNiftiImage(path, rules.kind, rules.limits);
    return accepted(read, path, path);
}

CheckImage checkImageFromNiftiBytes(const void* header, const void* data, size_t dataBytes, ImageRole role,
                                    const std::string& name, const std::string& path) {
    const CheckReadRules rules = readRules(role);
    NiftiReadResult read = niftiImageFromMemory(header, data, dataBytes, rules.kind, rules.limits);
    return accepted(read, name, path);
}

CheckImage checkImageFromArray(const SampleArray& array, ImageRole role, const std::string& name,
                               const std::string& path, bool refuseNonFinite) {
    const CheckReadRules rules = readRules(role);
    NiftiReadResult read = niftiImageFromArray(array, rules.kind, rules.limits);
    CheckImage checked = accepted(read, name, path);
    if (!refuseNonFinite) {
        return checked;
    }
    // Counted in the samples as read (aligned, and float: a value beyond the float range is infinite there).
    const std::vector<float>& samples = checked.image->floatSamples;
    const size_t count = checked.image->isInt16 ? checked.image->int16Samples.size() : samples.size();
    const size_t nonFinite = static_cast<size_t>(
        std::count_if(samples.begin(), samples.end(), [](float value) { return !std::isfinite(value); }));
    if (nonFinite > 0) {
        throw InputRefused(
            name + ": holds " + std::to_string(nonFinite) + " NaN or infinite sample" +
            (nonFinite == 1 ? "" : "s") + " of " + std::to_string(count) +
            "; an array must hold finite samples (NaN marks missing samples only in images and files)");
    }
    return checked;
}

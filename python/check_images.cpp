// Images for the Python module's check, read as `Zentrovis check` reads its files.
#include "python/check_images.h"

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

template <typename T> size_t countNonFinite(const void* samples, size_t count) {
    const T* values = static_cast<const T*>(samples);
    size_t found = 0;
    for (size_t i = 0; i < count; ++i) {
        found += std::isfinite(values[i]) ? 0 : 1;
    }
    return found;
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
    // The shape was accepted, so the product of its sizes is the sample count.
    size_t count = 1;
    for (int64_t size : array.shape) {
        count *= static_cast<size_t>(size);
    }
    size_t nonFinite = array.type == ArraySampleType::kFloat32 ? countNonFinite<float>(array.samples, count)
                       : array.type == ArraySampleType::kFloat64
                           ? countNonFinite<double>(array.samples, count)
                           : 0;
    if (nonFinite > 0) {
        throw InputRefused(
            name + ": holds " + std::to_string(nonFinite) + " NaN or infinite sample" +
            (nonFinite == 1 ? "" : "s") + " of " + std::to_string(count) +
            "; an array must hold finite samples (NaN marks missing samples only in images and files)");
    }
    return checked;
}

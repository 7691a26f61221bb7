// The rules of output_header_fields.h.
#include "host/nifti/output_header_fields.h"

namespace {

// The fields with everything that describes the source's sample values cleared.
NiftiHeaderFields withoutValueMeaning(const NiftiHeaderFields& source) {
    NiftiHeaderFields fields = source;
    fields.calMin = 0;
    fields.calMax = 0;
    fields.intentCode = 0;
    fields.intentP1 = fields.intentP2 = fields.intentP3 = 0;
    fields.intentName.clear();
    fields.auxFile.clear();
    return fields;
}

} // namespace

NiftiHeaderFields fieldsForSavedFunctional(const NiftiHeaderFields& source, int volumeCount) {
    return volumeCount > 1 ? source : withoutValueMeaning(source);
}

NiftiHeaderFields fieldsForPaintedAnatomical(const NiftiHeaderFields& source) {
    return withoutValueMeaning(source);
}

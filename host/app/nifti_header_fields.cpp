// Copying the acquisition and meaning fields between the host's record and the NIfTI-1 header.
#include "host/app/nifti_header_fields.h"

#include <cstring>

namespace {

// A header text field, which need not hold a NUL when it is full.
template <size_t N> std::string fieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

template <size_t N> void putFieldText(const std::string& text, char (&field)[N]) {
    memset(field, 0, N);
    memcpy(field, text.data(), text.size() < N ? text.size() : N - 1);
}

} // namespace

NiftiHeaderFields headerFieldsOf(const nifti_1_header& h) {
    NiftiHeaderFields f;
    f.dimInfo = static_cast<unsigned char>(h.dim_info);
    f.sliceCode = static_cast<unsigned char>(h.slice_code);
    f.sliceStart = h.slice_start;
    f.sliceEnd = h.slice_end;
    f.sliceDuration = h.slice_duration;
    f.calMin = h.cal_min;
    f.calMax = h.cal_max;
    f.toffset = h.toffset;
    f.intentCode = h.intent_code;
    f.intentP1 = h.intent_p1;
    f.intentP2 = h.intent_p2;
    f.intentP3 = h.intent_p3;
    f.intentName = fieldText(h.intent_name);
    f.descrip = fieldText(h.descrip);
    f.auxFile = fieldText(h.aux_file);
    return f;
}

void putHeaderFields(const NiftiHeaderFields& f, nifti_1_header& h) {
    h.dim_info = static_cast<char>(f.dimInfo);
    h.slice_code = static_cast<char>(f.sliceCode);
    h.slice_start = static_cast<short>(f.sliceStart);
    h.slice_end = static_cast<short>(f.sliceEnd);
    h.slice_duration = f.sliceDuration;
    h.cal_min = f.calMin;
    h.cal_max = f.calMax;
    h.toffset = f.toffset;
    h.intent_code = static_cast<short>(f.intentCode);
    h.intent_p1 = f.intentP1;
    h.intent_p2 = f.intentP2;
    h.intent_p3 = f.intentP3;
    putFieldText(f.intentName, h.intent_name);
    putFieldText(f.descrip, h.descrip);
    putFieldText(f.auxFile, h.aux_file);
}

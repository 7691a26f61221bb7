// Copying the geometry, acquisition and meaning fields between the host's records and the NIfTI-1 header.
//
// Each record's fields are paired with the header's in one list, walked in either direction, so a field
// added to a record is read and written alike.
#include "host/nifti/nifti_header_fields.h"

#include <cstring>

namespace {

// Copies a header field into the record's member; a text field need not hold a NUL when it is full.
struct FromHeader {
    template <typename HeaderField, typename Member>
    void operator()(const HeaderField& field, Member& member) const {
        member = static_cast<Member>(field);
    }
    template <size_t N> void operator()(const char (&field)[N], std::string& member) const {
        member.assign(field, strnlen(field, N));
    }
};

// Copies the record's member into the header field; a text too long for its field is cut, and the field
// stays NUL-terminated.
struct IntoHeader {
    template <typename HeaderField, typename Member>
    void operator()(HeaderField& field, const Member& member) const {
        field = static_cast<HeaderField>(member);
    }
    template <size_t N> void operator()(char (&field)[N], const std::string& member) const {
        memset(field, 0, N);
        memcpy(field, member.data(), member.size() < N ? member.size() : N - 1);
    }
};

// The header's geometry fields, each with its member of the geometry record.
template <typename Header, typename Geometry, typename Copy>
void pairGeometry(Header& h, Geometry& g, Copy copy) {
    for (int i = 0; i < 8; ++i) {
        copy(h.pixdim[i], g.pixdim[i]);
    }
    copy(h.qform_code, g.qformCode);
    copy(h.sform_code, g.sformCode);
    copy(h.quatern_b, g.quaternB);
    copy(h.quatern_c, g.quaternC);
    copy(h.quatern_d, g.quaternD);
    copy(h.qoffset_x, g.qoffsetX);
    copy(h.qoffset_y, g.qoffsetY);
    copy(h.qoffset_z, g.qoffsetZ);
    for (int j = 0; j < 4; ++j) {
        copy(h.srow_x[j], g.srowX[j]);
        copy(h.srow_y[j], g.srowY[j]);
        copy(h.srow_z[j], g.srowZ[j]);
    }
    copy(h.xyzt_units, g.xyztUnits);
}

// The header's acquisition and meaning fields, each with its member of the fields record.
template <typename Header, typename Fields, typename Copy> void pairFields(Header& h, Fields& f, Copy copy) {
    copy(h.dim_info, f.dimInfo);
    copy(h.slice_code, f.sliceCode);
    copy(h.slice_start, f.sliceStart);
    copy(h.slice_end, f.sliceEnd);
    copy(h.slice_duration, f.sliceDuration);
    copy(h.cal_min, f.calMin);
    copy(h.cal_max, f.calMax);
    copy(h.toffset, f.toffset);
    copy(h.intent_code, f.intentCode);
    copy(h.intent_p1, f.intentP1);
    copy(h.intent_p2, f.intentP2);
    copy(h.intent_p3, f.intentP3);
    copy(h.intent_name, f.intentName);
    copy(h.descrip, f.descrip);
    copy(h.aux_file, f.auxFile);
}

} // namespace

NiftiGeometry geometryOf(const nifti_1_header& header) {
    NiftiGeometry geometry;
    pairGeometry(header, geometry, FromHeader{});
    return geometry;
}

void putGeometry(const NiftiGeometry& geometry, nifti_1_header& header) {
    pairGeometry(header, geometry, IntoHeader{});
}

NiftiHeaderFields headerFieldsOf(const nifti_1_header& header) {
    NiftiHeaderFields fields;
    pairFields(header, fields, FromHeader{});
    return fields;
}

void putHeaderFields(const NiftiHeaderFields& fields, nifti_1_header& header) {
    pairFields(header, fields, IntoHeader{});
}

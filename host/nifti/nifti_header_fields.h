// The NIfTI-1 header fields beyond grid and sample type, taken from and put into the library's header
// record.
#ifndef POSALIGN_HOST_NIFTI_NIFTI_HEADER_FIELDS_H
#define POSALIGN_HOST_NIFTI_NIFTI_HEADER_FIELDS_H

#include <nifti1.h>

#include "host/nifti/nifti_file.h"

// The geometry as the header holds it.
NiftiGeometry geometryOf(const nifti_1_header& header);

// Writes the geometry into header, every field as the record holds it.
void putGeometry(const NiftiGeometry& geometry, nifti_1_header& header);

// The fields as the header holds them; texts end at their first NUL or at the end of their field.
NiftiHeaderFields headerFieldsOf(const nifti_1_header& header);

// Writes the fields into header; texts too long for their field are cut, and every text field stays
// NUL-terminated.
void putHeaderFields(const NiftiHeaderFields& fields, nifti_1_header& header);

#endif

// Which of a source's header fields still hold for each image the host writes from it.
#ifndef POSALIGN_HOST_NIFTI_OUTPUT_HEADER_FIELDS_H
#define POSALIGN_HOST_NIFTI_OUTPUT_HEADER_FIELDS_H

#include "host/nifti/nifti_file.h"

// A saved functional: same grid, timing and volumes, only volume 0 replaced. Everything holds; when the
// replaced volume is the only one, the fields that speak of the source's values (display range, intent,
// auxiliary file) are dropped, since no sample of the source is left.
NiftiHeaderFields fieldsForSavedFunctional(const NiftiHeaderFields& source, int volumeCount);

// The painted anatomical: same grid, but bytes rescaled for display and painted. Acquisition fields and the
// description hold; display range, intent and auxiliary file do not.
NiftiHeaderFields fieldsForPaintedAnatomical(const NiftiHeaderFields& source);

#endif

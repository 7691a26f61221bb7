// The names an FMR document is saved under after a projection was written into it.
//
// Mapping 2 saves each FMR as "<prefix>_VMR", mapping 3 saves FMR 1 as "<prefix>_from_<FMR 2 prefix>"; the
// file name becomes the new prefix followed by ".fmr" and the linked file name is emptied. A name that would
// not fit its header field is refused rather than cut, so no field is written past its capacity. Header
// texts are read only up to their field's capacity, a missing NUL included.
#ifndef POSALIGN_COMMAND_FMR_NAMING_H
#define POSALIGN_COMMAND_FMR_NAMING_H

#include <stddef.h>

#include "host_api/host_records.h"

// One piece of a name: text read up to its first NUL or up to bound characters, whichever comes first.
struct NamePart {
    const char* text;
    size_t bound;
};

// Writes the parts one after the other, NUL-terminated, into destination when the whole name and its NUL
// fit capacity; otherwise destination is left alone and the result is false.
bool joinNameParts(char* destination, size_t capacity, const NamePart* parts, int partCount);

// The new stcPrefix and fileName of a saved FMR.
struct FmrSavedNames {
    char stcPrefix[kFmrStcPrefixCapacity];
    char fileName[kFmrFileNameCapacity];
};

// Names for mapping 2: "<prefix>_VMR" and "<prefix>_VMR.fmr". False when either does not fit.
bool composeVmrProjectionNames(const FmrHeader& header, FmrSavedNames& names);

// Names for mapping 3: "<prefix>_from_<second prefix>" and that followed by ".fmr". False when either does
// not fit.
bool composeFmrProjectionNames(const FmrHeader& header, const FmrHeader& secondHeader, FmrSavedNames& names);

// Empties linkedFileName and writes the new stcPrefix and fileName into header.
void applySavedNames(const FmrSavedNames& names, FmrHeader& header);

#endif

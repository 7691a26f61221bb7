// Rescaling of a FloatVolume's intensities to 0..225.
#ifndef POSALIGN_COMMAND_INTENSITY_NORMALISATION_H
#define POSALIGN_COMMAND_INTENSITY_NORMALISATION_H

#include "projection/float_volume.h"

// Replaces every element v by ((v - min) * 225) / (max - min) in single precision, in that order, with min
// and max taken over the elements that are not NaN. NaN elements stay NaN; when max equals min (a constant
// volume) every other element becomes 0. An empty or all-NaN volume is left as it is.
void normaliseIntensities(FloatVolume& volume);

#endif

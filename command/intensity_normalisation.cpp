// Min-max rescaling of one volume to the 0..225 range the projections expect.
#include "command/intensity_normalisation.h"

#include <math.h>

void normaliseIntensities(FloatVolume& volume) {
    float* values = volume.values;
    int32_t count = volume.voxelCount;
    // Start from the first element that is a number, so a leading NaN cannot make every bound NaN.
    int32_t first = 0;
    while (first < count && isnan(values[first])) {
        ++first;
    }
    if (first == count) {
        return;
    }
    float minimum = values[first];
    float maximum = values[first];
    for (int32_t i = first + 1; i < count; ++i) {
        float v = values[i];
        if (v < minimum) {
            minimum = v;
        }
        if (v > maximum) {
            maximum = v;
        }
    }
    if (maximum == minimum) {
        // A constant volume has no range to scale; 0/0 would turn it into NaN.
        for (int32_t i = 0; i < count; ++i) {
            if (!isnan(values[i])) {
                values[i] = 0.0f;
            }
        }
        return;
    }
    float range = maximum - minimum;
    for (int32_t i = 0; i < count; ++i) {
        float shifted = values[i] - minimum;
        float scaled = shifted * 225.0f;
        values[i] = scaled / range;
    }
}

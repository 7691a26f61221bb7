// Float to 16-bit sample conversion without undefined conversions.
#include "command/int16_sample.h"

int16_t int16SampleFromFloat(float value) {
    double wide = value;
    // Truncation fits 32 bits exactly when -2^31 - 1 < value < 2^31; the negated test also catches NaN.
    if (!(wide > -2147483649.0 && wide < 2147483648.0)) {
        return 0;
    }
    int32_t truncated = (int32_t)wide;
    uint32_t low = (uint32_t)truncated & 0xFFFFu;
    // Map the low 16 bits to their two's complement value without an out-of-range narrowing.
    int32_t signedLow = low >= 0x8000u ? (int32_t)low - 0x10000 : (int32_t)low;
    return (int16_t)signedLow;
}

// The 16-bit sample that a float volume element is written back as.
#ifndef POSALIGN_COMMAND_INT16_SAMPLE_H
#define POSALIGN_COMMAND_INT16_SAMPLE_H

#include <stdint.h>

// The float truncated toward zero to a 32-bit integer, of which the low 16 bits are kept (two's complement):
// 224.9 -> 224, 765.0 -> 765, -3.7 -> -3, 40000.0 -> -25536. NaN, infinities and values whose truncation
// does not fit 32 bits give 0 (the low bits of the 0x80000000 that x86 conversions answer for them).
int16_t int16SampleFromFloat(float value);

#endif

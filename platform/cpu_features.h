// What the processor and the operating system offer beyond the x86-64 baseline.
#ifndef POSALIGN_PLATFORM_CPU_FEATURES_H
#define POSALIGN_PLATFORM_CPU_FEATURES_H

// True when the processor has AVX2 and the operating system saves the 256-bit registers across task
// switches (both are needed before any AVX2 instruction may run). Always false off x86-64.
bool cpuSupportsAvx2(void);

#endif

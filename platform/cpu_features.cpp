// CPUID and XGETBV read directly: the Windows build has no C++ runtime, and GNU-style inline assembly
// compiles for both the Linux compilers and clang targeting the MSVC ABI. A native MSVC build, which has
// no inline assembly on x64, uses its intrinsics instead.
#include "platform/cpu_features.h"

#include <stdint.h>

#if defined(_MSC_VER) && !defined(__clang__) && defined(_M_X64)
#include <intrin.h>
#define POSALIGN_CPUID_MSVC 1
#elif defined(__x86_64__) || defined(_M_X64)
#define POSALIGN_CPUID_GNU 1
#endif

namespace {

#if defined(POSALIGN_CPUID_MSVC) || defined(POSALIGN_CPUID_GNU)

struct CpuidResult {
    uint32_t eax, ebx, ecx, edx;
};

CpuidResult cpuid(uint32_t leaf, uint32_t subleaf) {
    CpuidResult r;
#if defined(POSALIGN_CPUID_MSVC)
    int registers[4];
    __cpuidex(registers, static_cast<int>(leaf), static_cast<int>(subleaf));
    r.eax = static_cast<uint32_t>(registers[0]);
    r.ebx = static_cast<uint32_t>(registers[1]);
    r.ecx = static_cast<uint32_t>(registers[2]);
    r.edx = static_cast<uint32_t>(registers[3]);
#else
    __asm__ volatile("cpuid" : "=a"(r.eax), "=b"(r.ebx), "=c"(r.ecx), "=d"(r.edx) : "a"(leaf), "c"(subleaf));
#endif
    return r;
}

// The extended control register 0: which register states the operating system saves.
uint64_t enabledRegisterStates() {
#if defined(POSALIGN_CPUID_MSVC)
    return _xgetbv(0);
#else
    uint32_t low, high;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (static_cast<uint64_t>(high) << 32) | low;
#endif
}

bool detectAvx2() {
    if (cpuid(0, 0).eax < 7) {
        return false;
    }
    const CpuidResult basic = cpuid(1, 0);
    const bool osSavesState = (basic.ecx >> 27) & 1u; // OSXSAVE: XGETBV may be executed
    const bool hasAvx = (basic.ecx >> 28) & 1u;
    if (!osSavesState || !hasAvx) {
        return false;
    }
    // Bits 1 and 2: the SSE and the upper AVX register halves are saved.
    if ((enabledRegisterStates() & 0x6u) != 0x6u) {
        return false;
    }
    return (cpuid(7, 0).ebx >> 5) & 1u;
}

#else

bool detectAvx2() {
    return false;
}

#endif

} // namespace

bool cpuSupportsAvx2(void) {
    // Asked once; the plug-in runs on the host's thread only.
    static int known = -1;
    if (known < 0) {
        known = detectAvx2() ? 1 : 0;
    }
    return known == 1;
}

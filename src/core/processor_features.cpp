#include "core/processor_features.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

#include <cstdint>

namespace {

#if defined(__i386__) || defined(__x86_64__)

// Bits of the cpuid leaves that the two answers need.
constexpr uint32_t LEAF1_EDX_SSE2 = 1u << 26;
constexpr uint32_t LEAF1_ECX_POPCNT = 1u << 23;
constexpr uint32_t LEAF1_ECX_OSXSAVE = 1u << 27;
constexpr uint32_t LEAF1_ECX_AVX = 1u << 28;
constexpr uint32_t LEAF7_EBX_AVX2 = 1u << 5;
// XCR0: the operating system saves the SSE (bit 1) and AVX (bit 2) state.
constexpr uint32_t XCR0_SSE_AVX = 0x6;

struct Features {
    bool sse2;
    bool avx2;
};

// The extended control register 0, read only once OSXSAVE says it exists.
uint32_t ReadXcr0(void) {
    uint32_t low = 0;
    uint32_t high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return low;
}

Features AskProcessor(void) {
    Features features = {false, false};
    uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) return features;
    features.sse2 = (edx & LEAF1_EDX_SSE2) != 0;

    const bool osSavesAvx =
        (ecx & LEAF1_ECX_OSXSAVE) != 0 && (ecx & LEAF1_ECX_AVX) != 0 && (ReadXcr0() & XCR0_SSE_AVX) == XCR0_SSE_AVX;
    const bool popcnt = (ecx & LEAF1_ECX_POPCNT) != 0;
    uint32_t ebx7 = 0, unused = 0;
    if (osSavesAvx && popcnt && __get_cpuid_count(7, 0, &unused, &ebx7, &unused, &unused) != 0) {
        features.avx2 = features.sse2 && (ebx7 & LEAF7_EBX_AVX2) != 0;
    }
    return features;
}

// Asked on first use and kept: the answers cannot change while the process
// runs, and the plug-in runs on the host's one thread.
bool asked = false;
Features features = {false, false};

const Features& ProcessorFeatures(void) {
    if (!asked) {
        features = AskProcessor();
        asked = true;
    }
    return features;
}

#endif

}  // namespace

#if defined(__i386__) || defined(__x86_64__)
bool ProcessorHasSse2(void) { return ProcessorFeatures().sse2; }
bool ProcessorHasAvx2(void) { return ProcessorFeatures().avx2; }
#else
bool ProcessorHasSse2(void) { return false; }
bool ProcessorHasAvx2(void) { return false; }
#endif

// The kernels behind Remap, Unremap and CountChars: one scalar reference that
// defines the results, and vector versions for the instruction sets of x86
// processors, chosen at run time from what the processor offers. Every
// kernel gives exactly the reference's result and writes exactly what it
// writes, on every input.
#pragma once

#include <cstdint>

#include "charset/unsafe_set.h"

#if defined(__i386__) || defined(__x86_64__)
#define PLUM_X86_KERNELS 1
#else
#define PLUM_X86_KERNELS 0
#endif

// One instruction set's kernels. Pointers are never null; flags is the set of
// 96 dangerous-character flags to use (unsafeSet, or a test's own).
struct RemapKernels {
    const char* name;
    // Remap and Unremap without their null checks: the same copy, the same
    // REMAP_LIMIT, the same count.
    int32_t (*remap)(const char16_t* source, char16_t* destination, const int32_t* flags);
    int32_t (*unremap)(const char16_t* source, char16_t* destination);
    // The counts of CountChars: safe forms (mode 0) and dangerous characters
    // (mode 1) up to the terminator.
    int32_t (*countSafeForms)(const char16_t* text);
    int32_t (*countDangerous)(const char16_t* text, const int32_t* flags);
};

enum RemapKernelKind : int32_t { REMAP_KERNEL_SCALAR, REMAP_KERNEL_SSE2, REMAP_KERNEL_AVX2, REMAP_KERNEL_KINDS };

extern const RemapKernels remapKernelsScalar;
#if PLUM_X86_KERNELS
extern const RemapKernels remapKernelsSse2;
extern const RemapKernels remapKernelsAvx2;
#endif

// The kernels of one kind, or null when this build or this processor has
// none of that kind.
const RemapKernels* RemapKernelsOf(RemapKernelKind kind);

// The kernels Remap, Unremap and CountChars use: the best the processor
// offers, unless SetRemapKernel chose others.
const RemapKernels* ActiveRemapKernels(void);

// Makes the kernels of one kind the active ones, so that tests and benchmarks
// can run each kind through the public routines. Returns false, and changes
// nothing, when that kind is not available.
bool SetRemapKernel(RemapKernelKind kind);

// Back to the best kernels the processor offers.
void ResetRemapKernel(void);

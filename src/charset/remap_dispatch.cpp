// Which kernels the routines use: the best the processor offers, asked on
// first use, or those a test or benchmark chose.
#include "charset/remap_kernels.h"
#include "core/processor_features.h"

namespace {

const RemapKernels* active = nullptr;

const RemapKernels* BestKernels(void) {
#if PLUM_X86_KERNELS
    if (ProcessorHasAvx2()) return &remapKernelsAvx2;
    if (ProcessorHasSse2()) return &remapKernelsSse2;
#endif
    return &remapKernelsScalar;
}

}  // namespace

const RemapKernels* RemapKernelsOf(RemapKernelKind kind) {
    if (kind == REMAP_KERNEL_SCALAR) return &remapKernelsScalar;
#if PLUM_X86_KERNELS
    if (kind == REMAP_KERNEL_SSE2 && ProcessorHasSse2()) return &remapKernelsSse2;
    if (kind == REMAP_KERNEL_AVX2 && ProcessorHasAvx2()) return &remapKernelsAvx2;
#endif
    return nullptr;
}

const RemapKernels* ActiveRemapKernels(void) {
    if (active == nullptr) active = BestKernels();
    return active;
}

bool SetRemapKernel(RemapKernelKind kind) {
    const RemapKernels* chosen = RemapKernelsOf(kind);
    if (chosen == nullptr) return false;
    active = chosen;
    return true;
}

void ResetRemapKernel(void) { active = BestKernels(); }

// The scalar kernels: the definition of the routines' results, and the
// kernels of processors without vector code.
#include "charset/remap_kernels.h"
#include "charset/remap_reference.h"

namespace {

int32_t RemapScalar(const char16_t* source, char16_t* destination, const int32_t* flags) {
    int32_t count = 0;
    int32_t i = 0;
    while (!RemapStep(source, destination, flags, i, &count)) ++i;
    return count;
}

int32_t UnremapScalar(const char16_t* source, char16_t* destination) {
    int32_t count = 0;
    int32_t i = 0;
    while (!UnremapStep(source, destination, i, &count)) ++i;
    return count;
}

int32_t CountSafeFormsScalar(const char16_t* text) { return CountSafeFormsFrom(text, 0); }

int32_t CountDangerousScalar(const char16_t* text, const int32_t* flags) { return CountDangerousFrom(text, flags, 0); }

}  // namespace

const RemapKernels remapKernelsScalar = {"scalar", RemapScalar, UnremapScalar, CountSafeFormsScalar,
                                         CountDangerousScalar};

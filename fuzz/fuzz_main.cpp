// The libFuzzer program: PLUM_FUZZ_TARGET names the target it fuzzes
// (scripts/fuzz.sh sets it); a failed check aborts, so libFuzzer keeps the
// input as a crash.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "harness.h"
#include "targets.h"

namespace {
const Target* target = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* name = std::getenv("PLUM_FUZZ_TARGET");
    target = name ? FindTarget(name) : nullptr;
    if (target == nullptr || target->run == nullptr) {
        std::fprintf(stderr, "plumquist_fuzz: set PLUM_FUZZ_TARGET to one of:");
        for (const Target& each : Targets()) {
            if (each.run) std::fprintf(stderr, " %s", each.name.c_str());
        }
        std::fprintf(stderr, "\n");
        std::exit(2);
    }
    StartHarness();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Record record;
    RunTarget(*target, data, size, record);
    return 0;
}

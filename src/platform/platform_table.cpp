// The replaceable table behind every platform call: one entry per operation,
// holding its name, its current function and the backend's default.
#include <cstring>

#include "platform/platform.h"

namespace {

struct PlatEntry {
    const char* name;
    void (**current)();
    void (*defaultFn)();
};

#define PLAT_SLOT(result, name, params, args) Plat##name##Fn current##name = &platform_default::name;
PLAT_CALLS(PLAT_SLOT)
#undef PLAT_SLOT

// Function pointers of different types are stored as void(*)() only to be
// restored by name; they are never called through that type.
#define PLAT_ENTRY(result, name, params, args) \
    {#name, reinterpret_cast<void (**)()>(&current##name), reinterpret_cast<void (*)()>(&platform_default::name)},
const PlatEntry kEntries[] = {PLAT_CALLS(PLAT_ENTRY)};
#undef PLAT_ENTRY

}  // namespace

#define PLAT_DEFINE(result, name, params, args)                                         \
    result Plat##name params { return current##name args; }                             \
    void PlatSet##name(Plat##name##Fn replacement) {                                    \
        current##name = replacement != nullptr ? replacement : &platform_default::name; \
    }                                                                                   \
    Plat##name##Fn PlatCurrent##name(void) { return current##name; }
PLAT_CALLS(PLAT_DEFINE)
#undef PLAT_DEFINE

int32_t PlatRestore(const char* name) {
    if (name == nullptr) return -1;
    for (const PlatEntry& entry : kEntries) {
        if (std::strcmp(entry.name, name) == 0) {
            *entry.current = entry.defaultFn;
            return 0;
        }
    }
    return -1;
}

void PlatRestoreAll(void) {
    for (const PlatEntry& entry : kEntries) *entry.current = entry.defaultFn;
}

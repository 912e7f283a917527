// The replaceable table behind every platform call: one entry per operation,
// holding its name, its current function and the backend's default.
#include "platform/platform.h"

#include <cstring>

namespace {

struct PlatformEntry {
    const char* name;
    void (**current)();
    void (*defaultFn)();
};

#define PLATFORM_SLOT(result, name, params, args) Plat##name##Fn current##name = &platform_default::name;
PLATFORM_CALLS(PLATFORM_SLOT)
#undef PLATFORM_SLOT

// Function pointers of different types are stored as void(*)() only to be
// restored by name; they are never called through that type.
#define PLATFORM_ENTRY(result, name, params, args)                                                  \
    {#name, reinterpret_cast<void (**)()>(&current##name),                                        \
     reinterpret_cast<void (*)()>(&platform_default::name)},
const PlatformEntry kEntries[] = {PLATFORM_CALLS(PLATFORM_ENTRY)};
#undef PLATFORM_ENTRY

}  // namespace

#define PLATFORM_DEFINE(result, name, params, args)                                                \
    result Plat##name params { return current##name args; }                                       \
    void PlatformSet##name(Plat##name##Fn replacement) {                                           \
        current##name = replacement != nullptr ? replacement : &platform_default::name;            \
    }
PLATFORM_CALLS(PLATFORM_DEFINE)
#undef PLATFORM_DEFINE

int32_t PlatformRestore(const char* name) {
    if (name == nullptr) return -1;
    for (const PlatformEntry& entry : kEntries) {
        if (std::strcmp(entry.name, name) == 0) {
            *entry.current = entry.defaultFn;
            return 0;
        }
    }
    return -1;
}

void PlatformRestoreAll(void) {
    for (const PlatformEntry& entry : kEntries) *entry.current = entry.defaultFn;
}

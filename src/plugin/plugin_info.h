// What the plug-in tells the host about itself, and the names it provides.
#pragma once

#include <cstdint>

struct PluginInfo {
    const char16_t* pluginName;
    const char16_t* author;
    const char16_t* email;
    const char16_t* webAddress;
    const char16_t* description;
    const char16_t* names;
    int32_t majorVersion;
    int32_t minorVersion;
    int32_t build;
    // Reserved for the host; never set or read here.
    uintptr_t reserved1;
    uintptr_t reserved2;
};

constexpr int32_t PLUGIN_MAJOR = 1;
constexpr int32_t PLUGIN_MINOR = 10;
constexpr int32_t PLUGIN_BUILD = 1;
extern const char16_t PLUGIN_NAME[];

// The comma-separated names list, shortened in place at run time.
extern char16_t pluginNames[];

// The library's own module handle, stored when the process attaches it.
extern void* moduleHandle;

// True when the host reports a version from 10 to 255 and is not the
// light edition, which cannot run array commands.
bool HostSupportsArrays(void);

// Removes the first entry equal to name (ASCII case folded) from the names
// list, and a separator left at its end. Returns 0, or -1 for an empty list.
int32_t RemoveNameFromList(const char16_t* name);

// The same on any list of entries separated by "," or ";".
int32_t RemoveNameFrom(char16_t* list, const char16_t* name);

// Restores the names list to its initial value; for tests that reload.
void ResetNameList(void);

// What the plug-in tells the host about itself: the record GetPluginInfo
// returns. Both sides use this one definition.
#pragma once

#include <cstddef>
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

// The host reads the record by these offsets: six pointers, three 32-bit
// integers, two pointer-sized fields, natural alignment. A 32-bit host and a
// 64-bit host each see their own layout.
namespace plugin_info_layout {
constexpr bool POINTERS_64 = sizeof(void*) == 8;
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "a 32-bit or a 64-bit target");
static_assert(offsetof(PluginInfo, pluginName) == 0, "pluginName");
static_assert(offsetof(PluginInfo, author) == (POINTERS_64 ? 8 : 4), "author");
static_assert(offsetof(PluginInfo, email) == (POINTERS_64 ? 16 : 8), "email");
static_assert(offsetof(PluginInfo, webAddress) == (POINTERS_64 ? 24 : 12), "webAddress");
static_assert(offsetof(PluginInfo, description) == (POINTERS_64 ? 32 : 16), "description");
static_assert(offsetof(PluginInfo, names) == (POINTERS_64 ? 40 : 20), "names");
static_assert(offsetof(PluginInfo, majorVersion) == (POINTERS_64 ? 48 : 24), "majorVersion");
static_assert(offsetof(PluginInfo, minorVersion) == (POINTERS_64 ? 52 : 28), "minorVersion");
static_assert(offsetof(PluginInfo, build) == (POINTERS_64 ? 56 : 32), "build");
static_assert(offsetof(PluginInfo, reserved1) == (POINTERS_64 ? 64 : 36), "reserved1");
static_assert(offsetof(PluginInfo, reserved2) == (POINTERS_64 ? 72 : 40), "reserved2");
static_assert(sizeof(PluginInfo) == (POINTERS_64 ? 80 : 44), "size of the record");
}  // namespace plugin_info_layout

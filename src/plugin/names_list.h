// The names list: every name the plug-in provides, as the host sees it.
#pragma once

#include <cstdint>

// The comma-separated names list, shortened in place at run time.
extern char16_t* const pluginNames;

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

// The detailed version display of PLUMQUISTHELP /V: the plug-in's version
// with the build stamp, and one line per module with its own version.
#pragma once

#include <cstdint>

// The help framework's own version.
extern const char NEW_HELP_VERSION[];

// Writes the build date as yyyy-mm-dd into destination (1024 code units).
// Returns 0, 1 (unknown month), 2 (bad day), 3 (bad year) or -1 (null).
int32_t BuildDateIso(char16_t* destination);

// The same for a date text of the form "Mmm dd yyyy".
int32_t DateToIso(const char* date, char16_t* destination);

// Prints "   name . . . version": the leader's dots put the version in
// column 29 for names of up to 20 characters. Nothing for an empty version.
// Returns 0.
int32_t PrintModuleVersion(const char16_t* name, const char* version);

// Prints the plug-in line with the build stamp and the module lines.
// Returns 0.
int32_t PrintVersionDisplay(void);

// Prints the "/??" line of PLUMQUISTHELP with the help framework's version.
// Returns 0.
int32_t PrintNewHelpVersionLine(void);

// UNSAFE: lists, edits, saves and restores the set of dangerous characters.
#pragma once

#include <cstdint>

#include "abi/abi.h"

// The line width of the listing: the console's width when standard output is
// a console whose width lies in 40..256, else 80.
int32_t UnsafeListingWidth(bool outputIsConsole, int32_t consoleWidth);

PLUM_EXPORT int32_t PLUM_CALL unsafe(char16_t* buffer);

// UNSAFE: lists, edits, saves and restores the set of dangerous characters.
#pragma once

#include <cstdint>

// The line width of the listing: the console's width when standard output is
// a console whose width lies in 40..256, else 80.
int32_t UnsafeListingWidth(bool outputIsConsole, int32_t consoleWidth);

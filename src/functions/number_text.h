// Numbers written as text into fixed buffers, for results handed back to the
// host. Nothing here uses a format string.
#pragma once

#include <cstdint>

// Appends value in decimal, without leading zeros, to the terminated text in
// destination (size code units). Returns the new length; digits that do not
// fit are left out whole, so a number is never cut.
int32_t AppendDecimal(char16_t* destination, int32_t size, uint32_t value);

// Appends the low 4 * digits bits of value as that many upper-case
// hexadecimal digits (leading zeros kept). Same result and rule as above.
int32_t AppendHex(char16_t* destination, int32_t size, uint32_t value, int32_t digits);

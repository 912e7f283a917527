// The numbers users type: unsigned 32-bit, decimal or "0x" hexadecimal.
#pragma once

#include <cstdint>

// Parses text into value. Without an end place the digits must reach the end
// of the text; with one, the position after the digits is stored there.
// Returns 0 on success, -1 on failure (nothing stored then).
int32_t ParseNumber(const char16_t* text, uint32_t* value, const char16_t** end);

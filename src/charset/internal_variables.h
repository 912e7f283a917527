// The internal variables %_amp .. %_vbar: each yields the safe form of one
// default dangerous character.
#pragma once

#include <cstdint>

// Stores unit at position 0 and the terminator at position 1 of buffer.
// Returns 0, or -1 when buffer is null.
int32_t ReturnSingleChar(char16_t* buffer, char16_t unit);

// The internal variables %_amp .. %_vbar: each yields the safe form of one
// default dangerous character.
#pragma once

#include <cstdint>

#include "abi/abi.h"

// Stores unit at position 0 and the terminator at position 1 of buffer.
// Returns 0, or -1 when buffer is null.
int32_t ReturnSingleChar(char16_t* buffer, char16_t unit);

// Each yields its safe form in the buffer and returns 0; a null buffer gives 1.
PLUM_EXPORT int32_t PLUM_CALL _amp(char16_t* buffer);       // U+FF06, &
PLUM_EXPORT int32_t PLUM_CALL _bq(char16_t* buffer);        // U+FF40, `
PLUM_EXPORT int32_t PLUM_CALL _caret(char16_t* buffer);     // U+FF3E, ^
PLUM_EXPORT int32_t PLUM_CALL _closebrk(char16_t* buffer);  // U+FF3D, ]
PLUM_EXPORT int32_t PLUM_CALL _closepat(char16_t* buffer);  // U+FF09, )
PLUM_EXPORT int32_t PLUM_CALL _gt(char16_t* buffer);        // U+FF1E, >
PLUM_EXPORT int32_t PLUM_CALL _lt(char16_t* buffer);        // U+FF1C, <
PLUM_EXPORT int32_t PLUM_CALL _openbrk(char16_t* buffer);   // U+FF3B, [
PLUM_EXPORT int32_t PLUM_CALL _openpat(char16_t* buffer);   // U+FF08, (
PLUM_EXPORT int32_t PLUM_CALL _pct(char16_t* buffer);       // U+FF05, %
PLUM_EXPORT int32_t PLUM_CALL _quote(char16_t* buffer);     // U+FF02, "
PLUM_EXPORT int32_t PLUM_CALL _vbar(char16_t* buffer);      // U+FF5C, |

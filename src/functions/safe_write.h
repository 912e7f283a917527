// @SAFEWRITE: one line of restored text written to an open handle.
#pragma once

#include <cstdint>

// The argument is "handle,text": a decimal or "0x" hexadecimal handle value,
// or "-" for standard output. Writes text with its safe forms turned back and
// CR LF, then puts the number of characters written (or "-1" when the write
// failed) into buffer and returns 0. Argument errors are reported on standard
// error, leave buffer as it was and give -87; a null buffer gives 1.
int32_t SafeWrite(char16_t* buffer);

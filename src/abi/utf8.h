// UTF-16 <-> UTF-8 over fixed buffers, for the POSIX backend.
#pragma once

#include <cstdint>

// Encodes length code units (or up to the terminator when length < 0) as
// UTF-8. Returns the bytes written, or -1 when they do not fit. Terminates the
// output when there is room.
int32_t Utf16ToUtf8(const char16_t* text, int32_t length, char* destination, int32_t size);

// Decodes terminated UTF-8 into terminated UTF-16. Returns the code units
// written, or -1 when they do not fit. Invalid bytes become U+FFFD.
int32_t Utf8ToUtf16(const char* text, char16_t* destination, int32_t size);

// UTF-8, as both sides of the interface put text into the operating system
// on POSIX systems. There the process environment, file names and the
// standard streams hold UTF-8: the host's SET writes a variable that the
// plug-in's @SAFEENV reads back, so both must encode and decode alike, and
// they share this one codec. (On Windows the system calls convert.)
//
// Decoding follows the well-formed byte sequences of the Unicode standard:
// an overlong form, an encoded surrogate, a value above U+10FFFF, a stray
// continuation byte or a cut sequence is ill-formed and stands for one
// U+FFFD for each maximal part that could have begun a well-formed sequence.
// Encoding turns an unpaired surrogate into U+FFFD. Nothing here allocates.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr char32_t UNICODE_REPLACEMENT = 0xFFFD;

// One code point from the UTF-8 bytes at the start of bytes (length > 0).
// Returns true and stores it for a well-formed sequence; returns false and
// stores U+FFFD otherwise. *used gets the bytes taken (at least 1).
bool Utf8Decode(const char* bytes, size_t length, char32_t* codePoint, size_t* used);

// Writes the UTF-8 form of a code point (U+FFFD for a surrogate or a value
// above U+10FFFF) to out, which has room for 4 bytes; returns its length.
int32_t Utf8Encode(char32_t codePoint, char* out);

// One code point from the UTF-16 units at the start of units (available >
// 0): a surrogate pair, or one unit (U+FFFD for an unpaired surrogate).
// *used gets the units taken.
char32_t Utf16Decode(const char16_t* units, size_t available, size_t* used);

// Writes the UTF-16 form of a code point (1 unit, or a surrogate pair) to
// out, which has room for 2 units; returns its length.
int32_t Utf16Encode(char32_t codePoint, char16_t* out);

// Encodes length code units (or up to the terminator when length < 0) as
// UTF-8. Returns the bytes written, or -1 when they do not fit. Terminates the
// output when there is room.
int32_t Utf16ToUtf8(const char16_t* text, int32_t length, char* destination, int32_t size);

// Decodes terminated UTF-8 into terminated UTF-16. Returns the code units
// written, or -1 when they and the terminator do not fit. With a null
// destination the units are only counted.
int32_t Utf8ToUtf16(const char* text, char16_t* destination, int32_t size);

// The code units Utf8ToUtf16 writes for a terminated text, terminator not
// counted.
int32_t Utf8ToUtf16Length(const char* text);

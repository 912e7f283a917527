// Small routines over terminated UTF-16 text held in fixed buffers. Nothing
// here allocates.
//
// Names say what a routine knows: Text... works on a whole text, Ascii...
// (or IgnoreAsciiCase) folds the letters A..Z and a..z and nothing else. The
// classes of characters (letter, digit, space, ...) are core/char_classes.h.
#pragma once

#include <cstdint>

// Length of a terminated text in code units.
int32_t TextLength(const char16_t* text);

// Length of a text, but never more than limit: a text without a terminator
// among its first limit code units counts as limit long.
int32_t TextBoundedLength(const char16_t* text, int32_t limit);

// Copies at most size - 1 code units and always terminates (when size > 0).
// Returns the number of code units copied.
int32_t TextCopy(char16_t* destination, int32_t size, const char16_t* source);

// Appends to the terminated text in destination within size code units.
// Returns the new length; text that does not fit is cut.
int32_t TextAppend(char16_t* destination, int32_t size, const char16_t* source);

// Copies ASCII text into a wide buffer, terminating it.
int32_t TextFromAscii(char16_t* destination, int32_t size, const char* source);

// Exact comparison of two terminated texts: 0 when equal.
int32_t TextCompare(const char16_t* left, const char16_t* right);

// Folds ASCII letters only; every other code unit is returned unchanged.
char16_t AsciiToUpper(char16_t c);
char16_t AsciiToLower(char16_t c);

// Equal when both texts match after folding ASCII letters.
bool TextEqualsIgnoreAsciiCase(const char16_t* left, const char16_t* right);
// True when text begins with prefix, folding ASCII letters.
bool TextStartsWithIgnoreAsciiCase(const char16_t* text, const char16_t* prefix);

// The halves of a surrogate pair: a text is never cut between them.
bool IsHighSurrogate(char16_t c);
bool IsLowSurrogate(char16_t c);

// The set of characters the host's parser acts on, their safe forms, and the
// copying and counting built on them.
#pragma once

#include <cstdint>

// The most code units Remap and Unremap write before the terminator.
constexpr int32_t REMAP_LIMIT = 16383;

constexpr int32_t UNSAFE_FIRST = 0x20;
constexpr int32_t UNSAFE_COUNT = 96;
// A character c travels as c + SAFE_FORM_OFFSET (modulo 0x10000).
constexpr char16_t SAFE_FORM_OFFSET = 0xFEE0;

// One flag per code unit 0x20..0x7F, at index c - 0x20; nonzero is dangerous.
extern int32_t unsafeSet[UNSAFE_COUNT];

// Clears every flag, then marks the twelve default characters.
int32_t SetDefaultUnsafe(void);

// The flag of c when 0x20 <= c <= 0x7F, else 0.
int32_t IsDangerous(char16_t c);

// True for U+FF00..U+FF5F, the safe forms of 0x20..0x7F.
inline bool IsSafeForm(char16_t c) { return static_cast<uint16_t>(c + 0x100) < UNSAFE_COUNT; }

// Copy source to destination (MAX_ARG_LEN code units), turning each dangerous
// character into its safe form (Remap) or every safe form back (Unremap).
// At most REMAP_LIMIT code units are written before the terminator. Source and
// destination may be the same buffer. Return the number of code units
// replaced, or -1 when a pointer is null. Both run on the kernels of
// charset/remap_kernels.h.
int32_t Remap(const char16_t* source, char16_t* destination);
int32_t Unremap(const char16_t* source, char16_t* destination);

// Counts safe forms (mode 0) or dangerous characters (mode 1) in text. With
// expand set, text is first replaced by the host's value of the variable or
// function it names. Returns the count, -1 for a null text or a missing name,
// -87 for a name too long to expand (reported), -2 for another mode, or the
// host's negative expansion result.
int32_t CountChars(char16_t* text, int32_t mode, bool expand);

// The name in a name argument: a variable or function may be written with
// one leading "%", as the host would show it.
const char16_t* NameArgument(const char16_t* argument);

// ":" or "=" between an option letter and its value.
bool IsOptionValueSeparator(char16_t c);
// "," or ";" between the items of a list.
bool IsListSeparator(char16_t c);

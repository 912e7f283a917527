// Remap, Unremap and the two counts of CountChars, defined one code unit at
// a time. The scalar kernels are these steps in a loop. The vector kernels
// take the same steps for the units before their first aligned block and
// from the block that holds the terminator (or reaches REMAP_LIMIT) on, so
// every kernel ends exactly as the definition does.
#pragma once

#include <cstdint>

#include "charset/unsafe_set.h"

// IsDangerous on a given set of flags, inlined where it runs once a unit.
inline bool IsDangerousIn(const int32_t* flags, char16_t c) {
    const uint16_t index = static_cast<uint16_t>(c - UNSAFE_FIRST);
    return index < UNSAFE_COUNT && flags[index] != 0;
}

// One unit of Remap: destination[i] from source[i]. Returns true once the
// terminator is stored, the end of the copy.
inline bool RemapStep(const char16_t* source, char16_t* destination, const int32_t* flags, int32_t i, int32_t* count) {
    char16_t c = source[i];
    if (i >= REMAP_LIMIT) {
        // The cut: a unit that is not written is not counted either.
        c = 0;
    } else if (IsDangerousIn(flags, c)) {
        c = static_cast<char16_t>(c + SAFE_FORM_OFFSET);
        ++*count;
    }
    destination[i] = c;
    return c == 0;
}

// One unit of Unremap: every safe form turns back, whatever the set is now.
inline bool UnremapStep(const char16_t* source, char16_t* destination, int32_t i, int32_t* count) {
    char16_t c = source[i];
    if (i >= REMAP_LIMIT) {
        c = 0;
    } else if (IsSafeForm(c)) {
        c = static_cast<char16_t>(c - SAFE_FORM_OFFSET);
        ++*count;
    }
    destination[i] = c;
    return c == 0;
}

// The counts from text to its terminator, added to count.
inline int32_t CountSafeFormsFrom(const char16_t* text, int32_t count) {
    for (; *text != 0; ++text) count += IsSafeForm(*text) ? 1 : 0;
    return count;
}

inline int32_t CountDangerousFrom(const char16_t* text, const int32_t* flags, int32_t count) {
    for (; *text != 0; ++text) count += IsDangerousIn(flags, *text) ? 1 : 0;
    return count;
}

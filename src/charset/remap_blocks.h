// How the vector kernels walk a text whose length they do not know: the
// units before the first aligned vector go one at a time, then whole aligned
// blocks are read, and the block that holds the terminator is the last one
// read. An aligned block never crosses a page, so no read touches memory
// past the end of the buffer that holds the text, wherever that ends.
#pragma once

#include <cstdint>

// Reading the rest of the terminator's aligned block is sound on the
// processor, but AddressSanitizer reports it when the text's object ends
// inside that block. Only the aligned vector loads carry this attribute:
// every other read and every write of the kernels stays checked.
#if defined(__GNUC__) || defined(__clang__)
#define PLUM_BLOCK_READ __attribute__((no_sanitize_address))
#else
#define PLUM_BLOCK_READ
#endif

// The kernels read a text a code unit or an aligned block at a time; a text
// that is not even aligned to its code units goes to the reference whole.
inline bool IsUnitAligned(const char16_t* text) { return (reinterpret_cast<uintptr_t>(text) & 1) == 0; }

inline bool IsBlockAligned(const char16_t* text, uintptr_t blockBytes) {
    return (reinterpret_cast<uintptr_t>(text) & (blockBytes - 1)) == 0;
}

// The code units from text to the next multiple of blockBytes.
inline int32_t UnitsBeforeBlock(const char16_t* text, uintptr_t blockBytes) {
    const uintptr_t past = reinterpret_cast<uintptr_t>(text) & (blockBytes - 1);
    return past == 0 ? 0 : static_cast<int32_t>((blockBytes - past) / sizeof(char16_t));
}

// The character lists of UNSAFE /D and /E: items separated by "," or ";",
// each a character, a number (two leading digits, or "0x") or a range of
// them ("a-z", "0x20-0x2F").
#pragma once

#include <cstdint>

// The characters a list may name.
constexpr uint32_t LOWEST_CHARACTER = 0x20;
constexpr uint32_t HIGHEST_CHARACTER = 0x7F;

// What is wrong with a character list; the command reports it with the
// whole argument.
enum class ListFault { NONE, SYNTAX, RANGE };

// Reads a terminated list of characters and ranges, setting each flag of set
// (UNSAFE_COUNT flags, index c - 0x20) to `flag` as soon as its element has
// been read; with a null set it only checks the list. Stops at the first
// fault, so a faulty list may have set the flags of the elements before it.
ListFault ReadCharacterList(const char16_t* list, int32_t flag, int32_t* set);

// The argument tokenizer of the commands: splits an argument text into
// separate, terminated arguments held in one shared result area.
#pragma once

#include <cstdint>

#include "abi/abi.h"

// The tokenizer's own version, shown by the detailed version display.
extern const char PARSE_ARGS_VERSION[];

// The most arguments one call keeps; later ones are ignored.
constexpr int32_t MAX_ARGS = 1024;

// The flags word. See ParseArgs for how each one changes the splitting.
constexpr uint16_t PA_SPACES = 0x0001;                   // whitespace separates
constexpr uint16_t PA_COMMAS = 0x0002;                   // "," separates
constexpr uint16_t PA_SPLIT_SWITCHES = 0x0004;           // "/A/B" gives "/A" and "/B"
constexpr uint16_t PA_QUOTE_AS_COLON = 0x0008;           // /X"text" gives /X:text
constexpr uint16_t PA_SPLIT_EQUALS = 0x0010;             // name=value gives name and =value
constexpr uint16_t PA_REST_FROM_FIRST = 0x0020;          // first non-switch runs to the end
constexpr uint16_t PA_KEEP_QUOTES = 0x0040;              // quotes group and are stored
constexpr uint16_t PA_UPPERCASE = 0x0080;                // ASCII letters are upper-cased
constexpr uint16_t PA_KEEP_TRAILING = 0x0100;            // no trimming of trailing whitespace
constexpr uint16_t PA_NO_QUOTING = 0x0200;               // '"' is an ordinary character
constexpr uint16_t PA_NO_QUOTING_AFTER_EQUALS = 0x0400;  // PA_NO_QUOTING from the first "=" on
constexpr uint16_t PA_BRACKET_SWITCH = 0x0800;           // "/[!...]" is one argument
constexpr uint16_t PA_REST_AFTER_FIRST = 0x1000;         // after the first non-switch: one more
constexpr uint16_t PA_TABS = 0x2000;                     // TAB separates (without PA_SPACES)
constexpr uint16_t PA_REST_KEEPS_QUOTES = 0x4000;        // with PA_REST_FROM_FIRST: keep quotes

// The arguments found by the last call. argStart[k] is null for an argument
// without characters; entries at and beyond argCount are null and 0.
// argsDropped tells that text past the 1024th argument was ignored (any code
// unit but white space), so that a command can refuse to act on part of
// what it was given.
struct ParseResult {
    int32_t argCount;
    bool argsDropped;
    char16_t* argStart[MAX_ARGS];
    int32_t argLength[MAX_ARGS];
    char16_t argBuffer[MAX_ARG_LEN];
};

// One process-wide instance, overwritten by every call with a text. Callers
// read it (and may change the argument texts in place) until the next call.
extern ParseResult parseResult;

// Splits a terminated text into arguments. Returns their number (0..1024), or
// -1 for a null text (the result area is left alone) or when the arguments do
// not fit in argBuffer (reported on standard error; argCount is then 0).
// Arguments past the 1024th are ignored without a message; argsDropped
// tells.
int32_t ParseArgs(const char16_t* text, uint16_t flags);

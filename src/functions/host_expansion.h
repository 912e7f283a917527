// Evaluating an expression through the host on behalf of a variable function
// and bringing its value back in safe form.
#pragma once

#include <cstdint>

// The result a variable function gives after reporting a bad argument: the
// negated Windows code for an invalid parameter.
constexpr int32_t INVALID_ARGUMENT_RESULT = -87;

// Length of a terminated text, but never more than limit: a text without a
// terminator among its first limit code units counts as limit long.
int32_t BoundedLength(const char16_t* text, int32_t limit);

// Builds prefix + text + suffix in a cleared work buffer of MAX_ARG_LEN code
// units, has the host expand it in place (ExpandVariables with flag) inside the
// expansion guard, and remaps the value into argument (MAX_ARG_LEN code units,
// cut at REMAP_LIMIT). text may point into argument.
//
// Returns 0 on success. An expression that does not fit the work buffer is
// reported with tooLongMessage and gives INVALID_ARGUMENT_RESULT; a negative
// result of ExpandVariables is passed back unchanged. On every failure the
// argument buffer is left as it was.
int32_t ExpandThroughHost(char16_t* argument, const char16_t* prefix, const char16_t* text,
                          const char16_t* suffix, int32_t flag, const char16_t* tooLongMessage);

// Evaluating an expression through the host on behalf of a variable function
// and bringing its value back in safe form.
#pragma once

#include <cstdint>

#include "core/errors.h"

// Has the host expand prefix + text + suffix (ExpandGuarded) in a work buffer
// and remaps the value into argument (MAX_ARG_LEN code units, cut at
// REMAP_LIMIT). text may point into argument.
//
// Returns 0 on success. An expression that does not fit the work buffer is
// reported with tooLongMessage and gives INVALID_ARGUMENT_RESULT; a negative
// result of ExpandVariables is passed back unchanged. On every failure the
// argument buffer is left as it was.
int32_t ExpandThroughHost(char16_t* argument, const char16_t* prefix, const char16_t* text, const char16_t* suffix,
                          int32_t flag, const char16_t* tooLongMessage);

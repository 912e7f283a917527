// @UQUOTES: straight quotation marks turned into typographic ones, a pair of
// hyphens into an em dash. The characters produced for each role come from
// eight environment variables, read afresh on every call.
#pragma once

#include <cstdint>

#include "abi/abi.h"

// The buffer (MAX_ARG_LEN code units) holds the text and receives the
// result. Returns 0, or 1 for a null buffer.
PLUM_EXPORT int32_t PLUM_CALL f_uquotes(char16_t* buffer);

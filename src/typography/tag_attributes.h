// @TAGATTR[name,tag]: the value of one attribute of a markup tag, with its
// quotes removed. The tag may hold the safe forms of "<", ">" and both
// quotation marks; the value comes back exactly as the tag holds it.
#pragma once

#include <cstdint>

#include "abi/abi.h"

// The buffer (MAX_ARG_LEN code units) holds "name,tag" and receives the
// value, or an empty text when there is none. Returns 0 (found or not), 1
// for a null buffer, or -1 after reporting a missing or bad name, with the
// buffer unchanged.
PLUM_EXPORT int32_t PLUM_CALL f_tagattr(char16_t* buffer);

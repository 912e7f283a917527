// SAFEARRAY: remaps, unremaps or quotes the elements of a host array.
#pragma once

#include <cstdint>

#include "abi/abi.h"

PLUM_EXPORT int32_t PLUM_CALL safearray(char16_t* buffer);

// SAFEECHO and SAFEECHOS: printing text with its safe forms turned back.
#pragma once

#include <cstdint>

#include "abi/abi.h"

// Prints text to standard output with every safe form turned back into its
// plain character, followed by CR LF when lineEnd is set. Answers "/?" and
// "/??" with the command's usage text. Returns 1 for a null text, else 0.
int32_t EchoUnremapped(const char16_t* text, bool lineEnd);

PLUM_EXPORT int32_t PLUM_CALL safeecho(char16_t* buffer);
PLUM_EXPORT int32_t PLUM_CALL safeechos(char16_t* buffer);

// SAFEECHO and SAFEECHOS: printing text with its safe forms turned back.
#pragma once

#include <cstdint>

// Prints text to standard output with every safe form turned back into its
// plain character, followed by CR LF when lineEnd is set. Answers "/?" and
// "/??" with the command's usage text. Returns 1 for a null text, else 0.
int32_t EchoUnremapped(const char16_t* text, bool lineEnd);

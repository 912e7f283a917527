// PLUMQUISTHELP: opens the help file at a topic, optionally at the Contents,
// Search or Favorites tab, runs a search, closes the viewer (/Q) or shows the
// detailed version (/V).
#pragma once

#include <cstdint>

#include "abi/exports.h"

// Wraps text (in a MAX_ARG_LEN buffer) in double quotes when it holds white
// space. Returns 0, 8 when the quoted text would not fit (text unchanged),
// or -1 for null.
int32_t QuoteIfSpaces(char16_t* text);

// The command itself, plumquisthelp, is declared with every export in
// abi/exports.h. It returns 0 after opening the help or answering an option;
// 1 for a null buffer, an unknown option, a topic too long, or help that
// could not be opened (reported).

// Reading the host's variables: the plug-in reads a host variable or
// function only by having the host expand a reference to it in place.
#pragma once

#include <cstdint>

// The buffer for expanding one of the host's own short variables
// (%_4ver, %_cmdproc, %_codepage, @ARRAYINFO, ...), terminator included.
constexpr int32_t SHORT_QUERY_LEN = 1024;

// Copies expression into buffer (size code units) and has the host expand it
// there (ExpandVariables, flag 1); the result is always terminated within
// size. Returns the host's result: negative when the expansion failed.
int32_t ExpandHostText(char16_t* buffer, int32_t size, const char16_t* expression);

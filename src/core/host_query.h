// Reading the host's variables: the plug-in reads a host variable or
// function only by having the host expand a reference to it in place.
#pragma once

#include <cstdint>

// The buffer for expanding one of the host's own short variables
// (%_4ver, %_cmdproc, %_codepage, @ARRAYINFO, ...), terminator included.
constexpr int32_t SHORT_QUERY_LEN = 1024;

// What one query of the host came to.
enum class HostQuery : uint8_t {
    EXPANDED,      // the buffer holds the host's value
    NOT_EXPANDED,  // the host gave the text back as it was: variable expansion (SETDOS /X3) is off
    FAILED,        // the host reported a failure (a negative result)
};

// Copies expression into buffer (size code units) and has the host expand it
// there (ExpandVariables, flag 1); the result is always terminated within
// size.
//
// The expansion did not happen when the host returns success but the text is
// exactly the expression it was given. Every expression the plug-in queries
// holds a reference to one of the host's variables or functions whose value
// can never spell that reference again (a number, a digit list, a name, a
// path: none begins with "%"), so an unchanged text can only mean that the
// host did not expand. A value is never taken from such a text: after
// NOT_EXPANDED or FAILED the buffer is empty, so the literal reference cannot
// pass for a value.
HostQuery QueryHostText(char16_t* buffer, int32_t size, const char16_t* expression);

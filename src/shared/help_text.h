// Texts of the help framework built in fixed buffers, whole or not at all: a
// path, topic or command line that was cut would name something else.
#pragma once

#include <cstdint>

// Appends source to the terminated text in destination (size code units,
// terminator included) when all of it fits. Returns the new length, or -1
// with destination unchanged.
int32_t AppendWhole(char16_t* destination, int32_t size, const char16_t* source);

// Formats a constant format whose only directives are "%s" (the next of the
// count texts) and "%%" (one "%") into destination. Returns the length, or -1
// with destination emptied when the result does not fit or the format asks
// for more texts than given. The texts are data, never formats.
int32_t FormatTexts(char16_t* destination, int32_t size, const char16_t* format, const char16_t* const* texts,
                    int32_t count);

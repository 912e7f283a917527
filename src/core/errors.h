// Error messages: the prefix in front of each, the system text of an error
// code, and the two shapes every message of the plug-in takes.
#pragma once

#include <cstdint>

// Writes "Plumquist plugin: " to standard error and, inside a batch file,
// the file's name and current line. Returns 0.
int32_t PrintErrorPrefix(void);

// Fills a buffer of 1024 code units with the one-line system text of a
// Windows error code. Returns 0, or -1 when the buffer is null.
int32_t FormatSystemError(char16_t* buffer, int32_t code);

constexpr int32_t SYSTEM_ERROR_TEXT_LEN = 1024;

// The result a variable function gives after reporting a bad argument: the
// negated Windows code for an invalid parameter.
constexpr int32_t INVALID_ARGUMENT_RESULT = -87;

// The prefix, then a message without arguments.
void ReportError(const char16_t* message);
// The prefix, then a constant format holding one "%s" filled with text.
// User text only ever travels as the argument, never as the format.
void ReportErrorText(const char16_t* format, const char16_t* text);

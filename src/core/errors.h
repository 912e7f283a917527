// Error messages: the prefix in front of each, the system text of an error
// code, and the one way every message of the plug-in is written.
#pragma once

#include <cstddef>
#include <cstdint>

#include "abi/host_services.h"
#include "platform/platform.h"

// Writes "Plumquist plugin: " to standard error and, inside a batch file,
// the file's name and current line. Returns 0. Name and line are left out
// when the host cannot give them (variable expansion off, a failed
// expansion).
int32_t PrintErrorPrefix(void);

// Fills a buffer of 1024 code units with the one-line system text of a
// Windows error code. Returns 0, or -1 when the buffer is null.
int32_t FormatSystemError(char16_t* buffer, int32_t code);

constexpr int32_t SYSTEM_ERROR_TEXT_LEN = 1024;

// The result a variable function gives after reporting a bad argument: the
// negated Windows code for an invalid parameter.
constexpr int32_t INVALID_ARGUMENT_RESULT = -87;

// Reports an error on standard error: the prefix, then the message, one
// Qprintf of format with the arguments. The format is a string literal (or
// another constant array), so a text from the user or the host can only ever
// travel as an argument, never be taken for directives.
template <size_t N, typename... Arguments>
void ReportError(const char16_t (&format)[N], Arguments... arguments) {
    PrintErrorPrefix();
    Qprintf(PlatStandardError(), format, arguments...);
}

// A format in a modifiable array could hold anything: refused when compiled.
template <size_t N, typename... Arguments>
void ReportError(char16_t (&format)[N], Arguments... arguments) = delete;

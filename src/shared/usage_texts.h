// The usage text of every command, the "/?" and "/??" convention, and the
// version line.
#pragma once

#include <cstdint>

// The processor the library is built for, as Windows names it ("x86", "x64").
extern const char16_t kPlatformTag[];

// The usage text of a command by its name ("safearray", "plumquisthelp",
// "safeecho", "safeechos", "unsafe"; ASCII case folded); null for other names.
const char16_t* UsageText(const char16_t* name);

// The part of a usage text that follows its first line and the line feeds
// right after it (the syntax line onwards); null for a null text.
const char16_t* UsageSyntaxPart(const char16_t* usage);

// Prints "\r\n\t\t\t\tPlumquist  1.10.1.0 (x86)\r\n" to standard output.
int32_t PrintVersionLine(void);

// When option is exactly "/?" or "/??", prints the command's usage text (and
// for "/??" the version line) and returns true; otherwise returns false.
bool AnswerHelpOption(const char16_t* option, const char16_t* command);

// Helpers the unit tests share: talking to the host emulator linked into the
// test program, catching what the plug-in writes to standard error, and
// building long texts.
#pragma once

#include <string>

#include "abi/abi.h"
#include "scratch_file.h"

// Runs a line in the host as if typed (SET, SETHOST, SETDOS, ...).
int32_t HostLine(const std::u16string& line);

// The host's expansion of an expression such as u"%_expansion".
std::u16string HostExpand(const std::u16string& expression);

// While alive, the plug-in's standard error handle points at a temporary
// file; Bytes() returns what was written to it.
class CapturedStderr {
public:
    CapturedStderr();
    ~CapturedStderr();
    CapturedStderr(const CapturedStderr&) = delete;
    CapturedStderr& operator=(const CapturedStderr&) = delete;
    std::string Bytes() const { return file_.Bytes(); }

private:
    ScratchFile file_;
};

// The version line this build prints. The tag names the processor the test
// program itself was built for: "x64" for 64-bit code, "x86" for 32-bit.
const std::u16string kVersionLine =
    sizeof(void*) == 8 ? u"\r\n\t\t\t\tPlumquist  1.10.1.0 (x64)\r\n" : u"\r\n\t\t\t\tPlumquist  1.10.1.0 (x86)\r\n";

// The text of the box that says the help file is nowhere, as it names the
// Windows directory.
std::u16string MissingHelpFileText(const std::u16string& windowsDirectory);

// Sets a variable of the process environment, or removes it (empty value).
void SetProcessEnvironment(const char* name, const std::string& value);

// A text of n copies of one code unit.
std::u16string Repeat(char16_t unit, size_t n);

// ASCII/UTF-8 view of a UTF-16 text, for readable failure messages.
std::string Narrow(const std::u16string& text);

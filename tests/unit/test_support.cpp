#include "test_support.h"

#include <cstdio>

#include "platform/platform.h"
#include "abi/host_services.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <stdlib.h>
#endif

int32_t HostLine(const std::u16string& line) {
    std::u16string buffer = line;
    buffer.resize(MAX_ARG_LEN, u'\0');
    return Command(buffer.data(), 0);
}

std::u16string HostExpand(const std::u16string& expression) {
    std::u16string buffer = expression;
    buffer.resize(MAX_ARG_LEN, u'\0');
    ExpandVariables(buffer.data(), 1);
    return std::u16string(buffer.c_str());
}

namespace {
HostHandle capturedHandle = 0;
HostHandle CapturedHandle(void) { return capturedHandle; }
int captureCount = 0;
}  // namespace

CapturedStderr::CapturedStderr() : file_("captured-stderr-" + std::to_string(++captureCount) + ".txt") {
    capturedHandle = file_.Handle();
    PlatSetStandardError(&CapturedHandle);
}

CapturedStderr::~CapturedStderr() { PlatRestore("StandardError"); }

void SetProcessEnvironment(const char* name, const std::string& value) {
#if defined(_WIN32)
    SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
#else
    if (value.empty()) {
        unsetenv(name);
    } else {
        setenv(name, value.c_str(), 1);
    }
#endif
}

std::u16string MissingHelpFileText(const std::u16string& windowsDirectory) {
    return u"I can\u2019t find the help file Plumquist.chm.  It should be:\n\n"
           u"    \u2022  in a directory specified in %PLUMQUISTHELP\n"
           u"    \u2022  in a directory specified in %PLUGINHELP\n"
           u"    \u2022  in the same directory as the .DLL file\n"
           u"    \u2022  in a HELP directory within the .DLL\u2019s directory  \n"
           u"    \u2022  in the same directory as the command shell\n"
           u"    \u2022  in a HELP directory within the shell\u2019s directory  \n"
           u"    \u2022  or in " +
           windowsDirectory + u"\\Help.\n";
}

std::u16string Repeat(char16_t unit, size_t n) { return std::u16string(n, unit); }

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            char hex[16];
            std::snprintf(hex, sizeof hex, "\\u%04X", static_cast<unsigned>(c));
            out += hex;
        }
    }
    return out;
}

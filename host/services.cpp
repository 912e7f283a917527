// The services the host offers plug-ins, with the plug-in side's names and
// calling conventions (plugin/host_services.h).
#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "abi/host_services.h"
#include "core.h"
#include "host_os.h"
#include "text.h"

namespace plumhost {
namespace {

// The text of a plug-in's buffer, which holds at most MAX_ARG_LEN units;
// false when no terminator comes within that.
bool ReadBuffer(const char16_t* buffer, std::u16string& text) {
    const char16_t* end = std::find(buffer, buffer + MAX_ARG_LEN, u'\0');
    if (end == buffer + MAX_ARG_LEN) return false;
    text.assign(buffer, end);
    return true;
}

// Copies text and a terminator into a MAX_ARG_LEN buffer, cutting it short if
// need be; the number of units copied.
int32_t WriteBuffer(char16_t* buffer, const std::u16string& text) {
    size_t n = std::min(text.size(), MAX_TEXT);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), buffer);
    buffer[n] = u'\0';
    return static_cast<int32_t>(n);
}

// SETHOST _trace=2 shows every expansion a plug-in asks for, with its flag,
// besides the command lines that _trace=1 shows.
bool TraceExpansions() {
    std::u16string value;
    GetHostVariable(u"_trace", value);
    return value == u"2";
}

}  // namespace
}  // namespace plumhost

using namespace plumhost;

// Expands references in place. A plug-in passes flag 1, or 0 from @SAFEEXP;
// what the two mean is the host's own business, and this host expands alike
// for both. Any other flag is refused, so that a plug-in passing one is
// caught. Negative on failure, the buffer then unchanged.
extern "C" int32_t PLUM_CALL ExpandVariables(char16_t* buffer, int32_t flag) {
    std::u16string text;
    if (!buffer) return -1;
    if (flag != 0 && flag != 1) {
        ReportError(u"ExpandVariables: flag " + ToDecimal(flag) + u" is not modelled (only 0 and 1)");
        return -1;
    }
    if (!ReadBuffer(buffer, text)) {
        ReportError(u"ExpandVariables: text longer than the argument buffer");
        return -1;
    }
    if (TraceExpansions()) WriteErr(u"[expand " + ToDecimal(flag) + u"] " + text + u"\r\n");
    int rc = ExpandLine(text);
    if (rc < 0) return rc;
    WriteBuffer(buffer, text);
    return 0;
}

// Runs a line as if typed; with tracing on it is first shown on standard
// error as "[command] LINE". A plug-in passes flag 0; any other flag is
// refused and the line is not run.
extern "C" int32_t PLUM_CALL Command(char16_t* line, int32_t flag) {
    std::u16string text;
    if (!line) return -1;
    if (flag != 0) {
        ReportError(u"Command: flag " + ToDecimal(flag) + u" is not modelled (only 0)");
        return -1;
    }
    if (!ReadBuffer(line, text)) {
        ReportError(u"Command line too long");
        return 1;
    }
    if (TraceCommands() || TraceExpansions()) WriteErr(u"[command] " + text + u"\r\n");
    return RunLine(text);
}

extern "C" int32_t PLUM_CDECL Printf(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::u16string text = FormatV(format, args);
    va_end(args);
    return WriteOut(text) ? static_cast<int32_t>(text.size()) : -1;
}

extern "C" int32_t PLUM_CDECL Qprintf(HostHandle handle, const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    std::u16string text = FormatV(format, args);
    va_end(args);
    return WriteText(handle, text) ? static_cast<int32_t>(text.size()) : -1;
}

extern "C" int32_t PLUM_CALL QPuts(const char16_t* text) {
    if (!text) return -1;
    return WriteOut(text) ? 0 : -1;
}

// Formats into a buffer of MAX_ARG_LEN units; the length written.
extern "C" int32_t PLUM_CDECL Sprintf(char16_t* buffer, const char16_t* format, ...) {
    if (!buffer) return -1;
    va_list args;
    va_start(args, format);
    std::u16string text = FormatV(format, args);
    va_end(args);
    return WriteBuffer(buffer, text);
}

extern "C" void PLUM_CALL CrLf(void) { WriteOut(u"\r\n"); }

// Nonzero when the text is on the clipboard.
extern "C" int32_t PLUM_CALL CopyTextToClipboard(const char16_t* text, int32_t length) {
    if (!text || length < 0) return 0;
    return os::SetClipboardText(text, static_cast<size_t>(length)) ? 1 : 0;
}

extern "C" int32_t PLUM_CALL QueryIsConsole(HostHandle handle) { return os::IsConsole(handle) ? 1 : 0; }

// 1 while SETHOST _unicode=1 (then the host writes UTF-16LE into redirected
// files; see output.cpp).
extern "C" int32_t PLUM_CALL QueryUnicodeOutput(void) { return UnicodeOutput() ? 1 : 0; }

// The full path of `path` into a MAX_ARG_LEN buffer; 0 on success.
extern "C" int32_t PLUM_CALL QueryTrueName(const char16_t* path, char16_t* destination) {
    std::u16string text;
    if (!path || !destination || !ReadBuffer(path, text)) return 1;
    WriteBuffer(destination, os::FullPath(text));
    return 0;
}

// Widens 8-bit text one byte to one code unit into `size` units, terminator
// included; 0 on success, 1 when nothing can be written.
extern "C" int32_t PLUM_CALL ASCIIToUnicode(const char* text, char16_t* destination, int32_t size) {
    if (!text || !destination || size <= 0) return 1;
    size_t n = std::min(std::strlen(text), static_cast<size_t>(size) - 1);
    for (size_t i = 0; i < n; ++i) destination[i] = static_cast<unsigned char>(text[i]);
    destination[n] = u'\0';
    return 0;
}

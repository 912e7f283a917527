// @SAFEWRITE[handle,text]: writes one line to an open handle with the safe
// forms turned back, as UTF-16LE (Unicode output) or in the host's code page,
// and gives the number of characters written or "-1".
#include "core/char_classes.h"
#include "functions/safe_write.h"

#include "abi/exports.h"
#include "abi/host_services.h"
#include "charset/unsafe_set.h"
#include "core/errors.h"
#include "core/host_command.h"
#include "core/host_query.h"
#include "core/numbers.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

// The longest text that still leaves room for CR, LF and the terminator.
constexpr int32_t LINE_TEXT_LIMIT = MAX_ARG_LEN - 3;

// A code-page conversion gets one byte less than the host's buffer has
// units, the room its terminator would take.
constexpr int32_t CONVERSION_LIMIT = MAX_ARG_LEN - 1;

// Turns the handle text into a handle: a decimal number, "0x" and hexadecimal
// digits, or "-" alone for standard output. False for anything else, for the
// value 0 and for characters after the number.
bool ParseHandle(const char16_t* text, HostHandle* handle) {
    int64_t value = 0;
    if (text[0] == u'-' && text[1] == 0) {
        value = PlatStandardOutput();
    } else if (ReadNumber(text, HANDLE_NUMBER, &value, nullptr) != 0) {
        return false;
    }
    if (value == 0) return false;
    *handle = static_cast<HostHandle>(value);
    return true;
}

// One write that must take every byte.
bool WriteAll(HostHandle handle, const void* bytes, uint32_t count) {
    uint32_t written = 0;
    return PlatWriteHandle(handle, bytes, count, &written) != 0 && written == count;
}

// The code page of %_codepage, or the OEM code page when it does not start
// with a number from 1 to 4294967295.
uint32_t OutputCodePage(void) {
    char16_t text[SHORT_QUERY_LEN] = {};
    QueryHostGuarded(text, SHORT_QUERY_LEN, u"%_codepage");

    int64_t value = 0;
    if (ReadNumber(text, CODE_PAGE_NUMBER, &value, nullptr) != 0 || value == 0) return PlatOemCodePage();
    return static_cast<uint32_t>(value);
}

// Writes the line (length units, CR LF included) and tells whether every
// byte went out. The line is used up: as UTF-16LE it is turned into its
// bytes in place, so the host's buffer is the only one of its size.
bool WriteLine(HostHandle handle, char16_t* line, int32_t length) {
    if (QueryUnicodeOutput() == 1) {
        // A byte-order mark starts an empty file; handles without a size
        // (consoles, pipes) get none.
        uint64_t size = 0;
        if (PlatFileSize(handle, &size) != 0 && size == 0) {
            const uint8_t mark[2] = {0xFF, 0xFE};
            if (!WriteAll(handle, mark, sizeof mark)) return false;
        }
        // Each unit's two bytes take the place of the unit itself.
        auto* bytes = reinterpret_cast<unsigned char*>(line);
        for (int32_t i = 0; i < length; ++i) {
            const char16_t unit = line[i];
            bytes[2 * i] = static_cast<unsigned char>(unit & 0xFF);
            bytes[2 * i + 1] = static_cast<unsigned char>(unit >> 8);
        }
        return WriteAll(handle, bytes, static_cast<uint32_t>(2 * length));
    }

    // A line that does not convert whole is not written at all.
    char bytes[CONVERSION_LIMIT];
    const int32_t converted = PlatWideToCodePage(OutputCodePage(), line, length, bytes, CONVERSION_LIMIT);
    if (converted <= 0 || converted > CONVERSION_LIMIT) return false;
    return WriteAll(handle, bytes, static_cast<uint32_t>(converted));
}

}  // namespace

int32_t SafeWrite(char16_t* buffer) {
    if (buffer == nullptr) return 1;

    // The handle text: leading white space skipped, then everything up to the
    // first comma. The argument ends at its terminator or at the end of the
    // host's buffer, whichever comes first; a handle text that reaches the
    // buffer's last unit leaves no room for a text.
    int32_t start = 0;
    while (start < MAX_ARG_LEN && buffer[start] != 0 && CharIsSpace(buffer[start])) ++start;
    int32_t stop = start;
    while (stop < MAX_ARG_LEN - 1 && buffer[stop] != 0 && buffer[stop] != u',') ++stop;

    if (stop == start) {
        ReportError(u"No handle\r\n");
        return INVALID_ARGUMENT_RESULT;
    }
    if (buffer[stop] != 0 && buffer[stop] != u',') {
        ReportError(u"No text argument\r\n");
        return INVALID_ARGUMENT_RESULT;
    }

    // The handle text is read where it stands, ended for the moment at the
    // comma; the comma is put back, so an error leaves the argument as it was.
    const char16_t separator = buffer[stop];
    buffer[stop] = 0;
    HostHandle handle = 0;
    const bool validHandle = ParseHandle(buffer + start, &handle);
    if (!validHandle) ReportError(u"Bad handle \"%s\"\r\n", buffer + start);
    buffer[stop] = separator;
    if (!validHandle) return INVALID_ARGUMENT_RESULT;

    // The text is everything after the first comma, commas included; without
    // a comma it is empty and the line is a bare CR LF.
    int32_t length = 0;
    if (separator == u',') {
        const char16_t* text = buffer + stop + 1;
        const int32_t room = MAX_ARG_LEN - stop - 1;
        while (length < room && text[length] != 0) ++length;
        if (length > LINE_TEXT_LIMIT) {
            ReportError(u"String too long\r\n");
            return INVALID_ARGUMENT_RESULT;
        }
        // The line is built at the front of the host's buffer; the copy runs
        // forwards, from later units to earlier ones.
        for (int32_t i = 0; i < length; ++i) buffer[i] = text[i];
    }
    buffer[length] = 0;
    Unremap(buffer, buffer);
    buffer[length++] = u'\r';
    buffer[length++] = u'\n';
    buffer[length] = 0;

    if (WriteLine(handle, buffer, length)) {
        Sprintf(buffer, u"%d", length);
    } else {
        TextCopy(buffer, MAX_ARG_LEN, u"-1");
    }
    return 0;
}

PLUM_EXPORT int32_t PLUM_CALL f_safewrite(char16_t* buffer) { return SafeWrite(buffer); }

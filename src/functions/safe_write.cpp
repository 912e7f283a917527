// @SAFEWRITE[handle,text]: writes one line to an open handle with the safe
// forms turned back, as UTF-16LE (Unicode output) or in the host's code page,
// and gives the number of characters written or "-1".
#include "abi/exports.h"
#include "functions/safe_write.h"

#include "charset/unsafe_set.h"
#include "platform/platform.h"
#include "core/errors.h"
#include "core/numbers.h"
#include "abi/host_services.h"
#include "core/text.h"

namespace {

// The longest text that still leaves room for CR, LF and the terminator.
constexpr int32_t LINE_TEXT_LIMIT = MAX_ARG_LEN - 3;

// Every write fits here: a line of at most MAX_ARG_LEN - 1 UTF-16 units, two
// bytes each. A code-page conversion gets one byte less than the line buffer
// has units, the room its terminator would take.
constexpr int32_t BYTE_BUFFER_SIZE = 2 * MAX_ARG_LEN;
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
    WideCopy(text, SHORT_QUERY_LEN, u"%_codepage");
    ExpandVariables(text, 1);
    text[SHORT_QUERY_LEN - 1] = 0;

    int64_t value = 0;
    if (ReadNumber(text, CODE_PAGE_NUMBER, &value, nullptr) != 0 || value == 0) return PlatOemCodePage();
    return static_cast<uint32_t>(value);
}

// Writes the line (length units, CR LF included) and tells whether every
// byte went out.
bool WriteLine(HostHandle handle, const char16_t* line, int32_t length) {
    uint8_t bytes[BYTE_BUFFER_SIZE] = {};

    if (QueryUnicodeOutput() == 1) {
        // A byte-order mark starts an empty file; handles without a size
        // (consoles, pipes) get none.
        uint64_t size = 0;
        if (PlatFileSize(handle, &size) != 0 && size == 0) {
            const uint8_t mark[2] = {0xFF, 0xFE};
            if (!WriteAll(handle, mark, sizeof mark)) return false;
        }
        for (int32_t i = 0; i < length; ++i) {
            bytes[2 * i] = static_cast<uint8_t>(line[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<uint8_t>(line[i] >> 8);
        }
        return WriteAll(handle, bytes, static_cast<uint32_t>(2 * length));
    }

    // A line that does not convert whole is not written at all.
    const int32_t converted = PlatWideToCodePage(OutputCodePage(), line, length, reinterpret_cast<char*>(bytes),
                                                 CONVERSION_LIMIT);
    if (converted <= 0 || converted > CONVERSION_LIMIT) return false;
    return WriteAll(handle, bytes, static_cast<uint32_t>(converted));
}

}  // namespace

int32_t SafeWrite(char16_t* buffer) {
    if (buffer == nullptr) return 1;

    char16_t line[MAX_ARG_LEN] = {};

    // The handle text: leading white space skipped, then everything up to the
    // first comma. The argument ends at its terminator or at the end of the
    // host's buffer, whichever comes first.
    int32_t at = 0;
    while (at < MAX_ARG_LEN && buffer[at] != 0 && IsWideSpace(buffer[at])) ++at;
    int32_t collected = 0;
    bool stoppedInside = false;
    while (at < MAX_ARG_LEN && buffer[at] != 0 && buffer[at] != u',') {
        if (collected == MAX_ARG_LEN - 1) {
            stoppedInside = true;
            break;
        }
        line[collected++] = buffer[at++];
    }
    line[collected] = 0;

    if (collected == 0) {
        ReportError(u"No handle\r\n");
        return INVALID_ARGUMENT_RESULT;
    }
    if (stoppedInside) {
        ReportError(u"No text argument\r\n");
        return INVALID_ARGUMENT_RESULT;
    }

    HostHandle handle = 0;
    if (!ParseHandle(line, &handle)) {
        ReportError(u"Bad handle \"%s\"\r\n", line);
        return INVALID_ARGUMENT_RESULT;
    }

    // The text is everything after the first comma, commas included; without
    // a comma it is empty and the line is a bare CR LF.
    int32_t length = 0;
    if (buffer[at] == u',') {
        const char16_t* text = buffer + at + 1;
        const int32_t room = MAX_ARG_LEN - at - 1;
        while (length < room && text[length] != 0) ++length;
        if (length > LINE_TEXT_LIMIT) {
            ReportError(u"String too long\r\n");
            return INVALID_ARGUMENT_RESULT;
        }
        for (int32_t i = 0; i < length; ++i) line[i] = text[i];
    }
    line[length] = 0;
    Unremap(line, line);
    line[length++] = u'\r';
    line[length++] = u'\n';
    line[length] = 0;

    if (WriteLine(handle, line, length)) {
        Sprintf(buffer, u"%d", length);
    } else {
        WideCopy(buffer, MAX_ARG_LEN, u"-1");
    }
    return 0;
}

PLUM_EXPORT int32_t PLUM_CALL f_safewrite(char16_t* buffer) { return SafeWrite(buffer); }

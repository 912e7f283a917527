// The variable functions that count safe forms and dangerous characters,
// bring host and environment values in remapped, and undo or escape the
// remapping: @COUNTSAFE, @COUNTSAFEX, @COUNTUNSAFE, @COUNTUNSAFEX, @SAFEENV,
// @SAFEEXP, @UNSAFE and @UNSAFEESC.
#include "abi/abi.h"
#include "abi/exports.h"
#include "charset/unsafe_set.h"
#include "core/errors.h"
#include "core/text.h"
#include "functions/host_expansion.h"
#include "functions/number_text.h"
#include "platform/platform.h"

namespace {

// CountChars on the argument, then the count in decimal over it. A negative
// result (null buffer, missing or over-long name, failed expansion) is
// passed on and the buffer keeps its text.
int32_t CountInto(char16_t* buffer, int32_t mode, bool expand) {
    const int32_t count = CountChars(buffer, mode, expand);
    if (count < 0) return count;
    buffer[0] = 0;
    AppendDecimal(buffer, MAX_ARG_LEN, static_cast<uint32_t>(count));
    return 0;
}

// The escape sequence the host reads back as the plain character c: "%%"
// for a percent sign, otherwise "%=" and the character, with "k" standing for
// a back-quote and "q" for a double quote. Returns its length.
int32_t EscapeSequence(char16_t c, char16_t* sequence) {
    int32_t length = 0;
    sequence[length++] = u'%';
    if (c != u'%') sequence[length++] = u'=';
    sequence[length++] = c == u'`' ? u'k' : c == u'"' ? u'q' : c;
    return length;
}

}  // namespace

PLUM_EXPORT int32_t PLUM_CALL f_countsafe(char16_t* buffer) { return CountInto(buffer, 0, false); }

PLUM_EXPORT int32_t PLUM_CALL f_countsafex(char16_t* buffer) { return CountInto(buffer, 0, true); }

PLUM_EXPORT int32_t PLUM_CALL f_countunsafe(char16_t* buffer) { return CountInto(buffer, 1, false); }

PLUM_EXPORT int32_t PLUM_CALL f_countunsafex(char16_t* buffer) { return CountInto(buffer, 1, true); }

PLUM_EXPORT int32_t PLUM_CALL f_safeenv(char16_t* buffer) {
    if (buffer == nullptr) return 1;
    const char16_t* name = NameArgument(buffer);
    if (name[0] == 0) {
        ReportError(u"No variable name\r\n");
        return INVALID_ARGUMENT_RESULT;
    }

    char16_t work[MAX_ARG_LEN] = {};
    const int32_t length = PlatGetEnvironment(name, work, MAX_ARG_LEN);
    work[MAX_ARG_LEN - 1] = 0;
    if (length <= 0) {
        buffer[0] = 0;
        return 0;
    }
    // The read gives the size it needs when the value does not fit; an empty
    // result would pass for an empty variable, so say what happened instead.
    if (length > MAX_ARG_LEN - 1) {
        ReportError(u"Environment variable value too long\r\n");
        return INVALID_ARGUMENT_RESULT;
    }
    Remap(work, buffer);
    return 0;
}

PLUM_EXPORT int32_t PLUM_CALL f_safeexp(char16_t* buffer) {
    if (buffer == nullptr) return 1;
    const char16_t* name = NameArgument(buffer);
    if (name[0] == 0) {
        ReportError(u"Missing variable or function name\r\n");
        return INVALID_ARGUMENT_RESULT;
    }
    if (TextStartsWithIgnoreAsciiCase(name, u"@safeexp[")) {
        ReportError(u"Don\u2019t make my brain explode!\r\n");
        return INVALID_ARGUMENT_RESULT;
    }
    return ExpandThroughHost(buffer, u"%", name, u"", 0, u"Name too long\r\n");
}

PLUM_EXPORT int32_t PLUM_CALL f_unsafe(char16_t* buffer) {
    if (buffer == nullptr) return 1;
    Unremap(buffer, buffer);
    return 0;
}

PLUM_EXPORT int32_t PLUM_CALL f_unsafeesc(char16_t* buffer) {
    if (buffer == nullptr) return 1;
    Unremap(buffer, buffer);

    char16_t work[MAX_ARG_LEN] = {};
    int32_t length = 0;
    for (const char16_t* c = buffer; *c != 0; ++c) {
        char16_t sequence[3];
        int32_t count = 1;
        if (IsDangerous(*c)) {
            count = EscapeSequence(*c, sequence);
        } else {
            sequence[0] = *c;
            // A surrogate pair goes whole or not at all.
            if (IsHighSurrogate(c[0]) && IsLowSurrogate(c[1])) {
                sequence[count++] = *++c;
            }
        }
        // A result past REMAP_LIMIT is cut, but only between sequences: half
        // a sequence would leave a bare "%" for the host to act on, half a
        // surrogate pair an unpaired surrogate.
        if (count > REMAP_LIMIT - length) break;
        for (int32_t i = 0; i < count; ++i) work[length++] = sequence[i];
    }
    work[length] = 0;
    TextCopy(buffer, MAX_ARG_LEN, work);
    return 0;
}

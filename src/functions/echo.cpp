// SAFEECHO and SAFEECHOS: print the argument with every safe form turned back
// into its plain character, with or without a line end.
#include "core/char_classes.h"
#include "functions/echo.h"

#include "abi/exports.h"
#include "abi/host_services.h"
#include "charset/unsafe_set.h"
#include "core/text.h"
#include "shared/usage_texts.h"

int32_t EchoUnremapped(const char16_t* text, bool lineEnd) {
    if (text == nullptr) return 1;

    // Work on a terminated copy, so nothing below reads past the host's
    // buffer even if it came without a terminator.
    char16_t output[MAX_ARG_LEN];
    TextCopy(output, MAX_ARG_LEN, text);

    // "/?" and "/??" count only when they are the whole argument after any
    // leading white space.
    const char16_t* first = output;
    while (CharIsSpace(*first)) ++first;
    if (AnswerHelpOption(first, lineEnd ? u"safeecho" : u"safeechos")) return 0;

    // The host passes the separating space as part of the argument: one white
    // space unit goes, any further ones are the user's. Unremap copies
    // forwards, so it may write to the start of the buffer it reads.
    Unremap(CharIsSpace(output[0]) ? output + 1 : output, output);
    int32_t length = TextLength(output);

    if (lineEnd) {
        // The line end always fits: a text that fills the buffer is cut to
        // leave room for CR LF, and never between the halves of a surrogate
        // pair.
        if (length > REMAP_LIMIT - 2) {
            length = REMAP_LIMIT - 2;
            if (IsHighSurrogate(output[length - 1])) --length;
        }
        output[length++] = u'\r';
        output[length++] = u'\n';
        output[length] = 0;
    }
    QPuts(output);
    return 0;
}

PLUM_EXPORT int32_t PLUM_CALL safeecho(char16_t* buffer) { return EchoUnremapped(buffer, true); }

PLUM_EXPORT int32_t PLUM_CALL safeechos(char16_t* buffer) { return EchoUnremapped(buffer, false); }

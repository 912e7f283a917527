// @TAGATTR. The argument is a name, at most one list separator and a text
// that starts with a tag; the text is cut into white-space separated tokens,
// quotes removed, and the first name=value token whose name matches gives
// the value. The scan goes on past the first ">", so a later tag may supply
// the value too.
#include "typography/tag_attributes.h"

#include "charset/unsafe_set.h"
#include "core/char_classes.h"
#include "core/errors.h"
#include "core/text.h"

namespace {

// The requested name is kept to this many units. A longer name is never
// matched: cut short, it could match a shorter attribute.
constexpr int32_t ATTRIBUTE_NAME_LIMIT = 1023;
// The most units a token holds; further units of it are dropped.
constexpr int32_t TOKEN_LIMIT = MAX_ARG_LEN - 1;

enum class QuoteState { NONE, SINGLE, DOUBLE };

struct AttributeName {
    int32_t start;   // where the name begins in the argument
    int32_t length;  // all of it, also past ATTRIBUTE_NAME_LIMIT
    bool bad;        // it holds a unit that is not a letter or digit
};

bool IsPlainOrSafeForm(char16_t c, char16_t plain) {
    return c == plain || c == static_cast<char16_t>(plain + SAFE_FORM_OFFSET);
}

bool IsTagStart(char16_t c) { return IsPlainOrSafeForm(c, u'<'); }
bool IsTagEnd(char16_t c) { return IsPlainOrSafeForm(c, u'>'); }
bool IsSingleQuote(char16_t c) { return IsPlainOrSafeForm(c, u'\''); }
bool IsDoubleQuote(char16_t c) { return IsPlainOrSafeForm(c, u'"'); }

// The character at i, or the terminator past the end.
char16_t At(const char16_t* text, int32_t length, int32_t i) { return i < length ? text[i] : 0; }

int32_t SkipSpaces(const char16_t* text, int32_t length, int32_t i) {
    while (CharIsSpace(At(text, length, i))) ++i;
    return i;
}

// The name runs to a list separator, white space or the end of the text.
// Every unit of it is taken, a bad one too, so that the message shows it.
AttributeName ReadName(const char16_t* text, int32_t length, int32_t start) {
    AttributeName name = {start, 0, false};
    for (char16_t c; (c = At(text, length, start + name.length)) != 0 && !IsListSeparator(c) && !CharIsSpace(c);
         ++name.length) {
        if (!CharIsLetterOrDigit(c)) name.bad = true;
    }
    return name;
}

// The name as the message shows it: its first ATTRIBUTE_NAME_LIMIT units,
// ASCII letters in lower case.
void LowerCaseName(const char16_t* text, const AttributeName& name, char16_t* shown) {
    const int32_t kept = name.length < ATTRIBUTE_NAME_LIMIT ? name.length : ATTRIBUTE_NAME_LIMIT;
    for (int32_t k = 0; k < kept; ++k) shown[k] = AsciiToLower(text[name.start + k]);
    shown[kept] = 0;
}

// The token's name (the units before its "=") is the whole requested name,
// ASCII letters folded. A token without an "=" has no name (equals is -1).
bool TokenNameMatches(const char16_t* token, int32_t equals, const char16_t* text, const AttributeName& name) {
    if (equals != name.length) return false;
    for (int32_t k = 0; k < equals; ++k) {
        if (AsciiToLower(token[k]) != AsciiToLower(text[name.start + k])) return false;
    }
    return true;
}

// Scans the tokens from position i on, collecting each into token. True when
// one matches the name: its value is token[*valueStart] for *valueLength
// units. A token that the end of the text cuts off is not examined.
bool FindValue(const char16_t* text, int32_t length, int32_t i, const AttributeName& name, char16_t* token,
               int32_t* valueStart, int32_t* valueLength) {
    int32_t tokenLength = 0;
    int32_t equals = -1;
    QuoteState quote = QuoteState::NONE;
    for (;; ++i) {
        const char16_t c = At(text, length, i);
        if (c == 0) return false;
        if (quote == QuoteState::NONE && IsSingleQuote(c)) {
            quote = QuoteState::SINGLE;
        } else if (quote == QuoteState::NONE && IsDoubleQuote(c)) {
            quote = QuoteState::DOUBLE;
        } else if ((quote == QuoteState::SINGLE && IsSingleQuote(c)) ||
                   (quote == QuoteState::DOUBLE && IsDoubleQuote(c))) {
            quote = QuoteState::NONE;
        } else if (quote == QuoteState::NONE && (CharIsSpace(c) || IsTagEnd(c))) {
            if (TokenNameMatches(token, equals, text, name)) {
                *valueStart = equals + 1;
                *valueLength = tokenLength - equals - 1;
                return true;
            }
            tokenLength = 0;
            equals = -1;
        } else if (tokenLength < TOKEN_LIMIT) {
            // Only an "=" outside quotes separates the name from the value.
            if (quote == QuoteState::NONE && equals < 0 && c == u'=') equals = tokenLength;
            token[tokenLength++] = c;
        }
    }
}

}  // namespace

PLUM_EXPORT int32_t PLUM_CALL f_tagattr(char16_t* buffer) {
    if (buffer == nullptr) return 1;
    const int32_t length = TextBoundedLength(buffer, REMAP_LIMIT);

    int32_t i = SkipSpaces(buffer, length, 0);
    if (!CharIsLetterOrDigit(At(buffer, length, i))) {
        ReportError(u"Missing attribute name\r\n");
        return -1;
    }
    const AttributeName name = ReadName(buffer, length, i);

    // The token buffer holds the name for the message, then the tokens. The
    // argument buffer is written only at the end: the tag is read from it.
    char16_t token[MAX_ARG_LEN];
    if (name.bad) {
        LowerCaseName(buffer, name, token);
        ReportError(u"Bad characters in attribute name:  \"%s\"\r\n", token);
        return -1;
    }

    i = SkipSpaces(buffer, length, i + name.length);
    if (IsListSeparator(At(buffer, length, i))) i = SkipSpaces(buffer, length, i + 1);

    int32_t valueStart = 0;
    int32_t valueLength = 0;
    bool found = false;
    if (IsTagStart(At(buffer, length, i)) && name.length <= ATTRIBUTE_NAME_LIMIT) {
        // Past the "<" and the tag's name to its first attribute.
        ++i;
        while (CharIsLetter(At(buffer, length, i))) ++i;
        i = SkipSpaces(buffer, length, i);
        found = FindValue(buffer, length, i, name, token, &valueStart, &valueLength);
    }

    if (!found) valueLength = 0;
    for (int32_t k = 0; k < valueLength; ++k) buffer[k] = token[valueStart + k];
    buffer[valueLength] = 0;
    return 0;
}

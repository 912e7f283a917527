// @UQUOTES. Each quote is decided by the character produced just before it,
// the few input characters after it and, for a quote that begins a word, that
// word; nothing else is remembered, so there is no nesting and no state
// between calls.
#include "typography/smart_quotes.h"

#include "charset/unsafe_set.h"
#include "core/char_classes.h"
#include "platform/platform.h"
#include "plugin/numbers.h"
#include "plugin/wide.h"

namespace {

// The roles a produced character plays; the settings are read in this order.
enum QuoteRole : int32_t {
    OPEN_DOUBLE,
    CLOSE_DOUBLE,
    OPEN_SINGLE,
    CLOSE_SINGLE,
    APOSTROPHE,
    PRIME,
    DOUBLE_PRIME,
    OKINA,
    ROLE_COUNT
};

struct RoleSetting {
    const char16_t* variable;
    char16_t defaultUnit;
};

const RoleSetting kRoleSettings[ROLE_COUNT] = {
    {u"OPENQUOTE", 0x201C},  {u"CLOSEQUOTE", 0x201D}, {u"OPENSQUOTE", 0x2018}, {u"CLOSESQUOTE", 0x2019},
    {u"APOSTROPHE", 0x2019}, {u"PRIME", u'\''},       {u"DOUBLEPRIME", u'"'},  {u"'OKINA", 0x2018},
};

// The character each role produces in this call.
struct QuoteSettings {
    char16_t unit[ROLE_COUNT];
};

// A setting's value must fit in 1023 code units and its terminator.
constexpr int32_t SETTING_VALUE_LEN = 1024;
// Below this a value is a control character, or a digit typed as a number.
constexpr uint32_t LOWEST_SETTING = 0x20;
constexpr char16_t EM_DASH = 0x2014;

// The words a quote at their start belongs to as an apostrophe, all spelt
// with a..z and the apostrophe only.
struct Contraction {
    const char16_t* word;
    int32_t length;
};

template <int32_t N>
constexpr Contraction Word(const char16_t (&word)[N]) {
    return {word, N - 1};
}

const Contraction kContractions[] = {
    Word(u"'cos"),   Word(u"'cus"),    Word(u"'em"),      Word(u"'mid"),    Word(u"'mongst"),   Word(u"'n"),
    Word(u"'n'"),    Word(u"'neath"),  Word(u"'tain't"),  Word(u"'til"),    Word(u"'tis"),      Word(u"'tisn't"),
    Word(u"'twas"),  Word(u"'twasn't"), Word(u"'tween"),  Word(u"'twere"),  Word(u"'twern't"),  Word(u"'twixt"),
    Word(u"'twould"), Word(u"'twouldn't"), Word(u"'un"),
};
constexpr int32_t LONGEST_CONTRACTION = 10;

bool IsPlainOrSafeForm(char16_t c, char16_t plain) {
    return c == plain || c == static_cast<char16_t>(plain + SAFE_FORM_OFFSET);
}

bool IsDoubleQuote(char16_t c) { return IsPlainOrSafeForm(c, u'"'); }
bool IsSingleQuote(char16_t c) { return IsPlainOrSafeForm(c, u'\''); }
bool IsHyphen(char16_t c) { return IsPlainOrSafeForm(c, u'-'); }

// One quarter to three quarters, and one seventh to seven eighths.
bool IsFraction(char16_t c) { return (c >= 0xBC && c <= 0xBE) || (c >= 0x2150 && c <= 0x215E); }

// The end of the text counts as a line end.
bool IsLineEnd(char16_t c) { return c == 0 || c == u'\n' || c == u'\r'; }

// A number ends here: a digit or a fraction character.
bool IsNumberPart(char16_t c) { return CharIsDigit(c) || IsFraction(c); }

// a, e, i, o, u in either case, and the same five with a macron.
bool IsVowel(char16_t c) {
    switch (WideToLower(c)) {
        case u'a': case u'e': case u'i': case u'o': case u'u':
        case 0x0100: case 0x0101: case 0x0112: case 0x0113: case 0x012A:
        case 0x012B: case 0x014C: case 0x014D: case 0x016A: case 0x016B:
            return true;
        default:
            return false;
    }
}

// A code unit a surrogate half would leave unpaired in the result.
bool IsSurrogate(uint32_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// The code unit a setting's value names: a single character of its own, or
// a number (decimal or "0x" hexadecimal) with only white space around it,
// from 32 to 65535. False when the value names none.
bool SettingFromValue(const char16_t* value, int32_t length, char16_t* unit) {
    if (length == 1 && value[0] >= LOWEST_SETTING && !CharIsDigit(value[0])) {
        if (IsSurrogate(value[0])) return false;
        *unit = value[0];
        return true;
    }
    const char16_t* start = value;
    while (CharIsSpace(*start)) ++start;
    if (CharDigitValue(*start) < 0) return false;
    uint32_t number = 0;
    const char16_t* end = nullptr;
    if (ParseNumber(start, &number, &end) != 0) return false;
    while (CharIsSpace(*end)) ++end;
    if (*end != 0 || number < LOWEST_SETTING || number > 0xFFFF || IsSurrogate(number)) return false;
    *unit = static_cast<char16_t>(number);
    return true;
}

// The defaults, each replaced by its environment variable where that names
// a usable character. An unusable value is ignored without a word.
void ReadQuoteSettings(QuoteSettings* settings) {
    for (int32_t role = 0; role < ROLE_COUNT; ++role) {
        settings->unit[role] = kRoleSettings[role].defaultUnit;
        char16_t value[SETTING_VALUE_LEN];
        const int32_t length = PlatGetEnvironment(kRoleSettings[role].variable, value, SETTING_VALUE_LEN);
        // 0 for an unset or empty variable; the size a value needs when it
        // does not fit.
        if (length <= 0 || length >= SETTING_VALUE_LEN) continue;
        value[length] = 0;
        char16_t unit = 0;
        if (SettingFromValue(value, length, &unit)) settings->unit[role] = unit;
    }
}

// The unit the list spells a word's character with: ASCII letters in lower
// case, and every single quotation mark as the apostrophe.
char16_t ContractionUnit(char16_t c) {
    if (c == 0x2018 || c == 0x2019 || c == 0xFF07) return u'\'';
    return WideToLower(c);
}

// True when the word that begins at the quote rest[0] (its letters and
// single quotes, within the available units) is a listed contraction.
bool IsContraction(const char16_t* rest, int32_t available) {
    // The word is collected only while it can still be one of the list: a
    // unit outside a..z and "'" ends it or spoils it, and a word longer than
    // the longest entry matches none. So the test reads at most eleven units.
    char16_t word[LONGEST_CONTRACTION];
    int32_t length = 0;
    char16_t unit = 0;
    for (int32_t k = 0;; ++k) {
        unit = k < available ? ContractionUnit(rest[k]) : 0;
        if (unit != u'\'' && (unit < u'a' || unit > u'z')) break;
        if (length == LONGEST_CONTRACTION) return false;
        word[length++] = unit;
    }
    // A letter of another alphabet carries the word on: not a listed one.
    if (CharIsLetter(unit)) return false;

    for (const Contraction& entry : kContractions) {
        if (entry.length != length) continue;
        int32_t k = 0;
        while (k < length && entry.word[k] == word[k]) ++k;
        if (k == length) return true;
    }
    return false;
}

// The character at i, or the terminator past the end.
char16_t At(const char16_t* text, int32_t length, int32_t i) { return i < length ? text[i] : 0; }

QuoteRole DoubleQuoteRole(char16_t previous, char16_t next, const QuoteSettings& settings) {
    // Inches and seconds: a number before, nothing more of a word after.
    if (IsNumberPart(previous) && (CharIsSpace(next) || IsLineEnd(next))) return DOUBLE_PRIME;
    // It closes what a graphic character ends; but right after an opening
    // single quote it opens.
    if (CharIsGraphic(previous) && previous != settings.unit[OPEN_SINGLE]) return CLOSE_DOUBLE;
    // A quote on its own after white space at the end of a line closes.
    if (CharIsSpace(previous) && IsLineEnd(next)) return CLOSE_DOUBLE;
    return OPEN_DOUBLE;
}

// rest[0] is the quote; the rules go from the general to the particular,
// each later one that applies replacing the choice so far.
QuoteRole SingleQuoteRole(const char16_t* rest, int32_t available, char16_t previous,
                          const QuoteSettings& settings) {
    const char16_t next = At(rest, available, 1);

    QuoteRole role;
    if (CharIsGraphic(previous) && previous != settings.unit[OPEN_DOUBLE]) {
        // Inside a word (don't) it is an apostrophe, else it closes.
        role = CharIsLetterOrDigit(previous) && CharIsLetter(next) ? APOSTROPHE : CLOSE_SINGLE;
    } else {
        role = CharIsSpace(previous) && IsLineEnd(next) ? CLOSE_SINGLE : OPEN_SINGLE;
    }

    if (!CharIsLetter(previous) && CharIsLetter(next)) {
        // A quote that begins a word: 'tis, 'n', 'twas.
        if (IsContraction(rest, available)) role = APOSTROPHE;
    } else if (IsVowel(previous) && IsVowel(next)) {
        // Between two vowels (Hawai'i) it is the glottal stop.
        role = OKINA;
    }

    // A two-digit year: '99, but not '90s or '123. The digits after the
    // first are looked at only while there are digits.
    if (!CharIsLetterOrDigit(previous) && CharIsDigit(next) && CharIsDigit(At(rest, available, 2)) &&
        !CharIsLetterOrDigit(At(rest, available, 3))) {
        role = APOSTROPHE;
    }

    // Feet and minutes: a number before, a number or nothing more after.
    if (IsNumberPart(previous) && (IsNumberPart(next) || CharIsSpace(next) || IsLineEnd(next))) role = PRIME;
    return role;
}

// Two hyphens of one kind, neither part of a longer run.
bool IsDoubleHyphen(char16_t previous, char16_t c, char16_t next, char16_t afterNext) {
    return !IsHyphen(previous) && next == c && !IsHyphen(afterNext);
}

// Converts the text in place. The result never gets ahead of the input (each
// input character gives at most one), and every rule looks only at the
// character produced last and at input not yet passed, so writing over what
// has been read loses nothing.
void ConvertQuotes(char16_t* text, int32_t length, const QuoteSettings& settings) {
    char16_t previous = u' ';
    int32_t out = 0;
    for (int32_t i = 0; i < length; ++i) {
        const char16_t c = text[i];
        char16_t r = c;
        if (IsDoubleQuote(c)) {
            r = settings.unit[DoubleQuoteRole(previous, At(text, length, i + 1), settings)];
        } else if (IsSingleQuote(c)) {
            r = settings.unit[SingleQuoteRole(text + i, length - i, previous, settings)];
        } else if (IsHyphen(c) && IsDoubleHyphen(previous, c, At(text, length, i + 1), At(text, length, i + 2))) {
            r = EM_DASH;
            ++i;  // the pair gives one character
        }
        text[out++] = r;
        previous = r;
    }
    text[out] = 0;
}

}  // namespace

PLUM_EXPORT int32_t PLUM_CALL f_uquotes(char16_t* buffer) {
    if (buffer == nullptr) return 1;
    if (buffer[0] == 0) return 0;

    QuoteSettings settings;
    ReadQuoteSettings(&settings);
    // The text is at most REMAP_LIMIT units, and the result no longer.
    ConvertQuotes(buffer, WideBoundedLength(buffer, REMAP_LIMIT), settings);
    return 0;
}

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

// A setting's value must fit in 1023 code units and its terminator.
constexpr int32_t SETTING_VALUE_LEN = 1024;
// Below this a value is a control character, or a digit typed as a number.
constexpr uint32_t LOWEST_SETTING = 0x20;
constexpr char16_t EM_DASH = 0x2014;

// A character and its classes as the rules ask for them. A quote's rules ask
// several questions of the same two characters, so each class is looked up
// in the class module once at most, and only when a rule needs it.
struct CharFacts {
    char16_t c;
    int8_t letter;  // -1 until asked, then 0 or 1
    int8_t digit;
    int8_t punct;
    int8_t space;
};

CharFacts FactsOf(char16_t c) { return {c, -1, -1, -1, -1}; }

bool Remember(int8_t* fact, bool (*lookup)(char16_t), char16_t c) {
    if (*fact < 0) *fact = lookup(c) ? 1 : 0;
    return *fact != 0;
}

bool IsLetter(CharFacts* f) { return Remember(&f->letter, CharIsLetter, f->c); }
bool IsDigit(CharFacts* f) { return Remember(&f->digit, CharIsDigit, f->c); }
bool IsSpace(CharFacts* f) { return Remember(&f->space, CharIsSpace, f->c); }
bool IsLetterOrDigit(CharFacts* f) { return IsLetter(f) || IsDigit(f); }
// Letter, digit or punctuation, as CharIsGraphic.
bool IsGraphic(CharFacts* f) { return IsLetterOrDigit(f) || Remember(&f->punct, CharIsPunct, f->c); }

// The characters this call produces in place of quotes and hyphen pairs. They
// come before quotes again and again, so their facts are kept for the call.
struct QuoteSettings {
    CharFacts role[ROLE_COUNT];
    CharFacts emDash;
};

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

constexpr Contraction kContractions[] = {
    Word(u"'cos"),   Word(u"'cus"),    Word(u"'em"),      Word(u"'mid"),    Word(u"'mongst"),   Word(u"'n"),
    Word(u"'n'"),    Word(u"'neath"),  Word(u"'tain't"),  Word(u"'til"),    Word(u"'tis"),      Word(u"'tisn't"),
    Word(u"'twas"),  Word(u"'twasn't"), Word(u"'tween"),  Word(u"'twere"),  Word(u"'twern't"),  Word(u"'twixt"),
    Word(u"'twould"), Word(u"'twouldn't"), Word(u"'un"),
};
constexpr int32_t LONGEST_CONTRACTION = 10;

// One bit per unit a listed word is spelt with: a..z, then the apostrophe.
constexpr uint32_t ListBit(char16_t unit) { return unit == u'\'' ? 1u << 26 : 1u << (unit - u'a'); }

// For each position, the units that some listed word has there.
struct UnitsByPosition {
    uint32_t at[LONGEST_CONTRACTION];
};

constexpr UnitsByPosition ListedUnitsByPosition() {
    UnitsByPosition units{};
    for (const Contraction& entry : kContractions) {
        for (int32_t k = 0; k < entry.length; ++k) units.at[k] |= ListBit(entry.word[k]);
    }
    return units;
}

constexpr UnitsByPosition kListedUnits = ListedUnitsByPosition();

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
bool IsNumberPart(CharFacts* f) { return IsDigit(f) || IsFraction(f->c); }

// ASCII letters in lower case, every other unit as it is: WideToLower, kept
// in this file so that the per-character tests below inline it.
char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c; }

// a, e, i, o, u in either case, and the same five with a macron.
bool IsVowel(char16_t c) {
    switch (FoldAscii(c)) {
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
        char16_t unit = kRoleSettings[role].defaultUnit;
        char16_t value[SETTING_VALUE_LEN];
        const int32_t length = PlatGetEnvironment(kRoleSettings[role].variable, value, SETTING_VALUE_LEN);
        // 0 for an unset or empty variable; the size a value needs when it
        // does not fit.
        if (length > 0 && length < SETTING_VALUE_LEN) {
            value[length] = 0;
            SettingFromValue(value, length, &unit);
        }
        settings->role[role] = FactsOf(unit);
    }
    settings->emDash = FactsOf(EM_DASH);
}

// The unit the list spells a word's character with: an ASCII letter in lower
// case, and every single quotation mark as the apostrophe; 0 for any other
// character, none of which a listed word holds.
char16_t ListUnit(char16_t c) {
    if (c == u'\'' || c == 0x2018 || c == 0x2019 || c == 0xFF07) return u'\'';
    const char16_t folded = FoldAscii(c);
    return folded >= u'a' && folded <= u'z' ? folded : 0;
}

// True when the word that begins at the quote rest[0] (its letters and
// single quotes, within the available units) is a listed contraction.
bool IsContraction(const char16_t* rest, int32_t available) {
    // The word is read only while it can still be one of the list: a unit
    // that no listed word has at its position spoils it, and so does any
    // unit past the longest. So the test stops early on most words and
    // never reads more than eleven units.
    char16_t word[LONGEST_CONTRACTION];
    int32_t length = 0;
    char16_t unit = 0;
    for (; length < available && (unit = ListUnit(rest[length])) != 0; ++length) {
        if (length == LONGEST_CONTRACTION || (kListedUnits.at[length] & ListBit(unit)) == 0) return false;
        word[length] = unit;
    }
    // A letter of another alphabet carries the word on: not a listed one.
    if (length < available && CharIsLetter(rest[length])) return false;

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

QuoteRole DoubleQuoteRole(CharFacts* p, char16_t next, QuoteSettings* settings) {
    CharFacts n = FactsOf(next);
    // Inches and seconds: a number before, nothing more of a word after.
    if (IsNumberPart(p) && (IsSpace(&n) || IsLineEnd(next))) return DOUBLE_PRIME;
    // It closes what a graphic character ends; but right after an opening
    // single quote it opens.
    if (IsGraphic(p) && p->c != settings->role[OPEN_SINGLE].c) return CLOSE_DOUBLE;
    // A quote on its own after white space at the end of a line closes.
    if (IsSpace(p) && IsLineEnd(next)) return CLOSE_DOUBLE;
    return OPEN_DOUBLE;
}

// rest[0] is the quote. Of the rules, a later one overrides an earlier one
// wherever both apply; they are tried here from the last to the first, and
// the first that applies decides.
QuoteRole SingleQuoteRole(const char16_t* rest, int32_t available, CharFacts* p, QuoteSettings* settings) {
    CharFacts n = FactsOf(At(rest, available, 1));

    // Feet and minutes: a number before, a number or nothing more after.
    if (IsNumberPart(p) && (IsNumberPart(&n) || IsSpace(&n) || IsLineEnd(n.c))) return PRIME;

    // A two-digit year: '99, but not '90s or '123. The units after the first
    // digit are looked at only while there are digits.
    if (!IsLetterOrDigit(p) && IsDigit(&n) && CharIsDigit(At(rest, available, 2)) &&
        !CharIsLetterOrDigit(At(rest, available, 3))) {
        return APOSTROPHE;
    }

    if (!IsLetter(p) && IsLetter(&n)) {
        // A quote that begins a word: 'tis, 'n', 'twas.
        if (IsContraction(rest, available)) return APOSTROPHE;
    } else if (IsVowel(p->c) && IsVowel(n.c)) {
        // Between two vowels (Hawai'i) it is the glottal stop.
        return OKINA;
    }

    // It closes what a graphic character ends, or inside a word (don't) is
    // an apostrophe; but right after an opening double quote it opens.
    if (IsGraphic(p) && p->c != settings->role[OPEN_DOUBLE].c) {
        return IsLetterOrDigit(p) && IsLetter(&n) ? APOSTROPHE : CLOSE_SINGLE;
    }
    return IsSpace(p) && IsLineEnd(n.c) ? CLOSE_SINGLE : OPEN_SINGLE;
}

// Two hyphens of one kind, neither part of a longer run.
bool IsDoubleHyphen(char16_t previous, char16_t c, char16_t next, char16_t afterNext) {
    return !IsHyphen(previous) && next == c && !IsHyphen(afterNext);
}

// Every character the rules act on ("\"", "'", "-" and their safe forms)
// lies at one end of the code-unit range or the other; what lies between
// is copied as it is.
bool MayBeActedOn(char16_t c) { return c <= u'-' || c >= 0xFF02; }

// The facts of the character produced for c, or null when c is copied as it
// is. Advances *i past a hyphen pair.
CharFacts* ProducedFor(char16_t* text, int32_t length, int32_t* i, char16_t previous, CharFacts* produced,
                       QuoteSettings* settings) {
    const char16_t c = text[*i];
    // A character copied as it is gets its facts only when a quote follows.
    CharFacts copied = FactsOf(previous);
    CharFacts* p = produced != nullptr ? produced : &copied;
    if (IsDoubleQuote(c)) return &settings->role[DoubleQuoteRole(p, At(text, length, *i + 1), settings)];
    if (IsSingleQuote(c)) return &settings->role[SingleQuoteRole(text + *i, length - *i, p, settings)];
    if (IsHyphen(c) && IsDoubleHyphen(previous, c, At(text, length, *i + 1), At(text, length, *i + 2))) {
        ++*i;  // the pair gives one character
        return &settings->emDash;
    }
    return nullptr;
}

// Converts the text in place. The result never gets ahead of the input (each
// input character gives at most one), and every rule looks only at the
// character produced last and at input not yet passed, so writing over what
// has been read loses nothing.
void ConvertQuotes(char16_t* text, int32_t length, QuoteSettings* settings) {
    char16_t previous = u' ';        // the character produced last
    CharFacts* produced = nullptr;   // its facts, when a rule produced it
    int32_t out = 0;
    for (int32_t i = 0; i < length; ++i) {
        produced = MayBeActedOn(text[i]) ? ProducedFor(text, length, &i, previous, produced, settings) : nullptr;
        previous = produced != nullptr ? produced->c : text[i];
        text[out++] = previous;
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
    ConvertQuotes(buffer, WideBoundedLength(buffer, REMAP_LIMIT), &settings);
    return 0;
}

// @UQUOTES. Each quote is decided by the character produced just before it,
// the few input characters after it and, for a quote that begins a word, that
// word; nothing else is remembered, so there is no nesting and no state
// between calls.
#include "typography/smart_quotes.h"

#include "charset/unsafe_set.h"
#include "core/char_classes.h"
#include "platform/platform.h"
#include "core/numbers.h"
#include "core/text.h"

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

// The characters the rules act on lie in U+0022..U+002D and U+FF02..U+FF0D;
// everything else is copied as it is after this one test.
bool MayBeActedOn(char16_t c) { return c <= u'-' || (c >= 0xFF02 && c <= 0xFF0D); }

// One quarter to three quarters, and one seventh to seven eighths.
bool IsFraction(char16_t c) { return (c >= 0xBC && c <= 0xBE) || (c >= 0x2150 && c <= 0x215E); }

// The end of the text counts as a line end.
bool IsLineEnd(char16_t c) { return c == 0 || c == u'\n' || c == u'\r'; }

// ASCII letters in lower case, every other unit as it is: AsciiToLower, kept
// in this file so that the tests run per character below inline it.
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

// What the rules ask of a character, as bits. The last two compare it with
// the opening marks of the call's settings.
constexpr uint16_t IS_LETTER = 0x001;
constexpr uint16_t IS_DIGIT = 0x002;
constexpr uint16_t IS_PUNCT = 0x004;
constexpr uint16_t IS_SPACE = 0x008;
constexpr uint16_t IS_FRACTION = 0x010;
constexpr uint16_t IS_VOWEL = 0x020;
constexpr uint16_t IS_LINE_END = 0x040;
constexpr uint16_t IS_OPENING_DOUBLE = 0x080;
constexpr uint16_t IS_OPENING_SINGLE = 0x100;
// Nothing is known yet of a character copied as it is.
constexpr uint16_t NOT_KNOWN = 0x8000;
constexpr uint16_t IS_LETTER_OR_DIGIT = IS_LETTER | IS_DIGIT;
constexpr uint16_t IS_GRAPHIC = IS_LETTER | IS_DIGIT | IS_PUNCT;
// A number ends with such a character.
constexpr uint16_t IS_NUMBER_PART = IS_DIGIT | IS_FRACTION;

bool Has(uint16_t facts, uint16_t any) { return (facts & any) != 0; }

// A character that takes the place of a quote or a hyphen pair, and its facts.
struct Produced {
    char16_t unit;
    uint16_t facts;
};

// The facts of the characters a call has asked about. Each quote asks about
// the character before it and the one after it, and a text full of quotes
// asks about the same few characters again and again. Slot k keeps the last
// code unit asked about whose value is k modulo FACT_SLOTS (so ASCII never
// shares a slot).
constexpr int32_t FACT_SLOTS = 128;

struct FactCache {
    char16_t unit[FACT_SLOTS];
    uint16_t facts[FACT_SLOTS];
};

// Everything one call works with: the characters it produces, for each role
// (in the order the settings are read) and for a hyphen pair, and what it
// has learnt of other characters.
struct QuoteCall {
    Produced role[ROLE_COUNT];
    Produced emDash;
    FactCache cache;
};

uint16_t FactsOf(const QuoteCall& call, char16_t c) {
    return static_cast<uint16_t>(
        (CharIsLetter(c) ? IS_LETTER : 0) | (CharIsDigit(c) ? IS_DIGIT : 0) | (CharIsPunct(c) ? IS_PUNCT : 0) |
        (CharIsSpace(c) ? IS_SPACE : 0) | (IsFraction(c) ? IS_FRACTION : 0) | (IsVowel(c) ? IS_VOWEL : 0) |
        (IsLineEnd(c) ? IS_LINE_END : 0) | (c == call.role[OPEN_DOUBLE].unit ? IS_OPENING_DOUBLE : 0) |
        (c == call.role[OPEN_SINGLE].unit ? IS_OPENING_SINGLE : 0));
}

// An empty slot holds a unit that can never be asked about there: k ^ 1
// belongs to slot k ^ 1.
void ClearFacts(FactCache* cache) {
    for (int32_t k = 0; k < FACT_SLOTS; ++k) cache->unit[k] = static_cast<char16_t>(k ^ 1);
}

uint16_t Learn(QuoteCall* call, char16_t c) {
    const int32_t slot = c % FACT_SLOTS;
    call->cache.unit[slot] = c;
    call->cache.facts[slot] = FactsOf(*call, c);
    return call->cache.facts[slot];
}

uint16_t Recall(QuoteCall* call, char16_t c) {
    const int32_t slot = c % FACT_SLOTS;
    return call->cache.unit[slot] == c ? call->cache.facts[slot] : Learn(call, c);
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
void ReadQuoteSettings(QuoteCall* call) {
    for (int32_t role = 0; role < ROLE_COUNT; ++role) {
        char16_t* unit = &call->role[role].unit;
        *unit = kRoleSettings[role].defaultUnit;
        char16_t value[SETTING_VALUE_LEN];
        const int32_t length = PlatGetEnvironment(kRoleSettings[role].variable, value, SETTING_VALUE_LEN);
        // 0 for an unset or empty variable; the size a value needs when it
        // does not fit.
        if (length <= 0 || length >= SETTING_VALUE_LEN) continue;
        value[length] = 0;
        SettingFromValue(value, length, unit);
    }
}

// Readies a call: its settings, the facts of what it produces, an empty cache.
void BeginQuoteCall(QuoteCall* call) {
    ReadQuoteSettings(call);
    call->emDash.unit = EM_DASH;
    for (Produced& produced : call->role) produced.facts = FactsOf(*call, produced.unit);
    call->emDash.facts = FactsOf(*call, EM_DASH);
    ClearFacts(&call->cache);
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
bool IsContraction(const char16_t* rest, int32_t available, QuoteCall* call) {
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
    if (length < available && Has(Recall(call, rest[length]), IS_LETTER)) return false;

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

// p holds the facts of the character produced last, n those of the
// character after the quote.
QuoteRole DoubleQuoteRole(uint16_t p, uint16_t n) {
    // Inches and seconds: a number before, nothing more of a word after.
    if (Has(p, IS_NUMBER_PART) && Has(n, IS_SPACE | IS_LINE_END)) return DOUBLE_PRIME;
    // It closes what a graphic character ends; but right after an opening
    // single quote it opens.
    if (Has(p, IS_GRAPHIC) && !Has(p, IS_OPENING_SINGLE)) return CLOSE_DOUBLE;
    // A quote on its own after white space at the end of a line closes.
    if (Has(p, IS_SPACE) && Has(n, IS_LINE_END)) return CLOSE_DOUBLE;
    return OPEN_DOUBLE;
}

// rest[0] is the quote. Of the rules, a later one overrides an earlier one
// wherever both apply; they are tried here from the last to the first, and
// the first that applies decides.
QuoteRole SingleQuoteRole(const char16_t* rest, int32_t available, uint16_t p, uint16_t n, QuoteCall* call) {
    // Feet and minutes: a number before, a number or nothing more after.
    if (Has(p, IS_NUMBER_PART) && Has(n, IS_NUMBER_PART | IS_SPACE | IS_LINE_END)) return PRIME;

    // A two-digit year: '99, but not '90s or '123. The units after the first
    // digit are looked at only while there are digits.
    if (!Has(p, IS_LETTER_OR_DIGIT) && Has(n, IS_DIGIT) && Has(Recall(call, At(rest, available, 2)), IS_DIGIT) &&
        !Has(Recall(call, At(rest, available, 3)), IS_LETTER_OR_DIGIT)) {
        return APOSTROPHE;
    }

    if (!Has(p, IS_LETTER) && Has(n, IS_LETTER)) {
        // A quote that begins a word: 'tis, 'n', 'twas.
        if (IsContraction(rest, available, call)) return APOSTROPHE;
    } else if (Has(p, IS_VOWEL) && Has(n, IS_VOWEL)) {
        // Between two vowels (Hawai'i) it is the glottal stop.
        return OKINA;
    }

    // It closes what a graphic character ends, or inside a word (don't) is
    // an apostrophe; but right after an opening double quote it opens.
    if (Has(p, IS_GRAPHIC) && !Has(p, IS_OPENING_DOUBLE)) {
        return Has(p, IS_LETTER_OR_DIGIT) && Has(n, IS_LETTER) ? APOSTROPHE : CLOSE_SINGLE;
    }
    return Has(p, IS_SPACE) && Has(n, IS_LINE_END) ? CLOSE_SINGLE : OPEN_SINGLE;
}

// Two hyphens of one kind, neither part of a longer run.
bool IsDoubleHyphen(char16_t previous, char16_t c, char16_t next, char16_t afterNext) {
    return !IsHyphen(previous) && next == c && !IsHyphen(afterNext);
}

// What takes the place of the character at *i, which follows last (whose
// facts are in lastFacts, or NOT_KNOWN); null when it is copied as it is.
// Advances *i past a hyphen pair.
const Produced* ProducedFor(const char16_t* text, int32_t length, int32_t* i, char16_t last, uint16_t lastFacts,
                            QuoteCall* call) {
    const char16_t c = text[*i];
    const char16_t next = At(text, length, *i + 1);
    if (IsDoubleQuote(c) || IsSingleQuote(c)) {
        const uint16_t p = lastFacts == NOT_KNOWN ? Recall(call, last) : lastFacts;
        const uint16_t n = Recall(call, next);
        return &call->role[IsDoubleQuote(c) ? DoubleQuoteRole(p, n)
                                            : SingleQuoteRole(text + *i, length - *i, p, n, call)];
    }
    if (IsHyphen(c) && IsDoubleHyphen(last, c, next, At(text, length, *i + 2))) {
        ++*i;  // the pair gives one character
        return &call->emDash;
    }
    return nullptr;
}

// Converts the text in place. The result never gets ahead of the input (each
// input character gives at most one), and every rule looks only at the
// character produced last and at input not yet passed, so writing over what
// has been read loses nothing.
void ConvertQuotes(char16_t* text, int32_t length, QuoteCall* call) {
    char16_t last = u' ';             // the character produced last
    uint16_t lastFacts = NOT_KNOWN;   // and what is known of it
    int32_t out = 0;
    for (int32_t i = 0; i < length; ++i) {
        const Produced* produced = MayBeActedOn(text[i]) ? ProducedFor(text, length, &i, last, lastFacts, call)
                                                         : nullptr;
        last = produced != nullptr ? produced->unit : text[i];
        lastFacts = produced != nullptr ? produced->facts : NOT_KNOWN;
        text[out++] = last;
    }
    text[out] = 0;
}

}  // namespace

PLUM_EXPORT int32_t PLUM_CALL f_uquotes(char16_t* buffer) {
    if (buffer == nullptr) return 1;
    if (buffer[0] == 0) return 0;

    QuoteCall call;
    BeginQuoteCall(&call);
    // The text is at most REMAP_LIMIT units, and the result no longer.
    ConvertQuotes(buffer, TextBoundedLength(buffer, REMAP_LIMIT), &call);
    return 0;
}

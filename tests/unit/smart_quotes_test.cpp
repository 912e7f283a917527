// @UQUOTES case by case. The quote settings come from a stand-in for the
// environment read (so that "'OKINA", which no shell can set, is reachable
// and each case sees only its own settings); the script test reads the real
// environment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "export_call.h"
#include "platform/platform.h"
#include "test_support.h"
#include "typography/smart_quotes.h"

namespace {

struct Setting {
    std::u16string name;
    std::u16string value;
};

// The environment of the running case, and the names the plug-in asked for.
std::vector<Setting> fakeEnvironment;
std::vector<std::u16string> namesRead;

// Answers like the system call: the length copied, 0 when unset or empty,
// the size needed (terminator included) when the value does not fit.
int32_t FakeGetEnvironment(const char16_t* name, char16_t* destination, int32_t size) {
    namesRead.push_back(name);
    for (const Setting& setting : fakeEnvironment) {
        if (setting.name != name) continue;
        const int32_t length = static_cast<int32_t>(setting.value.size());
        if (length >= size) return length + 1;
        setting.value.copy(destination, setting.value.size());
        destination[length] = 0;
        return length;
    }
    return 0;
}

class SmartQuotesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakeEnvironment.clear();
        namesRead.clear();
        PlatSetGetEnvironment(&FakeGetEnvironment);
    }
    void TearDown() override { PlatRestore("GetEnvironment"); }
};

struct QuoteCase {
    const char* what;
    std::u16string input;
    std::u16string expected;
    std::vector<Setting> settings;
};

void ExpectConversions(const std::vector<QuoteCase>& cases) {
    for (const QuoteCase& c : cases) {
        fakeEnvironment = c.settings;
        const ExportResult r = CallExport(f_uquotes, c.input);
        EXPECT_EQ(r.code, 0) << c.what;
        EXPECT_EQ(r.text, c.expected) << c.what << ": " << Narrow(c.input) << " gave " << Narrow(r.text);
        EXPECT_TRUE(r.canaryIntact) << c.what;
    }
}

// Typographic characters by name, for readable tables.
const std::u16string LDQ = u"\u201C", RDQ = u"\u201D", LSQ = u"\u2018", RSQ = u"\u2019";
const std::u16string EMDASH = u"\u2014";
// Settings that tell the roles apart where their defaults coincide.
const Setting kApostropheMark = {u"APOSTROPHE", u"0x2BC"};  // U+02BC
const std::u16string APOS = u"\u02BC";

TEST_F(SmartQuotesTest, DoubleQuotes) {
    ExpectConversions({
        {"start of text, before a letter", u"\"Hello", LDQ + u"Hello", {}},
        {"after a comma (graphic)", u"a,\"", u"a," + RDQ, {}},
        {"after an opening bracket (graphic)", u"(\"x", u"(" + RDQ + u"x", {}},
        {"two in a row", u"\"\"", LDQ + RDQ, {}},
        {"a quoted word", u"say \"hi\" now", u"say " + LDQ + u"hi" + RDQ + u" now", {}},
        {"after white space at the end", u"a \"", u"a " + RDQ, {}},
        {"after white space before CR", u"a \"\r\nb", u"a " + RDQ + u"\r\nb", {}},
        {"after white space before LF", u"a \"\nb", u"a " + RDQ + u"\nb", {}},
        {"after white space before a tab", u"a \"\tb", u"a " + LDQ + u"\tb", {}},
        {"inches at the end", u"5\"", u"5\"", {}},
        {"inches before a space", u"10\" long", u"10\" long", {}},
        {"a fraction, then a space", u"\u00BD\" ", u"\u00BD\" ", {}},
        {"a superscript digit is a digit", u"x\u00B2\"", u"x\u00B2\"", {}},
        {"a number, then a letter", u"5\"x", u"5" + RDQ + u"x", {}},
        {"safe forms", u"\uFF02Hello\uFF02", LDQ + u"Hello" + RDQ, {}},
        {"the safe form of inches is the plain default", u"5\uFF02", u"5\"", {}},
        {"opens right after an opening single quote", u"'\"x", LSQ + LDQ + u"x", {}},
        {"a typed left single mark opens it too", u"\u2018\"x", u"\u2018" + LDQ + u"x", {}},
    });
}

TEST_F(SmartQuotesTest, SingleQuotes) {
    ExpectConversions({
        {"a quoted word", u"He said 'hi'.", u"He said " + LSQ + u"hi" + RSQ + u".", {}},
        {"inside a word", u"don't", u"don" + APOS + u"t", {kApostropheMark}},
        {"after a digit, before a letter", u"the 1980's", u"the 1980" + APOS + u"s", {kApostropheMark}},
        {"closes after a letter", u"dogs' tails", u"dogs" + RSQ + u" tails", {kApostropheMark}},
        {"after white space at the end", u"a '", u"a " + RSQ, {}},
        {"after white space before LF", u"a '\nb", u"a " + RSQ + u"\nb", {}},
        {"opens right after an opening double quote", u"\"'x'\"", LDQ + LSQ + u"x" + RSQ + RDQ, {}},
        {"a typed left double mark opens it too", u"\u201C'x", u"\u201C" + LSQ + u"x", {}},
        {"closes after a typed right double mark", u"\u201D'x", u"\u201D" + RSQ + u"x", {}},
        {"between vowels", u"Hawai'i", u"Hawai" + LSQ + u"i", {}},
        {"before a macron vowel", u"a'\u016B", u"a" + LSQ + u"\u016B", {}},
        {"between capital macron vowels", u"\u0100'\u014C", u"\u0100" + LSQ + u"\u014C", {}},
        {"between capital vowels", u"A'I", u"A" + LSQ + u"I", {}},
        {"a consonant before", u"b'i", u"b" + APOS + u"i", {kApostropheMark}},
        // U+00E1 and "a" (0xE1 and 0x61) share a slot of the per-call class cache.
        {"a vowel and a letter with the same low bits", u"a'a \u00E1'a a'a",
         u"a" + LSQ + u"a \u00E1" + APOS + u"a a" + LSQ + u"a", {kApostropheMark}},
        {"a listed word", u"'Tis the season", APOS + u"Tis the season", {kApostropheMark}},
        {"'n' and its closing quote", u"rock 'n' roll", u"rock " + APOS + u"n" + RSQ + u" roll", {kApostropheMark}},
        {"a listed word with a trailing quote is not listed", u"'Tis'", LSQ + u"Tis" + RSQ, {}},
        {"a listed word with a letter more", u"'twasnt", LSQ + u"twasnt", {}},
        {"a listed word spelt with typographic marks", u"'tisn\u2019t", APOS + u"tisn\u2019t", {kApostropheMark}},
        {"a listed word from its safe form", u"\uFF07TWAS", APOS + u"TWAS", {kApostropheMark}},
        {"a listed word ends at a digit", u"'em2", APOS + u"em2", {kApostropheMark}},
        {"a listed word goes on with another letter", u"'em\u00E9", LSQ + u"em\u00E9", {kApostropheMark}},
        {"a longer word starting with a listed one", u"'twouldn'tx", LSQ + u"twouldn" + APOS + u"tx",
         {kApostropheMark}},
        {"a listed word at the end of the text", u"x 'twouldn't", u"x " + APOS + u"twouldn" + APOS + u"t",
         {kApostropheMark}},
        {"a year", u"the '99 season", u"the " + APOS + u"99 season", {kApostropheMark}},
        {"a year at the end", u"'99", APOS + u"99", {kApostropheMark}},
        {"a decade", u"the '90s", u"the " + LSQ + u"90s", {kApostropheMark}},
        {"three digits", u"'123", LSQ + u"123", {kApostropheMark}},
        {"one digit", u"'9 x", LSQ + u"9 x", {kApostropheMark}},
        {"a year after an opening double quote", u"\"'99 was\"", LDQ + APOS + u"99 was" + RDQ, {kApostropheMark}},
        {"feet and inches", u"5'10\"", u"5'10\"", {}},
        {"feet at the end", u"6'", u"6'", {}},
        {"feet before a space", u"6' tall", u"6' tall", {}},
        {"after a fraction", u"\u00BD'", u"\u00BD'", {}},
        {"before a fraction", u"5'\u00BD", u"5'\u00BD", {}},
        {"a number, then a letter", u"5's", u"5" + APOS + u"s", {kApostropheMark}},
        {"safe form", u"don\uFF07t", u"don" + APOS + u"t", {kApostropheMark}},
        {"the safe form of feet is the plain default", u"6\uFF07", u"6'", {}},
    });
}

TEST_F(SmartQuotesTest, Hyphens) {
    ExpectConversions({
        {"a pair", u"a--b", u"a" + EMDASH + u"b", {}},
        {"three", u"a---b", u"a---b", {}},
        {"four", u"a----b", u"a----b", {}},
        {"two pairs", u"-- --", EMDASH + u" " + EMDASH, {}},
        {"one", u"a-b", u"a-b", {}},
        {"a pair of safe forms", u"\uFF0D\uFF0D", EMDASH, {}},
        {"mixed kinds do not pair", u"-\uFF0D", u"-\uFF0D", {}},
        {"a pair then a safe form", u"--\uFF0D", u"--\uFF0D", {}},
        {"a quote after the dash closes", u"a--\"", u"a" + EMDASH + RDQ, {}},
    });
}

TEST_F(SmartQuotesTest, EachSettingReplacesItsRole) {
    ExpectConversions({
        {"OPENQUOTE", u"\"x\"", u"\u00ABx" + RDQ, {{u"OPENQUOTE", u"\u00AB"}}},
        {"CLOSEQUOTE", u"\"x\"", LDQ + u"x\u00BB", {{u"CLOSEQUOTE", u"\u00BB"}}},
        {"OPENSQUOTE", u"'x'", u"\u2039x" + RSQ, {{u"OPENSQUOTE", u"0x2039"}}},
        {"CLOSESQUOTE", u"'x'", LSQ + u"x\u203A", {{u"CLOSESQUOTE", u"0x203A"}}},
        {"APOSTROPHE", u"don't 'tis '99", u"don\u02BCt \u02BCtis \u02BC99", {{u"APOSTROPHE", u"700"}}},
        {"PRIME", u"5'10", u"5\u203210", {{u"PRIME", u"0x2032"}}},
        {"DOUBLEPRIME", u"5\"", u"5\u2033", {{u"DOUBLEPRIME", u"0x2033"}}},
        {"'OKINA", u"Hawai'i", u"Hawai\u02BBi", {{u"'OKINA", u"0x2BB"}}},
        {"guillemets", u"\"x\"", u"\u00ABx\u00BB", {{u"OPENQUOTE", u"0xAB"}, {u"CLOSEQUOTE", u"0xBB"}}},
        {"primes", u"5'10\"", u"5\u203210\u2033", {{u"PRIME", u"0x2032"}, {u"DOUBLEPRIME", u"0x2033"}}},
        // The opening marks that make the next quote open are the settings.
        {"a quote after the OPENQUOTE setting opens", u"\"'x", u"\u00AB" + LSQ + u"x",
         {{u"OPENQUOTE", u"\u00AB"}}},
        {"a typed left mark that is not the setting closes", u"\u201C'x", u"\u201C" + RSQ + u"x",
         {{u"OPENQUOTE", u"\u00AB"}}},
        {"a quote after the OPENSQUOTE setting opens", u"'\"x", u"\u2039" + LDQ + u"x",
         {{u"OPENSQUOTE", u"\u2039"}}},
        {"a typed left single mark that is not the setting closes", u"\u2018\"x", u"\u2018" + RDQ + u"x",
         {{u"OPENSQUOTE", u"\u2039"}}},
    });
}

TEST_F(SmartQuotesTest, SettingValues) {
    const std::u16string quoted = u"\"x\"";
    struct ValueCase {
        std::u16string value;
        char16_t opening;  // what OPENQUOTE gives
    };
    const ValueCase cases[] = {
        {u"\u00AB", 0xAB},
        {u"0xAB", 0xAB},
        {u"0XaB", 0xAB},
        {u"171", 0xAB},
        {u" \t171 \t", 0xAB},
        {u"32", 0x20},
        {u"0xFFFF", 0xFFFF},
        {u"x", u'x'},
        {u" ", u' '},
        {u"7", 0x201C},           // one digit is a number, below 32
        {u"31", 0x201C},
        {u"\t", 0x201C},          // one control character is no character
        {u"\u00B2", 0x201C},      // a superscript digit is a digit, but no number
        {u"ab", 0x201C},
        {u"12x", 0x201C},
        {u"1 2", 0x201C},
        {u"x171", 0x201C},
        {u"-171", 0x201C},
        {u"0x", 0x201C},
        {u"65536", 0x201C},
        {u"4294967296", 0x201C},
        // A surrogate half would be left unpaired in the result.
        {u"\xD800", 0x201C},
        {u"\xDFFF", 0x201C},
        {u"0xD800", 0x201C},
        {u"57343", 0x201C},
        {u"0xD7FF", 0xD7FF},
        {u"0xE000", 0xE000},
        // The value must fit in 1023 code units.
        {std::u16string(1020, u' ') + u"171", 0xAB},
        {std::u16string(1021, u' ') + u"171", 0x201C},
    };
    for (const ValueCase& c : cases) {
        fakeEnvironment = {{u"OPENQUOTE", c.value}};
        const ExportResult r = CallExport(f_uquotes, quoted);
        EXPECT_EQ(r.text, std::u16string(1, c.opening) + u"x" + RDQ) << Narrow(c.value.substr(0, 24));
    }
}

TEST_F(SmartQuotesTest, SettingsAreReadOnEveryCallInTheirOrder) {
    const std::vector<std::u16string> order = {u"OPENQUOTE",   u"CLOSEQUOTE", u"OPENSQUOTE", u"CLOSESQUOTE",
                                               u"APOSTROPHE",  u"PRIME",      u"DOUBLEPRIME", u"'OKINA"};
    EXPECT_EQ(CallExport(f_uquotes, u"\"x\"").text, LDQ + u"x" + RDQ);
    EXPECT_EQ(namesRead, order);

    namesRead.clear();
    fakeEnvironment = {{u"OPENQUOTE", u"0xAB"}};
    EXPECT_EQ(CallExport(f_uquotes, u"\"x\"").text, u"\u00ABx" + RDQ);
    EXPECT_EQ(namesRead, order);

    // An empty text is answered at once.
    namesRead.clear();
    const ExportResult empty = CallExport(f_uquotes, u"");
    EXPECT_EQ(empty.code, 0);
    EXPECT_EQ(empty.text, u"");
    EXPECT_TRUE(namesRead.empty());
}

TEST_F(SmartQuotesTest, EveryListedContraction) {
    const char16_t* const listed[] = {u"'cos",    u"'cus",    u"'em",    u"'mid",     u"'mongst", u"'n",
                                      u"'n'",     u"'neath",  u"'tain't", u"'til",    u"'tis",    u"'tisn't",
                                      u"'twas",   u"'twasn't", u"'tween", u"'twere",  u"'twern't", u"'twixt",
                                      u"'twould", u"'twouldn't", u"'un"};
    fakeEnvironment = {kApostropheMark};
    for (const char16_t* word : listed) {
        const std::u16string text = u" " + std::u16string(word) + u" ";
        EXPECT_EQ(CallExport(f_uquotes, text).text.substr(1, 1), APOS) << Narrow(word);
        // One letter more, and it is an ordinary opening quote.
        const std::u16string longer = u" " + std::u16string(word) + u"x ";
        EXPECT_EQ(CallExport(f_uquotes, longer).text.substr(1, 1), LSQ) << Narrow(word) << "x";
    }
}

TEST_F(SmartQuotesTest, TextLengthsAndNullBuffer) {
    EXPECT_EQ(f_uquotes(nullptr), 1);

    // The longest text converts whole; the result shrinks by one unit per pair.
    std::u16string pairs;
    std::u16string dashes;
    for (int32_t k = 0; k < 5461; ++k) {
        pairs += u"--x";
        dashes += EMDASH + u"x";
    }
    ExpectConversions({
        {"the longest text", pairs, dashes, {}},
        {"the longest text of quotes", Repeat(u'"', 16383), LDQ + Repeat(0x201D, 16382), {}},
        {"a listed word at the very end", Repeat(u' ', 16379) + u"'tis",
         Repeat(u' ', 16379) + APOS + u"tis", {kApostropheMark}},
    });
}

}  // namespace

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/char_classes.h"

namespace {

constexpr int LETTER = 0x01;
constexpr int DIGIT = 0x02;
constexpr int SPACE = 0x04;
constexpr int PUNCT = 0x08;
constexpr int HEX = 0x10;

std::string Hex(uint32_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
    return text;
}

// The classes the module reports for c, as a set of the flags above.
int ClassesOf(char16_t c) {
    return (CharIsLetter(c) ? LETTER : 0) | (CharIsDigit(c) ? DIGIT : 0) | (CharIsSpace(c) ? SPACE : 0) |
           (CharIsPunct(c) ? PUNCT : 0) | (CharIsHexDigit(c) ? HEX : 0);
}

struct Range {
    uint32_t first;
    uint32_t last;
};

template <size_t N>
bool InRanges(uint32_t c, const Range (&ranges)[N]) {
    for (const Range& r : ranges) {
        if (c >= r.first && c <= r.last) return true;
    }
    return false;
}

// Below U+0100 the classes are a fixed table, the same on every build.
struct FixedClasses {
    int classes;
    int32_t value;
};

FixedClasses FixedLowClasses(uint32_t c) {
    const Range space[] = {{0x09, 0x0D}, {0x20, 0x20}, {0xA0, 0xA0}};
    const Range digit[] = {{0x30, 0x39}, {0xB2, 0xB3}, {0xB9, 0xB9}};
    const Range hex[] = {{0x30, 0x39}, {0x41, 0x46}, {0x61, 0x66}};
    const Range letter[] = {{0x41, 0x5A}, {0x61, 0x7A}, {0xC0, 0xD6}, {0xD8, 0xF6}, {0xF8, 0xFF}};
    const Range punct[] = {{0x21, 0x2F}, {0x3A, 0x40}, {0x5B, 0x60}, {0x7B, 0x7E},
                           {0xA1, 0xBF}, {0xD7, 0xD7}, {0xF7, 0xF7}};
    const int classes = (InRanges(c, letter) ? LETTER : 0) | (InRanges(c, digit) ? DIGIT : 0) |
                        (InRanges(c, space) ? SPACE : 0) | (InRanges(c, punct) ? PUNCT : 0) |
                        (InRanges(c, hex) ? HEX : 0);
    return {classes, (c >= 0x30 && c <= 0x39) ? static_cast<int32_t>(c - 0x30) : -1};
}

TEST(CharClasses, BelowU0100FollowTheFixedTable) {
    for (uint32_t c = 0; c < 0x100; ++c) {
        const char16_t unit = static_cast<char16_t>(c);
        EXPECT_EQ(ClassesOf(unit), FixedLowClasses(c).classes) << Hex(c);
        EXPECT_EQ(CharDigitValue(unit), FixedLowClasses(c).value) << Hex(c);
    }
}

struct NamedCase {
    uint32_t first;
    uint32_t last;
    int classes;
    int32_t firstValue;  // digit value of `first`, rising by one per code unit; -1 for none
};

TEST(CharClasses, NamedCodeUnitsFromU0100) {
    const NamedCase cases[] = {
        {0x2150, 0x215E, PUNCT, -1},         // vulgar fractions
        {0x2007, 0x2007, SPACE, -1},         // figure space
        {0x202F, 0x202F, SPACE, -1},         // narrow no-break space
        {0x2028, 0x2029, SPACE, -1},         // line and paragraph separators
        {0x3000, 0x3000, SPACE, -1},         // ideographic space
        {0x2014, 0x2014, PUNCT, -1},         // em dash
        {0x2018, 0x201D, PUNCT, -1},         // typographic quotes
        {0x0100, 0x0101, LETTER, -1},        // macron vowels
        {0x0112, 0x0113, LETTER, -1},
        {0x012A, 0x012B, LETTER, -1},
        {0x014C, 0x014D, LETTER, -1},
        {0x016A, 0x016B, LETTER, -1},
        {0xFFFF, 0xFFFF, 0, -1},
        {0xFF10, 0xFF19, DIGIT | HEX, 0},    // fullwidth 0..9
        {0xFF21, 0xFF26, LETTER | HEX, -1},  // fullwidth A..F
        {0xFF41, 0xFF46, LETTER | HEX, -1},  // fullwidth a..f
        {0xFF27, 0xFF27, LETTER, -1},        // fullwidth G is no hex digit
        {0xFF1A, 0xFF1A, PUNCT, -1},         // fullwidth colon
        {0x0660, 0x0669, DIGIT, 0},          // Arabic-Indic digits
        {0x0E50, 0x0E59, DIGIT, 0},          // Thai digits
        {0x2070, 0x2070, PUNCT, -1},         // superscript zero (No) is no digit
        {0x2460, 0x2460, PUNCT, -1},         // circled one (No)
        {0x3400, 0x3400, LETTER, -1},        // ranges given by first and last entries
        {0x4DBF, 0x4DBF, LETTER, -1},
        {0x4E00, 0x4E00, LETTER, -1},
        {0xAC00, 0xAC00, LETTER, -1},
        {0xD7A3, 0xD7A3, LETTER, -1},
        {0xD7A4, 0xD7A4, 0, -1},             // unassigned after the Hangul syllables
        {0xD800, 0xDFFF, 0, -1},             // surrogates
        {0xE000, 0xF8FF, 0, -1},             // private use
        {0x0378, 0x0378, 0, -1},             // unassigned
        {0x0301, 0x0301, 0, -1},             // combining mark
        {0x0903, 0x0903, 0, -1},             // spacing mark
        {0x2160, 0x2160, 0, -1},             // roman numeral one (Nl)
        {0x200B, 0x200B, 0, -1},             // zero width space (Cf)
        {0xFEFF, 0xFEFF, 0, -1},             // byte order mark (Cf)
        {0x20AC, 0x20AC, PUNCT, -1},         // euro sign (Sc)
        {0x2190, 0x2190, PUNCT, -1},         // arrow (Sm)
        {0x02B0, 0x02B0, LETTER, -1},        // modifier letter (Lm)
        {0x01C5, 0x01C5, LETTER, -1},        // title case (Lt)
    };
    for (const NamedCase& n : cases) {
        for (uint32_t c = n.first; c <= n.last; ++c) {
            const char16_t unit = static_cast<char16_t>(c);
            EXPECT_EQ(ClassesOf(unit), n.classes) << Hex(c);
            const int32_t value = n.firstValue < 0 ? -1 : n.firstValue + static_cast<int32_t>(c - n.first);
            EXPECT_EQ(CharDigitValue(unit), value) << Hex(c);
        }
    }
}

TEST(CharClasses, EveryDigitFromU0100HasAValueInARunFromZero) {
    for (uint32_t c = 0x100; c <= 0xFFFF; ++c) {
        const char16_t unit = static_cast<char16_t>(c);
        const int32_t value = CharDigitValue(unit);
        EXPECT_EQ(CharIsDigit(unit), value >= 0) << Hex(c);
        EXPECT_LE(value, 9) << Hex(c);
        // Decimal digits come in runs 0..9, so a digit after the zero follows
        // its predecessor: a table entry in the wrong place breaks the run.
        if (value > 0) {
            EXPECT_EQ(CharDigitValue(static_cast<char16_t>(c - 1)), value - 1) << Hex(c);
        }
    }
}

TEST(CharClasses, CombinedClassesAgreeWithTheSingleOnes) {
    for (uint32_t c = 0; c <= 0xFFFF; ++c) {
        const char16_t unit = static_cast<char16_t>(c);
        const int classes = ClassesOf(unit);
        EXPECT_EQ(CharIsLetterOrDigit(unit), (classes & (LETTER | DIGIT)) != 0) << Hex(c);
        EXPECT_EQ(CharIsGraphic(unit), (classes & (LETTER | DIGIT | PUNCT)) != 0) << Hex(c);
        EXPECT_FALSE(CharIsGraphic(unit) && CharIsSpace(unit)) << Hex(c);
        if (CharIsHexDigit(unit)) {
            EXPECT_TRUE(CharIsLetterOrDigit(unit)) << Hex(c);
        }
    }
}

// The Unicode database the bootstrap installs (Debian package unicode-data).
// The test reads it itself, so the generated table is checked against the
// database rather than against a copy of the table.
constexpr char kUnicodeData[] = "/usr/share/unicode/UnicodeData.txt";

struct DatabaseEntry {
    std::string category = "Cn";  // unassigned
    int32_t decimal = -1;
};

// The general category and decimal digit value of every code point below
// U+10000; a "<..., First>" line and the "<..., Last>" line after it stand
// for every code point between them. Empty when the file cannot be read.
std::vector<DatabaseEntry> ReadUnicodeData(const char* path) {
    std::ifstream file(path);
    if (!file) return {};
    std::vector<DatabaseEntry> entries(0x10000);
    std::string line;
    uint32_t rangeStart = 0;
    while (std::getline(file, line)) {
        std::vector<std::string> fields;
        std::stringstream split(line);
        for (std::string field; std::getline(split, field, ';');) fields.push_back(field);
        if (fields.size() < 7) continue;
        const uint32_t code = static_cast<uint32_t>(std::stoul(fields[0], nullptr, 16));
        const std::string& name = fields[1];
        DatabaseEntry entry;
        entry.category = fields[2];
        entry.decimal = fields[6].empty() ? -1 : std::stoi(fields[6]);
        const bool first = name.size() > 8 && name.compare(name.size() - 8, 8, ", First>") == 0;
        const bool last = name.size() > 7 && name.compare(name.size() - 7, 7, ", Last>") == 0;
        if (first) {
            rangeStart = code;
            continue;
        }
        for (uint32_t c = last ? rangeStart : code; c <= code && c < 0x10000; ++c) entries[c] = entry;
    }
    return entries;
}

// The classes of a code unit from U+0100 on, by its general category: L*
// letter, Nd digit, Zs/Zl/Zp white space, P*, S* and No punctuation, and
// nothing for the rest; the fullwidth 0..9, A..F and a..f are hex digits too.
FixedClasses DatabaseClasses(uint32_t c, const DatabaseEntry& entry) {
    const std::string& category = entry.category;
    int classes = 0;
    int32_t value = -1;
    if (category[0] == 'L') {
        classes = LETTER;
    } else if (category == "Nd") {
        classes = DIGIT;
        value = entry.decimal;
    } else if (category == "Zs" || category == "Zl" || category == "Zp") {
        classes = SPACE;
    } else if (category[0] == 'P' || category[0] == 'S' || category == "No") {
        classes = PUNCT;
    }
    const Range fullwidthHex[] = {{0xFF10, 0xFF19}, {0xFF21, 0xFF26}, {0xFF41, 0xFF46}};
    if (InRanges(c, fullwidthHex)) classes |= HEX;
    return {classes, value};
}

TEST(CharClasses, EveryCodeUnitAgreesWithTheUnicodeDatabase) {
    const std::vector<DatabaseEntry> database = ReadUnicodeData(kUnicodeData);
    if (database.empty()) GTEST_SKIP() << kUnicodeData << " is not installed (Debian package unicode-data)";
    // A range shifted by one in the table shows as a few code units out of
    // 65536; the first ones are named, and the count tells the rest.
    int mismatches = 0;
    for (uint32_t c = 0; c <= 0xFFFF; ++c) {
        const FixedClasses expected = c < 0x100 ? FixedLowClasses(c) : DatabaseClasses(c, database[c]);
        const char16_t unit = static_cast<char16_t>(c);
        if (ClassesOf(unit) == expected.classes && CharDigitValue(unit) == expected.value) continue;
        if (++mismatches <= 20) {
            ADD_FAILURE() << Hex(c) << " (" << database[c].category << "): classes " << ClassesOf(unit)
                          << ", expected " << expected.classes << "; digit value " << CharDigitValue(unit)
                          << ", expected " << expected.value;
        }
    }
    EXPECT_EQ(mismatches, 0) << "code units whose classes differ from the database";
}

}  // namespace

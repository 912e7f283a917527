#include <gtest/gtest.h>

#include <string>

#include "abi/utf8.h"
#include "test_support.h"
#include "text.h"

namespace {

// The plug-in's fixed-buffer decoding, as the POSIX backend uses it.
std::u16string DecodeToBuffer(const std::string& bytes) {
    char16_t buffer[64];
    const int32_t length = Utf8ToUtf16(bytes.c_str(), buffer, 64);
    EXPECT_GE(length, 0);
    EXPECT_EQ(length, Utf8ToUtf16Length(bytes.c_str())) << "the measure agrees with the conversion";
    return std::u16string(buffer, length < 0 ? 0 : static_cast<size_t>(length));
}

TEST(Utf8, BothSidesDecodeAlike) {
    struct DecodeCase {
        const char* label;
        std::string bytes;
        std::u16string text;
        bool valid;
    };
    const std::u16string R(1, u'\xFFFD');
    const DecodeCase cases[] = {
        {"ASCII", "Az", u"Az", true},
        {"two bytes", "\xC3\xA9", u"\u00E9", true},
        {"three bytes", "\xE2\x82\xAC", u"\u20AC", true},
        {"four bytes", "\xF0\x9F\x98\x80", u"\xD83D\xDE00", true},
        {"last of the plane", "\xEF\xBF\xBF", u"\xFFFF", true},
        {"last code point", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF", true},
        // Overlong forms: each byte that cannot start or go on is one U+FFFD.
        {"overlong NUL", std::string("\xC0\x80", 2), R + R, false},
        {"overlong two bytes", "\xC1\xBF", R + R, false},
        {"overlong three bytes", "\xE0\x80\x80", R + R + R, false},
        {"overlong four bytes", "\xF0\x8F\xBF\xBF", R + R + R + R, false},
        // Encoded surrogates and values past U+10FFFF.
        {"surrogate", "\xED\xA0\x80", R + R + R, false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", R + R + R + R, false},
        {"no lead byte", "\xF5\x80", R + R, false},
        // Stray continuation bytes and cut sequences.
        {"stray continuation", "a\x80" "b", u"a" + R + u"b", false},
        {"cut three-byte sequence", "\xE2\x82" "A", R + u"A", false},
        {"cut at the end", "x\xF0\x9F\x98", u"x" + R, false},
    };
    for (const DecodeCase& c : cases) {
        EXPECT_EQ(DecodeToBuffer(c.bytes), c.text) << c.label;
        EXPECT_EQ(plumhost::FromUtf8(c.bytes), c.text) << c.label;
        EXPECT_EQ(plumhost::IsValidUtf8(c.bytes), c.valid) << c.label;
    }
}

TEST(Utf8, BothSidesEncodeAlike) {
    struct EncodeCase {
        const char* label;
        std::u16string text;
        std::string bytes;
    };
    const EncodeCase cases[] = {
        {"ASCII and Latin", u"a\u00E9", "a\xC3\xA9"},
        {"pair", u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
        {"lone high surrogate", u"\xD800" u"a", "\xEF\xBF\xBD" "a"},
        {"lone low surrogate", u"\xDC00", "\xEF\xBF\xBD"},
        {"high surrogate at the end", u"a\xDBFF", "a\xEF\xBF\xBD"},
    };
    for (const EncodeCase& c : cases) {
        char buffer[64];
        const int32_t length = Utf16ToUtf8(c.text.c_str(), -1, buffer, 64);
        EXPECT_EQ(std::string(buffer, length < 0 ? 0 : static_cast<size_t>(length)), c.bytes) << c.label;
        EXPECT_EQ(plumhost::ToUtf8(c.text), c.bytes) << c.label;
    }
}

TEST(Utf8, FixedBuffersNeverOverflow) {
    // Units past the room given keep their "#"; a result fits whole or fails.
    char16_t units[6] = {u'#', u'#', u'#', u'#', u'#', u'#'};
    EXPECT_EQ(Utf8ToUtf16("\xC3\xA9", units, 1), -1) << "no room for the terminator";
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80", units, 2), -1) << "a pair is not split";
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80", units, 3), 2);
    EXPECT_EQ(std::u16string(units, 4), std::u16string(u"\xD83D\xDE00\0#", 4));

    char bytes[5] = {'#', '#', '#', '#', '#'};
    EXPECT_EQ(Utf16ToUtf8(u"\u20AC", -1, bytes, 2), -1) << "a sequence is not cut";
    EXPECT_EQ(Utf16ToUtf8(u"\u20AC", -1, bytes, 3), 3) << "exact fit, without a terminator";
    EXPECT_EQ(bytes[3], '#');
    EXPECT_EQ(Utf16ToUtf8(u"ab\u20AC", 2, bytes, 5), 2) << "only the units asked for";
    EXPECT_EQ(std::string(bytes, 3), std::string("ab\0", 3));
}

}  // namespace

#include <gtest/gtest.h>

#include "core/numbers.h"
#include "test_support.h"

namespace {

struct NumberCase {
    const char16_t* text;
    int32_t result;
    uint32_t value;
};

TEST(ParseNumber, WholeTextMustBeANumber) {
    const NumberCase cases[] = {
        {u"42", 0, 42},
        {u"0x2A", 0, 42},
        {u"0X2a", 0, 42},
        {u"0", 0, 0},
        {u"007", 0, 7},
        {u"4294967295", 0, 4294967295u},
        {u"0xFFFFFFFF", 0, 4294967295u},
        {u"4294967296", -1, 0},
        {u"0x100000000", -1, 0},
        {u"0x", -1, 0},  // "0" then an "x" that is not followed by a hex digit
        {u"x1", -1, 0},
        {u"-1", -1, 0},
        {u"+1", -1, 0},
        {u"", -1, 0},
        {u" 1", -1, 0},
        {u"1 ", -1, 0},
        {u"12abc", -1, 0},
        {u"0x1g", -1, 0},
        // The runtime's conversion reads the Unicode decimal digits too, but
        // not the superscripts that the digit class also holds.
        {u"\xFF11\xFF12", 0, 12},
        {u"0x\xFF11" u"f", 0, 31},
        {u"\x0661\x0660", 0, 10},
        {u"\x00B2", -1, 0},
        {u"0x\xFF21", -1, 0},
        // Past 64 bits: a value that wrapped round would read as 0 or 42.
        {u"18446744073709551616", -1, 0},
        {u"18446744073709551658", -1, 0},
        {u"0x10000000000000000", -1, 0},
        {u"0x1000000000000002A", -1, 0},
        {u"99999999999999999999999999999999999999999999", -1, 0},
    };
    for (const NumberCase& c : cases) {
        uint32_t value = 12345;
        EXPECT_EQ(ParseNumber(c.text, &value, nullptr), c.result) << Narrow(c.text);
        if (c.result == 0) {
            EXPECT_EQ(value, c.value) << Narrow(c.text);
        } else {
            EXPECT_EQ(value, 12345u) << "a failed parse stores nothing: " << Narrow(c.text);
        }
    }
}

TEST(ParseNumber, EndPositionLeavesTheRestToTheCaller) {
    struct EndCase {
        const char16_t* text;
        uint32_t value;
        int32_t endOffset;
    };
    const EndCase cases[] = {
        {u"12abc", 12, 2}, {u"0x1Fz", 31, 4}, {u"0x", 0, 1}, {u"7,text", 7, 1}, {u"99", 99, 2},
    };
    for (const EndCase& c : cases) {
        uint32_t value = 0;
        const char16_t* end = nullptr;
        ASSERT_EQ(ParseNumber(c.text, &value, &end), 0) << Narrow(c.text);
        EXPECT_EQ(value, c.value) << Narrow(c.text);
        EXPECT_EQ(end - c.text, c.endOffset) << Narrow(c.text);
    }
    uint32_t value = 0;
    const char16_t* end = nullptr;
    EXPECT_EQ(ParseNumber(u"99999999999x", &value, &end), -1);
    EXPECT_EQ(ParseNumber(u"18446744073709551658x", &value, &end), -1) << "2^64 + 42";
    EXPECT_EQ(ParseNumber(u"abc", &value, &end), -1);
    // The superscripts are in the digit class but have no value: nothing to
    // read, so no number, not a zero.
    EXPECT_EQ(ParseNumber(u"\x00B2", &value, &end), -1);
    EXPECT_EQ(ParseNumber(u"\x00B9" u"1", &value, &end), -1);
}

TEST(ReadNumber, EachPolicyReadsItsOwnForm) {
    struct PolicyCase {
        const char* policy;
        const NumberPolicy& rules;
        std::u16string text;
        int32_t result;
        int64_t value;
        int32_t endOffset;
    };
    const PolicyCase cases[] = {
        // The runtime's long conversion: space and sign, the rest ignored,
        // no digits 0 at the start, saturated.
        {"long", RUNTIME_LONG, u"33.00", 0, 33, 2},
        {"long", RUNTIME_LONG, u" \t-12x", 0, -12, 5},
        {"long", RUNTIME_LONG, u"+7", 0, 7, 2},
        {"long", RUNTIME_LONG, u"", 0, 0, 0},
        {"long", RUNTIME_LONG, u"  -", 0, 0, 0},
        {"long", RUNTIME_LONG, u"\x00B2", 0, 0, 0},
        {"long", RUNTIME_LONG, u"0x10", 0, 0, 1},
        {"long", RUNTIME_LONG, u"99999999999", 0, 2147483647, 11},
        {"long", RUNTIME_LONG, u"-99999999999", 0, -2147483648LL, 12},
        {"long", RUNTIME_LONG, u"\xFF13\xFF13", 0, 33, 2},
        {"long", RUNTIME_LONG, u"2147483647", 0, 2147483647, 10},
        {"long", RUNTIME_LONG, u"2147483648", 0, 2147483647, 10},
        {"long", RUNTIME_LONG, u"-2147483648", 0, -2147483648LL, 11},
        {"long", RUNTIME_LONG, u"-2147483649", 0, -2147483648LL, 11},
        // Past 63 and 64 bits the value still saturates, never wraps round
        // to a small or negative one.
        {"long", RUNTIME_LONG, u"9223372036854775808", 0, 2147483647, 19},
        {"long", RUNTIME_LONG, u"18446744073709551617", 0, 2147483647, 20},
        {"long", RUNTIME_LONG, u"-18446744073709551616", 0, -2147483648LL, 21},
        {"long", RUNTIME_LONG, Repeat(u'9', 100) + u"x", 0, 2147483647, 100},
        {"long", RUNTIME_LONG, u"-" + Repeat(u'\xFF19', 100), 0, -2147483648LL, 101},
        // Handles: the whole text, saturated at the signed 32-bit maximum.
        {"handle", HANDLE_NUMBER, u"0x1F", 0, 31, 4},
        {"handle", HANDLE_NUMBER, u"0xFFFFFFFF", 0, 2147483647, 10},
        {"handle", HANDLE_NUMBER, u"12 ", -1, 0, 0},
        {"handle", HANDLE_NUMBER, u"-5", -1, 0, 0},
        {"handle", HANDLE_NUMBER, u"\x00B3", -1, 0, 0},
        {"handle", HANDLE_NUMBER, u"2147483648", 0, 2147483647, 10},
        {"handle", HANDLE_NUMBER, u"0x80000000", 0, 2147483647, 10},
        {"handle", HANDLE_NUMBER, u"18446744073709551617", 0, 2147483647, 20},  // not handle 1
        {"handle", HANDLE_NUMBER, u"0x10000000000000001", 0, 2147483647, 19},
        {"handle", HANDLE_NUMBER, Repeat(u'7', 50), 0, 2147483647, 50},
        // The code page: leading digits, failure past 32 bits.
        {"code page", CODE_PAGE_NUMBER, u"65001 (UTF-8)", 0, 65001, 5},
        {"code page", CODE_PAGE_NUMBER, u"4294967296", -1, 0, 0},
        {"code page", CODE_PAGE_NUMBER, u"x1252", -1, 0, 0},
        {"code page", CODE_PAGE_NUMBER, u"4294967295", 0, 4294967295LL, 10},
        {"code page", CODE_PAGE_NUMBER, u"18446744073709552868", -1, 0, 0},  // 2^64 + 1252
        {"code page", CODE_PAGE_NUMBER, Repeat(u'1', 30) + u" (UTF-8)", -1, 0, 0},
        // The version gate: ASCII digits only.
        {"version", VERSION_NUMBER, u"7.00", 0, 7, 1},
        {"version", VERSION_NUMBER, u"\xFF17.00", -1, 0, 0},
        {"version", VERSION_NUMBER, u"07.00", 0, 7, 2},
        {"version", VERSION_NUMBER, u"2147483648.00", 0, 2147483647, 10},
        {"version", VERSION_NUMBER, u"18446744073709551623.00", 0, 2147483647, 20},  // 2^64 + 7
        {"version", VERSION_NUMBER, Repeat(u'8', 40), 0, 2147483647, 40},
    };
    for (const PolicyCase& c : cases) {
        int64_t value = -999;
        const char16_t* end = nullptr;
        const char16_t* text = c.text.c_str();
        EXPECT_EQ(ReadNumber(text, c.rules, &value, &end), c.result) << c.policy << " " << Narrow(c.text);
        if (c.result == 0) {
            EXPECT_EQ(value, c.value) << c.policy << " " << Narrow(c.text);
            EXPECT_EQ(end - text, c.endOffset) << c.policy << " " << Narrow(c.text);
        } else {
            EXPECT_EQ(value, -999) << "a failed read stores nothing: " << c.policy << " " << Narrow(c.text);
            EXPECT_EQ(end, nullptr) << c.policy << " " << Narrow(c.text);
        }
    }
}

TEST(ParseNumber, NullArgumentsFail) {
    uint32_t value = 0;
    EXPECT_EQ(ParseNumber(nullptr, &value, nullptr), -1);
    EXPECT_EQ(ParseNumber(u"1", nullptr, nullptr), -1);
}

}  // namespace

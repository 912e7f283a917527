#include <gtest/gtest.h>

#include <vector>

#include "abi/exports.h"
#include "captured_output.h"
#include "charset/unsafe_set.h"
#include "functions/echo.h"
#include "shared/usage_texts.h"
#include "test_support.h"

namespace {

// Runs a command on a copy of text in a host-sized buffer; the printed output.
std::u16string Echo(int32_t(PLUM_CALL* command)(char16_t*), const std::u16string& text, int32_t* result) {
    std::vector<char16_t> buffer(MAX_ARG_LEN, u'\0');
    std::copy(text.begin(), text.end(), buffer.begin());
    CapturedOutput output;
    *result = command(buffer.data());
    EXPECT_EQ(std::u16string(buffer.data()), text) << "the argument buffer is left alone";
    EXPECT_EQ(output.Err(), u"");
    return output.Out();
}

TEST(SafeEcho, PrintsTheTextWithSafeFormsTurnedBack) {
    SetDefaultUnsafe();
    unsafeSet['%' - UNSAFE_FIRST] = 0;
    struct EchoCase {
        std::u16string argument;
        std::u16string printed;  // by SAFEECHOS; SAFEECHO adds CR LF
    };
    const EchoCase cases[] = {
        {u" \xFF02" u"a\xFF02", u"\"a\""},
        {u"", u""},
        {u" ", u""},
        {u"  two", u" two"},               // one separating space goes, the next stays
        {u"\tx", u"x"},                    // any white space unit separates
        {u"x y", u"x y"},                  // no leading white space: nothing dropped
        {u" <a href=\"x\">|&", u"<a href=\"x\">|&"},  // plain dangerous text passes
        {u" 50\xFF05", u"50%"},            // turned back even when no longer in the set
        {u" \xFF21\xFF00\xFF5F\xFF60", u"A \x7F\xFF60"},
        {u" /?x", u"/?x"},
        {u" /? ", u"/? "},
        {u" /???", u"/???"},
        {u" x /?", u"x /?"},
    };
    for (const EchoCase& c : cases) {
        int32_t result = -1;
        EXPECT_EQ(Echo(safeechos, c.argument, &result), c.printed) << Narrow(c.argument);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(Echo(safeecho, c.argument, &result), c.printed + u"\r\n") << Narrow(c.argument);
        EXPECT_EQ(result, 0);
    }
    SetDefaultUnsafe();
}

TEST(SafeEcho, AnswersHelpOptionsAfterLeadingWhiteSpace) {
    const std::u16string echoUsage(UsageText(u"safeecho"));
    const std::u16string echosUsage(UsageText(u"safeechos"));
    struct HelpCase {
        std::u16string argument;
        std::u16string echoPrinted;
        std::u16string echosPrinted;
    };
    const HelpCase cases[] = {
        {u"/?", echoUsage, echosUsage},
        {u"   /?", echoUsage, echosUsage},
        {u" \t/??", echoUsage + kVersionLine, echosUsage + kVersionLine},
    };
    for (const HelpCase& c : cases) {
        int32_t result = -1;
        EXPECT_EQ(Echo(safeecho, c.argument, &result), c.echoPrinted) << Narrow(c.argument);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(Echo(safeechos, c.argument, &result), c.echosPrinted) << Narrow(c.argument);
        EXPECT_EQ(result, 0);
    }
}

TEST(SafeEcho, NullBufferGivesOne) {
    CapturedOutput output;
    EXPECT_EQ(safeecho(nullptr), 1);
    EXPECT_EQ(safeechos(nullptr), 1);
    EXPECT_EQ(output.Out(), u"");
}

TEST(SafeEcho, AFullBufferKeepsTheLineEnd) {
    struct LongCase {
        std::u16string argument;
        std::u16string echoPrinted;
        std::u16string echosPrinted;
    };
    const std::u16string full = Repeat(u'a', REMAP_LIMIT);
    // A surrogate pair across the cut goes whole.
    const std::u16string pair = Repeat(u'a', REMAP_LIMIT - 3) + u"\xD83D\xDE00" + u"b";
    const LongCase cases[] = {
        {full, Repeat(u'a', REMAP_LIMIT - 2) + u"\r\n", full},
        {u" " + Repeat(u'a', REMAP_LIMIT - 1), Repeat(u'a', REMAP_LIMIT - 2) + u"\r\n", Repeat(u'a', REMAP_LIMIT - 1)},
        {u" " + Repeat(u'a', REMAP_LIMIT - 3), Repeat(u'a', REMAP_LIMIT - 3) + u"\r\n", Repeat(u'a', REMAP_LIMIT - 3)},
        {pair, Repeat(u'a', REMAP_LIMIT - 3) + u"\r\n", pair},
        {Repeat(u'\xFF1C', REMAP_LIMIT), Repeat(u'<', REMAP_LIMIT - 2) + u"\r\n", Repeat(u'<', REMAP_LIMIT)},
    };
    for (const LongCase& c : cases) {
        int32_t result = -1;
        EXPECT_EQ(Echo(safeecho, c.argument, &result), c.echoPrinted);
        EXPECT_EQ(Echo(safeechos, c.argument, &result), c.echosPrinted);
    }
}

TEST(SafeEcho, ReadsNoFurtherThanTheHostBuffer) {
    // A buffer without a terminator is printed up to its last unit but one,
    // the room a terminator needs; nothing past it is read.
    std::vector<char16_t> buffer(MAX_ARG_LEN, u'z');
    CapturedOutput output;
    EXPECT_EQ(safeechos(buffer.data()), 0);
    EXPECT_EQ(output.Out(), Repeat(u'z', MAX_ARG_LEN - 1));
}

}  // namespace

#include <gtest/gtest.h>

#include "charset/unsafe_set.h"
#include "test_support.h"

namespace {

class UnsafeSetTest : public ::testing::Test {
protected:
    void SetUp() override { SetDefaultUnsafe(); }
    void TearDown() override { SetDefaultUnsafe(); }
};

std::u16string RemapText(const std::u16string& text, int32_t* count) {
    std::u16string out(MAX_ARG_LEN, u'\xFFFF');
    *count = Remap(text.c_str(), out.data());
    return std::u16string(out.c_str());
}

std::u16string UnremapText(const std::u16string& text, int32_t* count) {
    std::u16string out(MAX_ARG_LEN, u'\xFFFF');
    *count = Unremap(text.c_str(), out.data());
    return std::u16string(out.c_str());
}

TEST_F(UnsafeSetTest, DefaultsAreTheTwelveParserCharacters) {
    std::u16string dangerous;
    for (char16_t c = 0; c < 0x200; ++c) {
        if (IsDangerous(c)) dangerous += c;
    }
    EXPECT_EQ(dangerous, u"\"%&()<>[]^`|");
    EXPECT_EQ(IsDangerous(u'\t'), 0);
    EXPECT_EQ(IsDangerous(0xFF1C), 0) << "a safe form is never dangerous itself";
}

TEST_F(UnsafeSetTest, RemapAndUnremapRoundTrip) {
    int32_t count = 0;
    const std::u16string remapped = RemapText(u"a<b>\"c\"%d&e", &count);
    EXPECT_EQ(count, 6);
    EXPECT_EQ(remapped, u"a\xFF1C" u"b\xFF1E\xFF02" u"c\xFF02\xFF05" u"d\xFF06" u"e");
    EXPECT_EQ(UnremapText(remapped, &count), u"a<b>\"c\"%d&e");
    EXPECT_EQ(count, 6);
}

TEST_F(UnsafeSetTest, RemapFollowsTheSetButUnremapTurnsBackEverySafeForm) {
    unsafeSet['%' - UNSAFE_FIRST] = 0;
    int32_t count = 0;
    EXPECT_EQ(RemapText(u"50%", &count), u"50%");
    EXPECT_EQ(count, 0);
    EXPECT_EQ(UnremapText(u"50\xFF05", &count), u"50%");
    EXPECT_EQ(count, 1);
    // Text typed in fullwidth form comes back as ASCII too.
    EXPECT_EQ(UnremapText(u"\xFF21\xFF00\xFF5F\xFF60", &count), u"A \x7F\xFF60");
    EXPECT_EQ(count, 3);
}

TEST_F(UnsafeSetTest, SpaceAndDeleteCanBeDangerousControlsNever) {
    unsafeSet[0] = 1;
    unsafeSet[0x7F - UNSAFE_FIRST] = 1;
    int32_t count = 0;
    EXPECT_EQ(RemapText(u"a b\x7F\t\r\n", &count), u"a\xFF00" u"b\xFF5F\t\r\n");
    EXPECT_EQ(count, 2);
}

TEST_F(UnsafeSetTest, RemappingTwiceChangesNothingMore) {
    int32_t count = 0;
    const std::u16string once = RemapText(u"(x)", &count);
    EXPECT_EQ(RemapText(once, &count), once);
    EXPECT_EQ(count, 0);
}

TEST_F(UnsafeSetTest, CopiesStopAtTheLimit) {
    struct LimitCase {
        size_t length;
        size_t kept;
    };
    const LimitCase cases[] = {{16382, 16382}, {16383, 16383}, {16384, 16383}, {20000, 16383}};
    for (const LimitCase& c : cases) {
        std::u16string source = Repeat(u'<', c.length);
        std::u16string out(MAX_ARG_LEN + 8, u'\xFFFF');
        const int32_t count = Remap(source.c_str(), out.data());
        EXPECT_EQ(std::u16string(out.c_str()).size(), c.kept) << c.length;
        EXPECT_EQ(count, static_cast<int32_t>(c.kept)) << c.length;
        EXPECT_EQ(out[MAX_ARG_LEN], u'\xFFFF') << "nothing written past the buffer";

        source = Repeat(u'\xFF1C', c.length);
        EXPECT_EQ(Unremap(source.c_str(), out.data()), static_cast<int32_t>(c.kept)) << c.length;
        EXPECT_EQ(std::u16string(out.c_str()), Repeat(u'<', c.kept));
    }
}

TEST_F(UnsafeSetTest, InPlaceAndBackwardOverlapAreSafe) {
    std::u16string buffer = u"xx<a>";
    buffer.resize(MAX_ARG_LEN);
    EXPECT_EQ(Remap(buffer.data() + 2, buffer.data()), 2);
    EXPECT_EQ(std::u16string(buffer.c_str()), u"\xFF1C" u"a\xFF1E");
    EXPECT_EQ(Unremap(buffer.data(), buffer.data()), 2);
    EXPECT_EQ(std::u16string(buffer.c_str()), u"<a>");
}

TEST_F(UnsafeSetTest, NullPointersFail) {
    char16_t buffer[4] = u"a";
    EXPECT_EQ(Remap(nullptr, buffer), -1);
    EXPECT_EQ(Remap(buffer, nullptr), -1);
    EXPECT_EQ(Unremap(nullptr, buffer), -1);
    EXPECT_EQ(Unremap(buffer, nullptr), -1);
    EXPECT_EQ(CountChars(nullptr, 0, false), -1);
}

TEST_F(UnsafeSetTest, CountCharsCountsEachUnitOnce) {
    struct CountCase {
        std::u16string text;
        int32_t safeForms;
        int32_t dangerous;
    };
    const CountCase cases[] = {
        {u"\xFF06" u"a\xFF1C&", 2, 1},
        {u"", 0, 0},
        {u"plain", 0, 0},
        {u"\xFF21\xFF5F\xFF00", 3, 0},
        {u"<<>>", 0, 4},
    };
    for (const CountCase& c : cases) {
        std::u16string buffer = c.text;
        buffer.resize(MAX_ARG_LEN);
        EXPECT_EQ(CountChars(buffer.data(), 0, false), c.safeForms) << Narrow(c.text);
        EXPECT_EQ(CountChars(buffer.data(), 1, false), c.dangerous) << Narrow(c.text);
        EXPECT_EQ(CountChars(buffer.data(), 2, false), -2);
    }
}

TEST_F(UnsafeSetTest, CountCharsSeesTheSetAsItIsNow) {
    unsafeSet['&' - UNSAFE_FIRST] = 0;
    std::u16string buffer = u"\xFF06&";
    buffer.resize(MAX_ARG_LEN);
    EXPECT_EQ(CountChars(buffer.data(), 0, false), 1);
    EXPECT_EQ(CountChars(buffer.data(), 1, false), 0);
}

TEST_F(UnsafeSetTest, CountCharsExpandsANameThroughTheHost) {
    // Redirection off while the value with angle brackets is set.
    HostLine(u"setdos /x-6");
    HostLine(u"set plumcount=<a>\"b\"");
    HostLine(u"setdos /x0");
    for (const char16_t* name : {u"plumcount", u"%plumcount"}) {
        std::u16string buffer = name;
        buffer.resize(MAX_ARG_LEN);
        EXPECT_EQ(CountChars(buffer.data(), 1, true), 4) << Narrow(name);
        EXPECT_EQ(std::u16string(buffer.c_str()), u"<a>\"b\"") << "the value replaces the name";
    }
    HostLine(u"set plumcount=");

    std::u16string buffer = u"plum_not_set";
    buffer.resize(MAX_ARG_LEN);
    EXPECT_EQ(CountChars(buffer.data(), 0, true), 0);
    EXPECT_EQ(std::u16string(buffer.c_str()), u"plum_not_set") << "an empty value leaves the buffer";
}

TEST_F(UnsafeSetTest, CountCharsReportsAMissingName) {
    for (const char16_t* name : {u"", u"%"}) {
        CapturedStderr captured;
        std::u16string buffer = name;
        buffer.resize(MAX_ARG_LEN);
        EXPECT_EQ(CountChars(buffer.data(), 0, true), -1);
        EXPECT_EQ(captured.Bytes(), "Plumquist plugin: Missing variable or function name\r\n");
    }
}

TEST(Separators, OptionValueAndListSeparators) {
    const std::u16string all = u":=,; /-abc";
    std::u16string option;
    std::u16string list;
    for (char16_t c : all) {
        if (IsOptionValueSeparator(c)) option += c;
        if (IsListSeparator(c)) list += c;
    }
    EXPECT_EQ(option, u":=");
    EXPECT_EQ(list, u",;");
}

}  // namespace

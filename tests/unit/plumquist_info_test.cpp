#include <gtest/gtest.h>

#include <string>

#include "charset/unsafe_set.h"
#include "export_call.h"
#include "abi/exports.h"
#include "test_support.h"

namespace {

class PlumquistInfoTest : public ::testing::Test {
protected:
    void SetUp() override { SetDefaultUnsafe(); }
    void TearDown() override { SetDefaultUnsafe(); }
};

TEST_F(PlumquistInfoTest, SelectorsAndWhatFollowsThem) {
    // plumquistinfo.btm shows the common forms; these are the corners.
    struct SelectorCase {
        std::u16string argument;
        std::u16string result;
    };
    const SelectorCase cases[] = {
        {u"0x1;x", u"100000016800000050000364"},
        {u"2,,<", u",\xFF1C"},
        {u"3;\xFF21\xFF00", u"A "},
        {u"2,", u""},
        {u"3x;a", u""},
        {u"7,text", u"?7"},
        {u"0xFFFFFFFF", u"?4294967295"},
    };
    for (const SelectorCase& c : cases) {
        const ExportResult r = CallExport(f_plumquistinfo, c.argument);
        EXPECT_EQ(r.code, 0) << Narrow(c.argument);
        EXPECT_EQ(r.text, c.result) << Narrow(c.argument);
    }
}

TEST_F(PlumquistInfoTest, SetAsHexadecimal) {
    struct SetCase {
        const char* label;
        std::u16string members;
        std::u16string result;
    };
    const SetCase cases[] = {
        {"empty", u"", u"000000000000000000000000"},
        {"space", u" ", u"000000000000000000000001"},
        {"delete", u"\x7F", u"800000000000000000000000"},
        {"one per group edge", u"/0?@O", u"000000000000800180018000"},
        {"all", [] {
             std::u16string all;
             for (char16_t c = 0x20; c <= 0x7F; ++c) all += c;
             return all;
         }(),
         u"FFFFFFFFFFFFFFFFFFFFFFFF"},
    };
    for (const SetCase& c : cases) {
        for (int32_t& flag : unsafeSet) flag = 0;
        for (char16_t member : c.members) unsafeSet[member - UNSAFE_FIRST] = 1;
        EXPECT_EQ(CallExport(f_plumquistinfo, u"1").text, c.result) << c.label;
    }
}

TEST_F(PlumquistInfoTest, RemapAndUnremapAtTheBufferEdge) {
    // "2," and 16381 units fill the buffer; the text moves to the front.
    const std::u16string text = Repeat(u'<', 16381);
    ExportResult r = CallExport(f_plumquistinfo, u"2," + text);
    EXPECT_EQ(r.text, Repeat(u'\xFF1C', 16381));
    EXPECT_TRUE(r.canaryIntact);
    r = CallExport(f_plumquistinfo, u"3;" + Repeat(u'\xFF1C', 16381));
    EXPECT_EQ(r.text, text);
    EXPECT_TRUE(r.canaryIntact);
}

TEST_F(PlumquistInfoTest, BadSelectors) {
    for (const char16_t* argument : {u"abc", u"", u"4294967296", u" 1", u"x1", u"%s%n"}) {
        CapturedStderr captured;
        const ExportResult r = CallExport(f_plumquistinfo, argument);
        EXPECT_EQ(r.code, -1) << Narrow(argument);
        EXPECT_EQ(r.text, argument) << Narrow(argument);
        EXPECT_EQ(captured.Bytes(), "Plumquist plugin: Bad value \"" + Narrow(argument) + "\"\r\n");
    }
    EXPECT_EQ(f_plumquistinfo(nullptr), -1);
}

}  // namespace

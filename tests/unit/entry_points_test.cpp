#include <gtest/gtest.h>

#include "charset/unsafe_set.h"
#include "abi/exports.h"
#include "plugin/names_list.h"
#include "core/text.h"
#include "test_support.h"

namespace {

const std::u16string kAllNames =
    u"@countsafe,@countsafex,@countunsafe,@countunsafex,@plumquistinfo,@safeclip,@safeclipw,"
    u"@safeenv,@safeexp,@safeline,@saferead,@safewrite,@tagattr,@unsafe,@unsafeesc,@uquotes,"
    u"_amp,_bq,_caret,_closebrk,_closepat,_gt,_lt,_openbrk,_openpat,_pct,_quote,_vbar,"
    u"safearray,plumquisthelp,safeecho,safeechos,unsafe";

TEST(RemoveNameFrom, RemovesTheFirstMatchAndItsSeparator) {
    struct RemoveCase {
        const char16_t* list;
        const char16_t* name;
        const char16_t* after;
        int32_t result;
    };
    const RemoveCase cases[] = {
        {u"a,b,safearray", u"safearray", u"a,b", 0},
        {u"a,safearray,b", u"safearray", u"a,b", 0},
        {u"safearray,a,b", u"SafeArray", u"a,b", 0},
        {u"a;safearray;b", u"safearray", u"a;b", 0},
        {u"safearray", u"safearray", u"", 0},
        {u"a,b,", u"x", u"a,b", 0},  // a separator left at the end goes too
        {u"a,b", u"safearra", u"a,b", 0},
        {u"a,safearrays", u"safearray", u"a,safearrays", 0},
        {u"x,x", u"x", u"x", 0},
        {u"", u"x", u"", -1},
    };
    for (const RemoveCase& c : cases) {
        char16_t list[64];
        TextCopy(list, 64, c.list);
        EXPECT_EQ(RemoveNameFrom(list, c.name), c.result) << Narrow(c.list);
        EXPECT_EQ(std::u16string(list), c.after) << Narrow(c.list);
    }
}

class HostVersionTest : public ::testing::Test {
protected:
    void TearDown() override {
        HostLine(u"sethost _4ver=");
        HostLine(u"sethost _cmdproc=");
        ResetNameList();
    }
};

TEST_F(HostVersionTest, ArraysNeedVersion10To255AndNotTheLightEdition) {
    struct VersionCase {
        const char16_t* version;
        const char16_t* processor;
        bool arrays;
    };
    const VersionCase cases[] = {
        {u"33.00", u"TCC", true},   {u"10", u"TCC", true},     {u"255", u"TCC", true},
        {u"9.00", u"TCC", false},   {u"256", u"TCC", false},   {u"33.00", u"tccle", false},
        {u"33.00", u"TccLe", false}, {u"33.00", u"TCCLE2", true}, {u"\"\"", u"TCC", false},
        {u"-5", u"TCC", false},     {u"-99999999999", u"TCC", false}, {u"99999999999", u"TCC", false},
        {u"\xFF11\xFF10", u"TCC", true},
    };
    for (const VersionCase& c : cases) {
        HostLine(u"sethost _4ver=" + std::u16string(c.version));
        HostLine(u"sethost _cmdproc=" + std::u16string(c.processor));
        EXPECT_EQ(HostSupportsArrays(), c.arrays) << Narrow(c.version) << " " << Narrow(c.processor);
    }
}

TEST_F(HostVersionTest, PluginInfoDescribesThePlugin) {
    HostLine(u"sethost _4ver=33.00");
    PluginInfo* info = GetPluginInfo();
    EXPECT_EQ(std::u16string(info->pluginName), u"Plumquist");
    EXPECT_EQ(std::u16string(info->description), u"Read and write text containing special characters");
    EXPECT_EQ(info->majorVersion, 1);
    EXPECT_EQ(info->minorVersion, 10);
    EXPECT_EQ(info->build, 1);
    EXPECT_EQ(info->reserved1, 0u);
    EXPECT_EQ(info->reserved2, 0u);
    EXPECT_EQ(std::u16string(info->names), kAllNames);
    EXPECT_EQ(kAllNames.size(), 301u);
}

TEST_F(HostVersionTest, LightEditionLosesSafearrayForGood) {
    HostLine(u"sethost _cmdproc=tccle");
    const std::u16string shortened = GetPluginInfo()->names;
    EXPECT_EQ(shortened.find(u"safearray"), std::u16string::npos);
    const std::u16string tail = u",_vbar,plumquisthelp,safeecho,safeechos,unsafe";
    ASSERT_GE(shortened.size(), tail.size());
    EXPECT_EQ(shortened.substr(shortened.size() - tail.size()), tail);
    HostLine(u"sethost _cmdproc=");
    EXPECT_EQ(std::u16string(GetPluginInfo()->names), shortened) << "nothing ever lengthens the list";
}

}  // namespace

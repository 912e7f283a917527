#include <gtest/gtest.h>

#include <string>

#include "abi/exports.h"
#include "abi/plugin_info.h"
#include "captured_output.h"
#include "charset/unsafe_set.h"
#include "plumhost.h"
#include "test_support.h"

namespace {

int32_t RunSafeArray(const std::u16string& arguments) {
    std::u16string buffer = arguments;
    buffer.resize(MAX_ARG_LEN, u'\0');
    return safearray(buffer.data());
}

class SafeArrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDefaultUnsafe();
        HostLine(u"setdos /x0");
        HostLine(u"unsetarray *");
    }
    void TearDown() override {
        HostLine(u"unsetarray *");
        HostLine(u"setdos /x0");
    }
};

TEST_F(SafeArrayTest, ResultsAndWhatIsLeftInTheArray) {
    // A bad option past the 1024th argument must not go unseen.
    std::u16string tooMany = u"arr";
    for (int i = 0; i < 1023; ++i) tooMany += u" /Q";
    tooMany += u" /X";
    struct Case {
        const char16_t* arguments;
        int32_t result;
        const char16_t* element0;  // ARR[0] afterwards; it starts as "(v)"
    };
    const Case cases[] = {
        {u"", 1, u"(v)"},
        {u"/Q", 1, u"(v)"},
        {u"arr b", 1, u"(v)"},
        {u"/X arr", 1, u"(v)"},
        {u"/X /?", 1, u"(v)"},
        {u"/? /X", 0, u"(v)"},
        {u"/?? arr", 0, u"(v)"},
        {u"/C:x arr", 1, u"(v)"},
        {u"/R:x arr", 1, u"(v)"},
        {u"1arr", 1, u"(v)"},
        {u"nosuch", 1, u"(v)"},
        {u"cube", 1, u"(v)"},
        {u"arr", 0, u"\uff08v\uff09"},
        {u"/C:7 arr", 0, u"\uff08v\uff09"},  // no columns on one dimension
        {u"/R:1 arr", 0, u"(v)"},
        {u"/Q arr", 0, u"\"(v)\""},
        {u"/R:9 arr", 1, u"(v)"},  // the host cannot read that element
        {tooMany.c_str(), 1, u"(v)"},
    };
    for (const Case& c : cases) {
        HostLine(u"setarray arr[2] cube[2,2,2]");
        HostLine(u"set arr[0]=(v)");
        CapturedOutput output;
        EXPECT_EQ(RunSafeArray(c.arguments), c.result) << Narrow(c.arguments);
        EXPECT_EQ(Narrow(HostExpand(u"%arr[0]")), Narrow(c.element0)) << Narrow(c.arguments);
        EXPECT_EQ(output.Err().empty(), c.result == 0) << Narrow(c.arguments);
    }
    EXPECT_EQ(safearray(nullptr), 1);
}

TEST_F(SafeArrayTest, AnElementTooLongToStoreIsReportedAndLeftAlone) {
    // "NAME[...]=" and the new value must fit one SET line of 16383 units
    // after "*set ": 16378 units of set text.
    struct Case {
        const char16_t* options;
        const char16_t* shape;
        const char16_t* tooLong;  // element name
        const char16_t* fits;
        char16_t fill;
        size_t tooLongLength;
        size_t fitsLength;
        std::u16string fitsAfter;  // the fitting element afterwards
    };
    const size_t fitRemap = 16378 - 5;   // after "L[1]="
    const size_t fitQuote = 16378 - 9;   // after "L[0,1]=" and two quotes
    const Case cases[] = {
        {u"", u"l[2]", u"L[0]", u"L[1]", u'(', fitRemap + 1, fitRemap, Repeat(u'\uff08', fitRemap)},
        {u"/U ", u"l[2]", u"L[0]", u"L[1]", u'\uff08', fitRemap + 1, fitRemap, Repeat(u'(', fitRemap)},
        {u"/Q ", u"l[1,2]", u"L[0,0]", u"L[0,1]", u'x', fitQuote + 1, fitQuote, u"\"" + Repeat(u'x', fitQuote) + u"\""},
    };
    for (const Case& c : cases) {
        HostLine(u"unsetarray *");
        HostLine(u"setarray " + std::u16string(c.shape));
        const std::u16string longValue = Repeat(c.fill, c.tooLongLength);
        HostLine(u"set " + std::u16string(c.tooLong) + u"=" + longValue);
        HostLine(u"set " + std::u16string(c.fits) + u"=" + Repeat(c.fill, c.fitsLength));
        ASSERT_EQ(HostExpand(u"%" + std::u16string(c.tooLong)).size(), c.tooLongLength);

        CapturedStderr err;
        CapturedOutput output;
        EXPECT_EQ(RunSafeArray(std::u16string(c.options) + u"l"), 1) << Narrow(c.options);
        EXPECT_EQ(err.Bytes(), "Plumquist plugin: Element value too long \"" + Narrow(c.tooLong) + "\"\r\n");
        EXPECT_TRUE(HostExpand(u"%" + std::u16string(c.tooLong)) == longValue) << "left as it was";
        EXPECT_TRUE(HostExpand(u"%" + std::u16string(c.fits)) == c.fitsAfter) << "the other element is done";
        EXPECT_EQ(HostExpand(u"%_expansion"), u"") << "the guard has ended";
    }
}

TEST_F(SafeArrayTest, NamesUpToTheShapeQueryLimit) {
    // "%@arrayinfo[NAME,k]" must fit a 1024-unit buffer: at most 1008 units.
    const std::u16string longest = u"N" + Repeat(u'n', 1007);
    HostLine(u"setarray " + longest + u"[1]");
    HostLine(u"set " + longest + u"[0]=(1)");
    {
        CapturedStderr err;
        EXPECT_EQ(RunSafeArray(longest), 0);
        EXPECT_EQ(err.Bytes(), "");
    }
    EXPECT_EQ(Narrow(HostExpand(u"%" + longest + u"[0]")), Narrow(u"\uff081\uff09"));

    const std::u16string tooLong = longest + u"n";
    CapturedStderr err;
    EXPECT_EQ(RunSafeArray(tooLong), 1);
    EXPECT_EQ(err.Bytes(), "Plumquist plugin: Array name too long \"N" + std::string(1008, 'N') + "\"\r\n");
}

// A plug-in whose command SET fails for elements of row 0: plug-in names
// come before the host's own, so this is the SET that SAFEARRAY runs.
namespace failing_set {

char16_t names[] = u"set";
PluginInfo info;
std::u16string calls;

PluginInfo* PLUM_CALL GetPluginInfo(void) {
    info = PluginInfo{u"FailingSet", u"a", u"e", u"w", u"d", names, 1, 0, 0, 0, 0};
    return &info;
}
int32_t PLUM_CALL InitializePlugin(void) { return 0; }
int32_t PLUM_CALL Set(char16_t* buffer) {
    const std::u16string line(buffer);
    calls += line + u";";
    return line.find(u"[0") != std::u16string::npos ? 1 : 0;
}
void* Lookup(const char* name) {
    const std::string n = name;
    if (n == "GetPluginInfo") return reinterpret_cast<void*>(&GetPluginInfo);
    if (n == "InitializePlugin") return reinterpret_cast<void*>(&InitializePlugin);
    if (n == "set") return reinterpret_cast<void*>(&Set);
    return nullptr;
}

}  // namespace failing_set

TEST_F(SafeArrayTest, AFailedSetIsReportedAndTheOthersGoOn) {
    HostLine(u"setarray one[2] two[2,2]");
    HostLine(u"set one[0]=(a)");
    HostLine(u"set one[1]=(b)");
    HostLine(u"set two[0,1]=(c)");
    HostLine(u"set two[1,1]=(d)");
    ASSERT_EQ(plumhost::RegisterPlugin(u"failing-set", &failing_set::Lookup), 0);
    struct Case {
        const char16_t* arguments;
        const char* messages;
        const char16_t* setsRun;
    };
    const Case cases[] = {
        {u"one", "Plumquist plugin: Cannot set element \"ONE[0]\"\r\n",
         u" ONE[0]=\uFF08a\uFF09; ONE[1]=\uFF08b\uFF09;"},
        {u"/Q two", "Plumquist plugin: Cannot set element \"TWO[0,1]\"\r\n",
         u" TWO[0,1]=\"(c)\"; TWO[1,1]=\"(d)\";"},
        {u"/R:1 one", "", u" ONE[1]=\uFF08b\uFF09;"},
    };
    for (const Case& c : cases) {
        failing_set::calls.clear();
        CapturedStderr err;
        EXPECT_EQ(RunSafeArray(c.arguments), c.messages[0] == 0 ? 0 : 1) << Narrow(c.arguments);
        EXPECT_EQ(err.Bytes(), c.messages) << Narrow(c.arguments);
        EXPECT_EQ(Narrow(failing_set::calls), Narrow(c.setsRun)) << Narrow(c.arguments);
    }
    HostLine(u"plugin /u FailingSet");
}

}  // namespace

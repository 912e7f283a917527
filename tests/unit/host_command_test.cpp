#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

#include "captured_output.h"
#include "core/errors.h"
#include "core/host_command.h"
#include "abi/host_services.h"
#include "core/char_classes.h"
#include "core/text.h"
#include "test_support.h"

namespace {

class HostCommandTest : public ::testing::Test {
protected:
    void SetUp() override { HostLine(u"setdos /x0"); }
    void TearDown() override {
        while (ExpansionGuardDepth() > 0) EndExpansionGuard();
        HostLine(u"setdos /x0");
        HostLine(u"set plumtest=");
    }
};

TEST_F(HostCommandTest, RunsCommandsThroughTheHost) {
    EXPECT_EQ(RunHostCommand(u"set", u"plumtest=one"), 0);
    EXPECT_EQ(HostExpand(u"%plumtest"), u"one");
    EXPECT_EQ(RunHostCommand(u"set", u" plumtest=two"), 0) << "leading white space is kept, no space added";
    EXPECT_EQ(HostExpand(u"%plumtest"), u"two");
    EXPECT_EQ(RunHostCommand(u"set plumtest=three", nullptr), 0);
    EXPECT_EQ(HostExpand(u"%plumtest"), u"three");
    EXPECT_EQ(RunHostCommand(u"set plumtest=four", u""), 0);
    EXPECT_EQ(HostExpand(u"%plumtest"), u"four");
}

TEST_F(HostCommandTest, NeverDoublesTheStar) {
    // The host strips one leading "*"; a second one would make "*set" an
    // unknown command and leave the variable alone.
    EXPECT_EQ(RunHostCommand(u"*set", u"plumtest=starred"), 0);
    EXPECT_EQ(HostExpand(u"%plumtest"), u"starred");
    HostLine(u"setdos /x-1");
    EXPECT_EQ(RunHostCommand(u"*set", u"plumtest=again"), 0);
    EXPECT_EQ(HostExpand(u"%plumtest"), u"again");
}

TEST_F(HostCommandTest, RefusesEmptyAndOverlongLines) {
    EXPECT_EQ(RunHostCommand(nullptr, u"x"), -1);
    EXPECT_EQ(RunHostCommand(u"", u"x"), -1);
    // "*set " + name=value of 16378 units is 16383 units: the most that fits.
    std::u16string value = u"plumtest=" + Repeat(u'v', 16378 - 9);
    EXPECT_EQ(RunHostCommand(u"set", value.c_str()), 0);
    EXPECT_EQ(HostExpand(u"%plumtest").size(), 16378u - 9u);
    value += u'v';
    EXPECT_EQ(RunHostCommand(u"set", value.c_str()), -1);
    EXPECT_EQ(HostExpand(u"%plumtest").size(), 16378u - 9u) << "a line that does not fit is not run";
}

TEST_F(HostCommandTest, GuardSetsTheExpansionStateAndRestoresIt) {
    HostLine(u"setdos /x-2");
    ASSERT_EQ(HostExpand(u"%_expansion"), u"2");
    BeginExpansionGuard();
    EXPECT_EQ(HostExpand(u"%_expansion"), u"12478");
    EndExpansionGuard();
    EXPECT_EQ(HostExpand(u"%_expansion"), u"2");
}

TEST_F(HostCommandTest, EmptyStateIsRestoredAsZero) {
    ASSERT_EQ(HostExpand(u"%_expansion"), u"");
    BeginExpansionGuard();
    EXPECT_EQ(HostExpand(u"%_expansion"), u"1478");
    EndExpansionGuard();
    EXPECT_EQ(HostExpand(u"%_expansion"), u"");
}

TEST_F(HostCommandTest, GuardsNestAndOnlyTheOutermostRestores) {
    HostLine(u"setdos /x-5");
    BeginExpansionGuard();
    BeginExpansionGuard();
    EXPECT_EQ(ExpansionGuardDepth(), 2);
    EndExpansionGuard();
    EXPECT_EQ(HostExpand(u"%_expansion"), u"14578") << "an inner end changes nothing";
    EndExpansionGuard();
    EXPECT_EQ(HostExpand(u"%_expansion"), u"5");
    EndExpansionGuard();
    EXPECT_EQ(HostExpand(u"%_expansion"), u"5") << "an unmatched end changes nothing";
    EXPECT_EQ(ExpansionGuardDepth(), 0);
}

// The host's expansion state as SETDOS shows it, read without expanding
// anything: "0" when every feature is on.
std::u16string ShownExpansionState() {
    CapturedOutput output;
    HostLine(u"setdos");
    const std::u16string prefix = u"EXPANSION=";
    const std::u16string& shown = output.Out();
    if (shown.compare(0, prefix.size(), prefix) != 0 || shown.size() < prefix.size() + 2) return u"?" + shown;
    return shown.substr(prefix.size(), shown.size() - prefix.size() - 2);
}

TEST_F(HostCommandTest, GuardRestoresEveryStartingState) {
    // The guard's own state: 1, 4, 7 and 8 off, 3 on, the rest as the user
    // had them. With 3 off, %_expansion itself is not expanded.
    struct Case {
        const char16_t* start;  // disabled digits, "0" for none
        const char16_t* inside;
    };
    const Case cases[] = {
        {u"0", u"1478"},         {u"1", u"1478"},         {u"2", u"12478"},         {u"3", u"1478"},
        {u"4", u"1478"},         {u"5", u"14578"},        {u"6", u"14678"},         {u"7", u"1478"},
        {u"8", u"1478"},         {u"12", u"12478"},       {u"13", u"1478"},         {u"34", u"1478"},
        {u"35", u"14578"},       {u"36", u"14678"},       {u"56", u"145678"},       {u"1478", u"1478"},
        {u"2356", u"1245678"},   {u"135678", u"145678"},  {u"12345678", u"1245678"},
    };
    for (const Case& c : cases) {
        const std::string label = Narrow(c.start);
        HostLine(u"setdos /x" + std::u16string(c.start));
        ASSERT_EQ(ShownExpansionState(), c.start) << label;

        BeginExpansionGuard();
        EXPECT_EQ(ShownExpansionState(), c.inside) << label;
        BeginExpansionGuard();
        EXPECT_EQ(ShownExpansionState(), c.inside) << label << ", nested";
        EndExpansionGuard();
        EXPECT_EQ(ShownExpansionState(), c.inside) << label << ", after the inner end";
        EndExpansionGuard();
        EXPECT_EQ(ShownExpansionState(), c.start) << label;
        EXPECT_EQ(ExpansionGuardDepth(), 0) << label;

        // A second pair from the restored state finds it as the first did.
        BeginExpansionGuard();
        EndExpansionGuard();
        EXPECT_EQ(ShownExpansionState(), c.start) << label << ", second pair";
    }
}

TEST_F(HostCommandTest, HostQueriesTellWhenNothingWasExpanded) {
    char16_t buffer[64];
    EXPECT_EQ(QueryHostText(buffer, 64, u"%_batch"), HostQuery::EXPANDED);
    EXPECT_EQ(std::u16string(buffer), u"0");
    HostLine(u"setdos /x3");
    EXPECT_EQ(QueryHostText(buffer, 64, u"%_batch"), HostQuery::NOT_EXPANDED);
    EXPECT_EQ(std::u16string(buffer), u"") << "the reference is no value";
    EXPECT_EQ(QueryHostGuarded(buffer, 64, u"%_4ver"), HostQuery::EXPANDED);
    EXPECT_EQ(std::u16string(buffer), u"33.00");
    EXPECT_EQ(ShownExpansionState(), u"3");
    HostLine(u"setdos /x0");
    CapturedOutput hostMessage;
    EXPECT_EQ(QueryHostText(buffer, 64, u"%@plumnosuchfunction[x]"), HostQuery::FAILED);
    EXPECT_EQ(std::u16string(buffer), u"");
}

TEST(FormatSystemError, GivesOneLineWithoutTrailingSpace) {
    char16_t buffer[SYSTEM_ERROR_TEXT_LEN];
    EXPECT_EQ(FormatSystemError(nullptr, 2), -1);
    ASSERT_EQ(FormatSystemError(buffer, -1), 0);
    EXPECT_EQ(std::u16string(buffer), u"Unknown error");
    for (int32_t code : {2, 5, 13, 234}) {
        ASSERT_EQ(FormatSystemError(buffer, code), 0);
        const std::u16string text = buffer;
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_FALSE(CharIsSpace(text.back())) << code;
        EXPECT_EQ(text.find(u'\n'), std::u16string::npos) << code;
    }
    ASSERT_EQ(FormatSystemError(buffer, 0x2ABCDEF), 0);
    EXPECT_EQ(std::u16string(buffer), u"Error 44813807");
}

TEST(PrintErrorPrefix, OutsideABatchFileOnlyTheName) {
    CapturedStderr captured;
    EXPECT_EQ(PrintErrorPrefix(), 0);
    EXPECT_EQ(captured.Bytes(), "Plumquist plugin: ");
}

// ReportError takes a constant array as its format and nothing else: a
// pointer or a modifiable buffer, which could hold the user's text, does not
// compile.
template <typename Format, typename = void>
struct TakesAsFormat : std::false_type {};
template <typename Format>
struct TakesAsFormat<Format, std::void_t<decltype(ReportError(std::declval<Format>()))>> : std::true_type {};
static_assert(TakesAsFormat<const char16_t (&)[4]>::value, "a literal is a format");
static_assert(!TakesAsFormat<char16_t (&)[4]>::value, "a buffer is no format");
static_assert(!TakesAsFormat<const char16_t*>::value, "a pointer is no format");

TEST(ReportError, UserTextIsNeverAFormat) {
    CapturedStderr captured;
    ReportError(u"Bad value \"%s\"\r\n", u"%s%d%n");
    ReportError(u"Character must be in range %u - %u \"%s\"\r\n", 32u, 127u, u"%x");
    EXPECT_EQ(captured.Bytes(),
              "Plumquist plugin: Bad value \"%s%d%n\"\r\n"
              "Plumquist plugin: Character must be in range 32 - 127 \"%x\"\r\n");
}

}  // namespace

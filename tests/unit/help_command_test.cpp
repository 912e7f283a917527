#include <gtest/gtest.h>

#include "captured_output.h"
#include "export_call.h"
#include "fake_viewer.h"
#include "platform/platform.h"
#include "abi/exports.h"
#include "abi/plugin_version.h"
#include "shared/build_stamp.h"
#include "shared/help_command.h"
#include "plugin/help_hooks.h"
#include "plugin/names_list.h"
#include "shared/help_viewer.h"
#include "shared/usage_texts.h"
#include "shared/version_display.h"
#include "test_support.h"

namespace {

// Every place holds a help file; the first, PlumquistHelp's, is used.
int32_t AnyPathIsAFile(const char16_t* path) { return path != nullptr && path[0] != 0 ? 1 : 0; }

#if defined(_WIN32)
const std::u16string kHelpDirectory = u"C:\\docs";
const std::string kHelpFile = "C:\\docs\\Plumquist.chm";
#else
const std::u16string kHelpDirectory = u"/docs";
const std::string kHelpFile = "/docs/Plumquist.chm";
#endif

class HelpCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        PlatSetIsPlainFile(&AnyPathIsAFile);
        HostLine(u"set PlumquistHelp=" + kHelpDirectory);
    }
    void TearDown() override {
        HostLine(u"set PlumquistHelp=");
        PlatRestore("IsPlainFile");
    }
};

// What a request did: the topic the viewer was started at ("" when none),
// the tab posted (-1 when none) and the search text sent ("-" when none).
struct Request {
    std::string topic;
    int32_t tab = -1;
    std::string search = "-";
};

Request RequestOf(const FakeViewer& fake) {
    Request request;
    for (const std::string& call : fake.calls) {
        if (call.rfind("start ", 0) == 0) {
            const std::string prefix = kHelpFile + "::/";
            const size_t from = call.find(prefix) + prefix.size();
            request.topic = call.substr(from, call.rfind(".html\"") - from);
        } else if (call.rfind("post 2 0x1330 ", 0) == 0) {
            request.tab = std::stoi(call.substr(14));
        } else if (call.rfind("send 3 0xc 0 ", 0) == 0) {
            request.search = call.substr(13);
        }
    }
    return request;
}

TEST_F(HelpCommandTest, OptionsChooseTheTabAndTheSearchAndTheTopicEndsThem) {
    struct CommandCase {
        std::u16string argument;
        std::string topic;
        int32_t tab;
        std::string search;
    };
    const CommandCase cases[] = {
        {u"", "overview", -1, "-"},
        {u"   ", "overview", -1, "-"},
        {u" \"\" unsafe", "overview", -1, "-"},
        {u" @SAFEEXP", "f_safeexp", -1, "-"},
        {u" _Quote", "v_quote", -1, "-"},
        {u" UNSAFE", "unsafe", -1, "-"},
        {u" Unsafe /C", "unsafe", -1, "-"},
        {u" /C", "overview", 0, "-"},
        {u" /c /F", "overview", 2, "-"},
        {u" /S:foo /C", "overview", 0, "-"},
        {u" /S:\"two words\"", "overview", 1, "\"two words\""},
        {u" /s=one", "overview", 1, "one"},
        {u" /Sword safeecho", "safeecho", 1, "word"},
        {u" /S:one /S:two", "overview", 1, "two"},
        // No text, no search: the search tab alone.
        {u" /S", "overview", 1, "-"},
        {u" /S:", "overview", 1, "-"},
        {u" /S=\"\"", "overview", 1, "-"},
        {u" /f /s:x", "overview", 1, "x"},
        {u"\t/C\r\n@countsafe", "f_countsafe", 0, "-"},
        // A quoted space stays in the token; TAB, CR and LF end it all the same.
        {u" \"safe echo\"", "safe echo", -1, "-"},
        {u" \"a\tb\"", "a", -1, "-"},
        {u" \"a\nb\"", "a", -1, "-"},
        {u" sa\"fe\"echo", "safeecho", -1, "-"},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(Narrow(c.argument));
        FakeViewerScope scope;
        CapturedOutput output;
        const ExportResult result = CallExport(plumquisthelp, c.argument);
        EXPECT_EQ(result.code, 0);
        EXPECT_EQ(result.text, c.argument) << "the argument is left alone";
        const Request request = RequestOf(scope.Fake());
        EXPECT_EQ(request.topic, c.topic);
        EXPECT_EQ(request.tab, c.tab);
        EXPECT_EQ(request.search, c.search);
        EXPECT_EQ(output.Out(), u"");
        EXPECT_EQ(output.Err(), u"");
    }
}

TEST_F(HelpCommandTest, AnswersWithoutOpeningTheHelp) {
    const std::u16string usage(UsageText(u"plumquisthelp"));
    struct AnswerCase {
        std::u16string argument;
        int32_t result;
        std::u16string out;
        std::u16string err;
    };
    const std::u16string newHelpLine = u"\t\t\t\tNewHelp  1.0.8.14\r\n";
    const AnswerCase cases[] = {
        {u" /?", 0, usage, u""},
        {u" /??", 0, usage + kVersionLine + newHelpLine, u""},
        {u" /C /? topic", 0, usage, u""},
        {u" /x", 1, u"", u"Plumquist plugin: Unknown option: \"/X\"\r\n"},
        {u" /???", 1, u"", u"Plumquist plugin: Unknown option: \"/???\"\r\n"},
        {u" /s:x /Cx", 1, u"", u"Plumquist plugin: Unknown option: \"/CX\"\r\n"},
        {u" \"/a b\"", 1, u"", u"Plumquist plugin: Unknown option: \"/A B\"\r\n"},
        {u" _" + Repeat(u'x', MAX_ARG_LEN - 3), 1, u"", u"Plumquist plugin: Topic too long\r\n"},
        {u" @" + Repeat(u'x', MAX_ARG_LEN - 3), 1, u"", u"Plumquist plugin: Topic too long\r\n"},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(Narrow(c.argument.substr(0, 20)));
        FakeViewerScope scope;
        CapturedOutput output;
        EXPECT_EQ(CallExport(plumquisthelp, c.argument).code, c.result);
        EXPECT_EQ(output.Out(), c.out);
        EXPECT_EQ(output.Err(), c.err);
        EXPECT_EQ(scope.Fake().started, 0);
    }
    EXPECT_EQ(plumquisthelp(nullptr), 1);
}

TEST_F(HelpCommandTest, QuitEndsTheViewerAndAFailedOpenReturnsOne) {
    FakeViewerScope scope;
    FakeViewer& fake = scope.Fake();
    ASSERT_EQ(CallExport(plumquisthelp, u" /C").code, 0);
    ASSERT_EQ(RecordedHelpViewer(), FAKE_FIRST_PROCESS);
    fake.calls.clear();
    EXPECT_EQ(CallExport(plumquisthelp, u" /q").code, 0);
    EXPECT_EQ(fake.calls, (std::vector<std::string>{"end 101 0", "close 101"}));
    EXPECT_EQ(RecordedHelpViewer(), 0);

    fake.program = u"";
    CapturedOutput output;
    EXPECT_EQ(CallExport(plumquisthelp, u" unsafe").code, 1);
    EXPECT_EQ(output.Err(), u"Plumquist plugin: Cannot start the help viewer\r\n");
}

// The date of the stamp in the display's form, worked out here on its own.
std::u16string IsoDateOf(const std::string& date) {
    const std::string months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const int month = static_cast<int>(months.find(date.substr(0, 3))) / 3 + 1;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", std::stoi(date.substr(7)), month, std::stoi(date.substr(4, 2)));
    return std::u16string(text, text + 10);
}

TEST_F(HelpCommandTest, VersionDisplayShowsTheStampCompiledIn) {
    const std::string date = BUILD_DATE;
    const std::string time = BUILD_TIME;
    ASSERT_EQ(date.size(), 11u);
    ASSERT_EQ(time.size(), 8u);
    const std::u16string tag = sizeof(void*) == 8 ? u"x64" : u"x86";
    FakeViewerScope scope;
    CapturedOutput output;
    EXPECT_EQ(CallExport(plumquisthelp, u" /V ignored").code, 0);
    EXPECT_EQ(output.Out(), u"Plumquist plugin  1.10.1.0  " + IsoDateOf(date) + u" " +
                                std::u16string(time.begin(), time.end()) + u"  (" + tag +
                                u")\r\n\n"
                                u"   NewHelp . . . . . . . . . 1.0.8.14\r\n"
                                u"   ParseArgs . . . . . . . . 1.0.3.0\r\n");
    EXPECT_EQ(scope.Fake().started, 0);
}

TEST(VersionDisplay, DatesAreReadInTheCompilersForm) {
    struct DateCase {
        const char* date;
        int32_t result;
        std::u16string iso;
    };
    const DateCase cases[] = {
        {"Apr  3 2024", 0, u"2024-04-03"},
        {"apr 3 2024", 0, u"2024-04-03"},
        {"DEC 31 2099", 0, u"2099-12-31"},
        {"Jan\t01\t2014", 0, u"2014-01-01"},
        {"Xyz  3 2024", 1, u""},
        {"Ap", 1, u""},
        {"", 1, u""},
        {"Apr3 2024", 2, u""},
        {"Apr  0 2024", 2, u""},
        {"Apr 32 2024", 2, u""},
        {"Apr 4294967297 2024", 2, u""},
        {"Apr  x 2024", 2, u""},
        {"Apr  3x2024", 3, u""},
        {"Apr  3", 3, u""},
        {"Apr  3 2013", 3, u""},
        {"Apr  3 2100", 3, u""},
    };
    for (const DateCase& c : cases) {
        SCOPED_TRACE(c.date);
        char16_t destination[1024] = {u'#', 0};
        EXPECT_EQ(DateToIso(c.date, destination), c.result);
        EXPECT_EQ(std::u16string(destination), c.result == 0 ? c.iso : u"#");
    }
    EXPECT_EQ(BuildDateIso(nullptr), -1);
    char16_t destination[1024];
    EXPECT_EQ(BuildDateIso(destination), 0);
    EXPECT_EQ(std::u16string(destination), IsoDateOf(BUILD_DATE));
}

TEST(VersionDisplay, ModuleLinesPutTheVersionInColumn29) {
    struct ModuleCase {
        std::u16string name;
        const char* version;
        std::u16string line;
    };
    const ModuleCase cases[] = {
        {u"NewHelp", "1.0.8.14", u"   NewHelp . . . . . . . . . 1.0.8.14\r\n"},
        {u"A", "2", u"   A . . . . . . . . . . . . 2\r\n"},
        {Repeat(u'n', 20), "3", u"   " + Repeat(u'n', 20) + u"  . . 3\r\n"},
        {Repeat(u'n', 19), "3", u"   " + Repeat(u'n', 19) + u" . . . 3\r\n"},
        {Repeat(u'n', 21), "4", u"   " + Repeat(u'n', 21) + u" . . . 4\r\n"},
        {u"Empty", "", u""},
    };
    for (const ModuleCase& c : cases) {
        SCOPED_TRACE(Narrow(c.name));
        CapturedOutput output;
        EXPECT_EQ(PrintModuleVersion(c.name.c_str(), c.version), 0);
        EXPECT_EQ(output.Out(), c.line);
        if (!c.line.empty() && c.name.size() <= 20) {
            EXPECT_EQ(c.line.find(c.version[0], 3 + c.name.size()), 29u);
        }
    }
}

TEST(QuoteIfSpaces, QuotesTextWithWhiteSpaceWhenItFits) {
    struct QuoteCase {
        std::u16string text;
        int32_t result;
        std::u16string after;
    };
    const std::u16string fits = Repeat(u'a', MAX_ARG_LEN - 4) + u" ";     // 16381 units
    const std::u16string tooLong = Repeat(u'a', MAX_ARG_LEN - 3) + u" ";  // 16382 units
    const QuoteCase cases[] = {
        {u"", 0, u""},
        {u"word", 0, u"word"},
        {u"two words", 0, u"\"two words\""},
        {u"a\tb", 0, u"\"a\tb\""},
        {u" ", 0, u"\" \""},
        {fits, 0, u"\"" + fits + u"\""},
        {tooLong, 8, tooLong},
    };
    for (const QuoteCase& c : cases) {
        SCOPED_TRACE(c.text.size());
        std::u16string buffer = c.text;
        buffer.resize(MAX_ARG_LEN + 8, u'\xFDD0');
        buffer[c.text.size()] = 0;
        EXPECT_EQ(QuoteIfSpaces(&buffer[0]), c.result);
        EXPECT_EQ(std::u16string(buffer.c_str()), c.after);
        EXPECT_EQ(buffer.substr(MAX_ARG_LEN), std::u16string(8, u'\xFDD0'));
    }
    EXPECT_EQ(QuoteIfSpaces(nullptr), -1);
}

class HelpHooksTest : public HelpCommandTest {
protected:
    void TearDown() override {
        HostLine(u"sethost _cmdproc=");
        ResetNameList();
        HelpCommandTest::TearDown();
    }
};

TEST_F(HelpHooksTest, HelpOpensTheTopicOfOneOfThePluginsNames) {
    struct HelpCase {
        const char16_t* name;
        int32_t result;
        std::string topic;
    };
    const HelpCase cases[] = {
        {u"@countsafe", 1, "f_countsafe"},
        {u"@CountSafe", 1, "f_countsafe"},
        {u"@COUNTSAFEX", 1, "f_countsafex"},
        {u"_Amp", 1, "v_amp"},
        {u"PlumquistHelp", 1, "plumquisthelp"},
        {u"unsafe", 1, "unsafe"},
        {u"safearray", 1, "safearray"},
        {u"countsafe", 0, ""},
        {u"@countsaf", 0, ""},
        {u"@countsafe ", 0, ""},
        {u"@countsafe,@countsafex", 0, ""},
        {u"", 0, ""},
        {nullptr, 0, ""},
    };
    for (const HelpCase& c : cases) {
        SCOPED_TRACE(c.name ? Narrow(c.name) : "null");
        FakeViewerScope scope;
        CapturedOutput output;
        EXPECT_EQ(Help(c.name), c.result);
        const Request request = RequestOf(scope.Fake());
        EXPECT_EQ(request.topic, c.topic);
        EXPECT_EQ(request.tab, -1);
        EXPECT_EQ(output.Out() + output.Err(), u"");
    }

    // A name the host cannot run has left the list.
    HostLine(u"sethost _cmdproc=tccle");
    GetPluginInfo();
    FakeViewerScope scope;
    EXPECT_EQ(Help(u"safearray"), 0);
    EXPECT_EQ(scope.Fake().started, 0);
    EXPECT_EQ(Help(u"safeecho"), 1);

    // The name was handled even when the help could not be opened.
    scope.Fake().program = u"";
    CapturedOutput output;
    EXPECT_EQ(Help(u"unsafe"), 1);
    EXPECT_EQ(output.Err(), u"Plumquist plugin: Cannot start the help viewer\r\n");
}

TEST(HelpHooks, UsageGivesACommandsTextFromItsSyntaxLine) {
    struct UsageCase {
        const char16_t* name;
        int32_t result;
        std::u16string text;
    };
    const UsageCase cases[] = {
        {u"SafeEchoS", 1, UsageSyntaxPart(UsageText(u"safeechos"))},
        {u"unsafe", 1, UsageSyntaxPart(UsageText(u"unsafe"))},
        {u"SAFEARRAY", 1, UsageSyntaxPart(UsageText(u"safearray"))},
        {u"safeecho", 1, UsageSyntaxPart(UsageText(u"safeecho"))},
        {u"plumquisthelp", 1, UsageSyntaxPart(UsageText(u"plumquisthelp"))},
        {u"plumquistinfo", 0, u""},
        {u"@safeexp", 0, u""},
        {u"safeech", 0, u""},
        {u"", 0, u""},
        {nullptr, 0, u""},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(c.name ? Narrow(c.name) : "null");
        // The host's buffer is USAGE_BUFFER_LEN units: canaries after it.
        std::u16string buffer(USAGE_BUFFER_LEN + 8, u'\xFDD0');
        EXPECT_EQ(Usage(c.name, &buffer[0]), c.result);
        if (c.result == 1) {
            EXPECT_EQ(std::u16string(buffer.c_str()), c.text);
        } else {
            EXPECT_EQ(buffer, std::u16string(USAGE_BUFFER_LEN + 8, u'\xFDD0')) << "buffer untouched";
        }
        EXPECT_EQ(buffer.substr(USAGE_BUFFER_LEN), std::u16string(8, u'\xFDD0'));
    }
    EXPECT_EQ(std::u16string(UsageSyntaxPart(UsageText(u"unsafe"))).rfind(u"UNSAFE /D:chars /E:chars /R /S /Z\r\n", 0),
              0u);
    char16_t buffer[USAGE_BUFFER_LEN];
    EXPECT_EQ(Usage(u"unsafe", nullptr), 0);
    EXPECT_EQ(Usage(nullptr, buffer), 0);
}

}  // namespace

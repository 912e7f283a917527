#include <gtest/gtest.h>

#include "captured_output.h"
#include "shared/usage_texts.h"
#include "test_support.h"

namespace {

// Everything after the first line and the line feeds that follow it, found
// without the routine under test.
std::u16string SyntaxPart(const std::u16string& text) {
    size_t at = text.find(u'\n');
    if (at == std::u16string::npos) return u"";
    while (at < text.size() && text[at] == u'\n') ++at;
    return text.substr(at);
}

TEST(UsageTexts, EachTextHasItsShapeAndLength) {
    struct UsageCase {
        const char16_t* name;
        const char16_t* syntaxLine;
        size_t syntaxPartLength;
    };
    const UsageCase cases[] = {
        {u"safearray", u"SAFEARRAY /C:n /R:n /Q /QE arrayname\r\n", 394},
        {u"plumquisthelp", u"PLUMQUISTHELP /C /F /S /S:text /V topic\r\n", 325},
        {u"safeecho", u"SAFEECHO text\r\n", 139},
        {u"safeechos", u"SAFEECHOS text\r\n", 195},
        {u"unsafe", u"UNSAFE /D:chars /E:chars /R /S /Z\r\n", 719},
    };
    for (const UsageCase& c : cases) {
        SCOPED_TRACE(Narrow(c.name));
        const char16_t* usage = UsageText(c.name);
        ASSERT_NE(usage, nullptr);
        const std::u16string text(usage);
        const std::u16string part = SyntaxPart(text);
        EXPECT_EQ(part.size(), c.syntaxPartLength);
        EXPECT_EQ(std::u16string(UsageSyntaxPart(usage)), part);
        // Description, an empty line, then the syntax line: the only CR.
        EXPECT_EQ(part.find(c.syntaxLine), 0u);
        EXPECT_EQ(text.find(u'\r'), text.size() - part.size() + part.find(u'\r'));
        EXPECT_EQ(text.find(u'\r', text.find(u'\r') + 1), std::u16string::npos);
        EXPECT_EQ(text.find(u"\n\n"), text.size() - part.size() - 2);
        EXPECT_EQ(text.back(), u'\n');
    }
}

TEST(UsageTexts, KeepTrailingSpacesAndTypographicQuotes) {
    struct PieceCase {
        const char16_t* name;
        const char16_t* piece;
    };
    const PieceCase cases[] = {
        {u"safeecho", u"restoring any  \nremapped \u2018safe\u2019 characters"},
        {u"safeechos", u"values.  A carriage return and  \nline feed will not be appended.\n"},
        {u"plumquisthelp", u"Opens this plugin\u2019s help file"},
        {u"plumquisthelp", u"opens the Overview page by default.  \n"},
        {u"unsafe", u"a value 32 - 127, or a  \nhex value 0x20 - 0x7f;"},
        {u"safearray", u"\t/QE   ...  including Empty elements\n\nThe arrayname is required.  The"},
    };
    for (const PieceCase& c : cases) {
        const std::u16string text(UsageText(c.name));
        EXPECT_NE(text.find(c.piece), std::u16string::npos) << Narrow(c.name) << ": " << Narrow(c.piece);
    }
}

TEST(UsageTexts, LookUpFoldsAsciiCaseOnly) {
    EXPECT_EQ(UsageText(u"SafeEchoS"), UsageText(u"safeechos"));
    EXPECT_NE(UsageText(u"safeecho"), UsageText(u"safeechos"));
    EXPECT_EQ(UsageText(u"plumquistinfo"), nullptr);
    EXPECT_EQ(UsageText(u"safeech"), nullptr);
    EXPECT_EQ(UsageText(u""), nullptr);
    EXPECT_EQ(UsageText(nullptr), nullptr);
    EXPECT_EQ(UsageSyntaxPart(nullptr), nullptr);
}

TEST(UsageTexts, VersionLineIsExact) {
    CapturedOutput output;
    EXPECT_EQ(PrintVersionLine(), 0);
    EXPECT_EQ(output.Out(), kVersionLine);
    EXPECT_EQ(output.Err(), u"");
}

TEST(UsageTexts, HelpOptionsAreMatchedExactly) {
    const std::u16string usage(UsageText(u"unsafe"));
    struct OptionCase {
        const char16_t* option;
        const char16_t* command;
        bool answered;
        std::u16string printed;
    };
    const OptionCase cases[] = {
        {u"/?", u"unsafe", true, usage},
        {u"/??", u"unsafe", true, usage + kVersionLine},
        {u"/???", u"unsafe", false, u""},
        {u"/? ", u"unsafe", false, u""},
        {u" /?", u"unsafe", false, u""},
        {u"/", u"unsafe", false, u""},
        {u"", u"unsafe", false, u""},
        {u"-?", u"unsafe", false, u""},
        {u"/?", u"nosuchcommand", false, u""},
        {nullptr, u"unsafe", false, u""},
    };
    for (const OptionCase& c : cases) {
        CapturedOutput output;
        EXPECT_EQ(AnswerHelpOption(c.option, c.command), c.answered) << (c.option ? Narrow(c.option) : "null");
        EXPECT_EQ(output.Out(), c.printed) << (c.option ? Narrow(c.option) : "null");
    }
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shared/parse_args.h"
#include "test_support.h"

namespace {

// The arguments of the last call as texts; an empty argument must have no
// start, and every other one must be terminated right after its length.
std::vector<std::u16string> Arguments() {
    std::vector<std::u16string> found;
    for (int32_t k = 0; k < parseResult.argCount; ++k) {
        const int32_t length = parseResult.argLength[k];
        if (length == 0) {
            EXPECT_EQ(parseResult.argStart[k], nullptr) << "argument " << k;
            found.emplace_back();
            continue;
        }
        const char16_t* start = parseResult.argStart[k];
        EXPECT_EQ(start[length], 0) << "argument " << k;
        found.emplace_back(start, static_cast<size_t>(length));
    }
    return found;
}

std::string Show(const std::vector<std::u16string>& arguments) {
    std::string text;
    for (const std::u16string& argument : arguments) text += "<" + Narrow(argument) + ">";
    return text;
}

struct SplitCase {
    uint16_t flags;
    const char16_t* text;
    std::vector<std::u16string> expected;
};

void RunCases(const std::vector<SplitCase>& cases) {
    for (const SplitCase& c : cases) {
        const int32_t count = ParseArgs(c.text, c.flags);
        const std::vector<std::u16string> found = Arguments();
        EXPECT_EQ(count, static_cast<int32_t>(c.expected.size())) << Narrow(c.text);
        EXPECT_EQ(parseResult.argCount, count) << Narrow(c.text);
        EXPECT_EQ(Show(found), Show(c.expected)) << "text " << Narrow(c.text) << " flags " << c.flags;
        // Nothing of an earlier call may show through beyond the count.
        for (int32_t k = count; k < MAX_ARGS; ++k) {
            if (parseResult.argStart[k] != nullptr || parseResult.argLength[k] != 0) {
                ADD_FAILURE() << "stale entry " << k << " after " << Narrow(c.text);
                break;
            }
        }
    }
}

constexpr uint16_t SP = PA_SPACES;
constexpr uint16_t SW = PA_SPLIT_SWITCHES;

TEST(ParseArgs, WhitespaceAndQuotes) {
    RunCases({
        {SP, u"", {}},
        {SP, u"  \t \r\n ", {}},
        {SP, u"  a   b  ", {u"a", u"b"}},
        {SP, u"a\u3000b\u00A0c", {u"a", u"b", u"c"}},
        {SP, u"\"a b\" c", {u"a b", u"c"}},
        {SP, u"ab\"c d\"e", {u"abc de"}},
        {SP, u"a \"\" b", {u"a", u"b"}},
        {SP, u"\" x\"", {u" x"}},
        {SP, u"\"x  \"", {u"x"}},
        {SP | PA_KEEP_TRAILING, u"\"x  \"", {u"x  "}},
        {SP, u"\"a \" b", {u"a", u"b"}},
        {SP, u"a \"b c", {u"a", u"b c"}},  // an open quote runs to the end
        {SP | PA_KEEP_QUOTES, u"\"a b\" c", {u"\"a b\"", u"c"}},
        {SP | PA_NO_QUOTING, u"\"a b\"", {u"\"a", u"b\""}},
        // A quoted blank is an argument, trimmed to nothing.
        {SP, u"a \" \" b", {u"a", u"", u"b"}},
    });
}

TEST(ParseArgs, DefaultSeparatorIsWhitespace) {
    // Without any separating flag, whitespace separates.
    RunCases({
        {0, u"a b", {u"a", u"b"}},
        {PA_UPPERCASE, u"a b", {u"A", u"B"}},
        {PA_COMMAS, u"a b,c", {u"a b", u"c"}},
    });
}

TEST(ParseArgs, CommasAndTabs) {
    RunCases({
        {PA_COMMAS, u"a,,b", {u"a", u"", u"b"}},
        {PA_COMMAS, u"a, b", {u"a", u"b"}},
        {PA_COMMAS, u"a,", {u"a"}},
        {PA_COMMAS, u"\"a,b\",c", {u"a,b", u"c"}},
        // A comma after a space ends an argument that has not begun yet.
        {SP | PA_COMMAS, u"a ,b", {u"a", u"", u"b"}},
        {PA_TABS, u"a\t\tb", {u"a", u"", u"b"}},
        {PA_TABS, u"a b\tc", {u"a b", u"c"}},
        {PA_TABS | SP, u"a\t\tb", {u"a", u"b"}},  // PA_SPACES cancels PA_TABS
    });
}

TEST(ParseArgs, SplitSwitches) {
    RunCases({
        {SP | SW, u"/A/B", {u"/A", u"/B"}},
        {SP | SW, u"/A//B", {u"/A", u"//B"}},
        {SP | SW, u"a/b", {u"a/b"}},
        {SP | SW, u"/O:a://b/c", {u"/O:a://b/c"}},
        {SP | SW, u"/O:a://b /A/B", {u"/O:a://b", u"/A", u"/B"}},  // the URL guard ends with its argument
        {SP | SW, u"/D:\"/\"", {u"/D:/"}},
        {SP | SW, u"/D:/", {u"/D:", u"/"}},
        {SP | SW, u"/Q/R:2 arr", {u"/Q", u"/R:2", u"arr"}},
        {SP, u"/A/B", {u"/A/B"}},
    });
}

TEST(ParseArgs, QuoteAsColon) {
    const uint16_t unsafeFlags = SP | SW | PA_QUOTE_AS_COLON;
    RunCases({
        {unsafeFlags, u"/D\"&^\"", {u"/D:&^"}},
        {unsafeFlags, u"/D:\"&^\"", {u"/D:&^"}},
        {unsafeFlags, u"/DX\"a\"", {u"/DXa"}},
        {unsafeFlags, u"/1\"a\"", {u"/1a"}},  // only after a letter
        {unsafeFlags, u"/E\"|\"/D:b", {u"/E:|", u"/D:b"}},
        {unsafeFlags, u"/E\"a b\"", {u"/E:a b"}},
        {unsafeFlags | PA_KEEP_QUOTES, u"/D\"a\"", {u"/D:\"a\""}},
        {SP | SW, u"/D\"a\"", {u"/Da"}},
    });
    ParseArgs(u"/D\"a\"", unsafeFlags | PA_KEEP_QUOTES);
    EXPECT_EQ(parseResult.argLength[0], 6);
}

TEST(ParseArgs, SplitEquals) {
    const uint16_t eq = SP | PA_SPLIT_EQUALS;
    RunCases({
        {eq, u"name=value with spaces", {u"name", u"=value with spaces"}},
        {eq, u"a=b=c", {u"a", u"=b=c"}},
        {eq, u"/X=1 /Y", {u"/X=1 /Y"}},
        {eq, u"name = value", {u"name", u"=value"}},
        {eq, u"name =value", {u"name", u"=value"}},
        {eq, u"name= value", {u"name", u"=value"}},
        {eq, u"a=\"b c\"", {u"a", u"=b c"}},
        {eq | PA_NO_QUOTING_AFTER_EQUALS, u"\"a b\"=\"c d\"", {u"a b", u"=\"c d\""}},
        {PA_SPLIT_EQUALS | PA_COMMAS, u"a=b,c", {u"a", u"=b,c"}},
        {SP, u"a=b", {u"a=b"}},
    });
}

TEST(ParseArgs, BracketSwitch) {
    RunCases({
        {SP | PA_BRACKET_SWITCH, u"/[!*.bak *.tmp] file", {u"/[!*.bak *.tmp]", u"file"}},
        {SP | PA_BRACKET_SWITCH, u"/[!\"a b\"] x", {u"/[!\"a b\"]", u"x"}},
        {SP | PA_BRACKET_SWITCH, u"/[x y]", {u"/[x", u"y]"}},
        {SP, u"/[!*.bak *.tmp] file", {u"/[!*.bak", u"*.tmp]", u"file"}},
    });
}

TEST(ParseArgs, RestOfTheText) {
    RunCases({
        {SP | PA_REST_FROM_FIRST, u"/X first second", {u"/X", u"first second"}},
        {SP | PA_REST_FROM_FIRST, u"/X \"a b\"  c ", {u"/X", u"a b  c"}},
        {SP | PA_COMMAS | PA_REST_FROM_FIRST, u"/X a b,c d", {u"/X", u"a b", u"c d"}},
        {SP | PA_REST_FROM_FIRST | PA_REST_KEEPS_QUOTES, u"/X \"a\" b", {u"/X", u"\"a\" b"}},
        {PA_COMMAS | PA_REST_FROM_FIRST, u"a b,c", {u"a b", u"c"}},  // acts only with PA_SPACES
        {SP | PA_REST_AFTER_FIRST, u"/X first second third", {u"/X", u"first", u"second third"}},
        {SP | PA_REST_AFTER_FIRST, u"/X /Y a b c", {u"/X", u"/Y", u"a", u"b c"}},
        {SP | PA_COMMAS | PA_REST_AFTER_FIRST, u"a,b,c d", {u"a", u"b,c d"}},
    });
}

TEST(ParseArgs, UpperCaseFoldsAsciiOnly) {
    RunCases({
        {SP | PA_UPPERCASE, u"/d:abc", {u"/D:ABC"}},
        {SP | PA_UPPERCASE, u"\u00e9z\uff41", {u"\u00e9Z\uff41"}},
    });
}

TEST(ParseArgs, NullTextLeavesTheLastResult) {
    ASSERT_EQ(ParseArgs(u"a b", SP), 2);
    EXPECT_EQ(ParseArgs(nullptr, SP), -1);
    EXPECT_EQ(parseResult.argCount, 2);
    EXPECT_EQ(Show(Arguments()), "<a><b>");
}

TEST(ParseArgs, FillsTheBufferToItsLastCell) {
    const std::u16string longest = Repeat(u'x', MAX_ARG_LEN - 1);
    CapturedStderr err;
    ASSERT_EQ(ParseArgs(longest.c_str(), SP), 1);
    EXPECT_EQ(parseResult.argLength[0], MAX_ARG_LEN - 1);
    EXPECT_EQ(parseResult.argStart[0], parseResult.argBuffer);
    EXPECT_EQ(parseResult.argBuffer[MAX_ARG_LEN - 1], 0);

    // Dropped quotes take no cells.
    const std::u16string quoted = u"\"" + longest + u"\"";
    ASSERT_EQ(ParseArgs(quoted.c_str(), SP), 1);
    EXPECT_EQ(parseResult.argLength[0], MAX_ARG_LEN - 1);
    EXPECT_EQ(err.Bytes(), "");
}

TEST(ParseArgs, OverflowIsReportedAndLeavesNoArguments) {
    const std::string message = "Plumquist plugin: Buffer overflow: b = 16383, MAX_ARG_LEN = 16384 \r\n";
    const std::u16string texts[] = {
        Repeat(u'x', MAX_ARG_LEN),                       // one character too many
        Repeat(u'x', MAX_ARG_LEN - 1) + u" ",            // no cell left for the terminator
        Repeat(u'x', MAX_ARG_LEN - 2) + u" b",           // the terminator fits, the next character not
        u"/a" + Repeat(u'x', MAX_ARG_LEN - 3) + u"/b",   // a switch split with no room left
    };
    for (const std::u16string& text : texts) {
        ParseArgs(u"stale one", SP);
        CapturedStderr err;
        EXPECT_EQ(ParseArgs(text.c_str(), SP | SW), -1) << text.size();
        EXPECT_EQ(parseResult.argCount, 0) << text.size();
        EXPECT_EQ(parseResult.argStart[0], nullptr) << text.size();
        EXPECT_EQ(parseResult.argLength[0], 0) << text.size();
        EXPECT_EQ(err.Bytes(), message) << text.size();
    }
}

TEST(ParseArgs, KeepsTheFirst1024Arguments) {
    std::u16string text;
    for (int i = 0; i < 1100; ++i) {
        const std::string number = std::to_string(i);
        text += std::u16string(number.begin(), number.end()) + u" ";
    }
    EXPECT_EQ(ParseArgs(text.c_str(), SP), MAX_ARGS);
    EXPECT_EQ(std::u16string(parseResult.argStart[MAX_ARGS - 1]), u"1023");
    EXPECT_TRUE(parseResult.argsDropped);

    // Exactly 1024, white space after them: nothing was dropped.
    const std::u16string exact = text.substr(0, text.find(u"1024 ")) + u"  \t ";
    EXPECT_EQ(ParseArgs(exact.c_str(), SP), MAX_ARGS);
    EXPECT_FALSE(parseResult.argsDropped);

    // The same when the last arguments come from switch splits or "=".
    std::u16string switches;
    for (int i = 0; i < 1030; ++i) switches += u"/s";
    EXPECT_EQ(ParseArgs(switches.c_str(), SP | SW), MAX_ARGS);
    EXPECT_EQ(std::u16string(parseResult.argStart[MAX_ARGS - 1]), u"/s");
    EXPECT_TRUE(parseResult.argsDropped);

    std::u16string names;
    for (int i = 0; i < 1023; ++i) names += u"n ";
    names += u"last=value";
    EXPECT_EQ(ParseArgs(names.c_str(), SP | PA_SPLIT_EQUALS), MAX_ARGS);
    EXPECT_EQ(std::u16string(parseResult.argStart[MAX_ARGS - 1]), u"last");
    EXPECT_TRUE(parseResult.argsDropped);
    EXPECT_EQ(ParseArgs(u"a b", SP), 2);
    EXPECT_FALSE(parseResult.argsDropped) << "every call starts afresh";
}

TEST(ParseArgs, ModuleVersion) { EXPECT_STREQ(PARSE_ARGS_VERSION, "1.0.3.0"); }

}  // namespace

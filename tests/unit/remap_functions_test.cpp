// The script tests show these functions at work in the host; here are the
// result codes, the buffer limits and the cases a script cannot reach.
#include <gtest/gtest.h>

#include <string>

#include "captured_output.h"
#include "charset/unsafe_set.h"
#include "export_call.h"
#include "abi/exports.h"
#include "core/host_command.h"
#include "test_support.h"

namespace {

std::string Message(const char* text) { return std::string("Plumquist plugin: ") + text + "\r\n"; }

class RemapFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDefaultUnsafe();
        HostLine(u"setdos /x0");
    }
    void TearDown() override {
        SetDefaultUnsafe();
        while (ExpansionGuardDepth() > 0) EndExpansionGuard();
        HostLine(u"setdos /x0");
    }
};

struct OutcomeCase {
    ExportFn fn;
    std::u16string argument;
    int32_t code;
    std::u16string result;  // the buffer afterwards
    std::string message;    // on standard error
};

void ExpectOutcomes(const OutcomeCase* begin, const OutcomeCase* end) {
    for (const OutcomeCase* c = begin; c != end; ++c) {
        const std::string label = Narrow(c->argument.substr(0, 24)) + " (" + std::to_string(c->argument.size()) + ")";
        CapturedStderr captured;
        const ExportResult r = CallExport(c->fn, c->argument);
        EXPECT_EQ(r.code, c->code) << label;
        EXPECT_EQ(r.text, c->result) << label;
        EXPECT_EQ(captured.Bytes(), c->message) << label;
        EXPECT_TRUE(r.canaryIntact) << label;
    }
}

TEST_F(RemapFunctionsTest, NamesAndTheirLimits) {
    const std::u16string longest = Repeat(u'n', 16382);  // "%" + name fills 16383 units
    const std::u16string tooLong = Repeat(u'n', 16383);
    const std::string missing = Message("Missing variable or function name");
    const std::string explode = Message("Don\xE2\x80\x99t make my brain explode!");
    const OutcomeCase cases[] = {
        {f_countsafex, u"", -1, u"", missing},
        {f_countunsafex, u"%", -1, u"%", missing},
        {f_countsafex, longest, 0, u"0", ""},
        {f_countunsafex, u"%" + longest, 0, u"0", ""},
        {f_countsafex, tooLong, -87, tooLong, Message("Name too long")},
        {f_countunsafex, tooLong, -87, tooLong, Message("Name too long")},
        {f_safeexp, u"", -87, u"", missing},
        {f_safeexp, u"%", -87, u"%", missing},
        {f_safeexp, u"@safeexp[x]", -87, u"@safeexp[x]", explode},
        {f_safeexp, u"%@SafeExp[", -87, u"%@SafeExp[", explode},
        {f_safeexp, longest, 0, u"", ""},
        {f_safeexp, u"%" + longest, 0, u"", ""},
        {f_safeexp, tooLong, -87, tooLong, Message("Name too long")},
        {f_safeenv, u"", -87, u"", Message("No variable name")},
        {f_safeenv, u"%", -87, u"%", Message("No variable name")},
        // A failed expansion gives the host's own result.
        {f_safeexp, u"@plumnosuchfunction[<x>]", -1, u"@plumnosuchfunction[<x>]", ""},
        {f_countsafex, u"@plumnosuchfunction[x]", -1, u"@plumnosuchfunction[x]", ""},
    };
    ExpectOutcomes(std::begin(cases), std::end(cases));
    EXPECT_EQ(ExpansionGuardDepth(), 0);
}

TEST_F(RemapFunctionsTest, NullBuffers) {
    for (ExportFn fn : {f_countsafe, f_countsafex, f_countunsafe, f_countunsafex}) EXPECT_EQ(fn(nullptr), -1);
    for (ExportFn fn : {f_safeenv, f_safeexp, f_unsafe, f_unsafeesc}) EXPECT_EQ(fn(nullptr), 1);
}

TEST_F(RemapFunctionsTest, SafeEnvValueLengths) {
    // The longest value that fits comes back whole; a longer one is refused
    // rather than passed off as an empty variable.
    SetProcessEnvironment("PLUMENVLONG", std::string(16383, '<'));
    const OutcomeCase fits[] = {{f_safeenv, u"PLUMENVLONG", 0, Repeat(u'\xFF1C', 16383), ""}};
    ExpectOutcomes(std::begin(fits), std::end(fits));

    SetProcessEnvironment("PLUMENVLONG", std::string(16384, '<'));
    const OutcomeCase refused[] = {
        {f_safeenv, u"PLUMENVLONG", -87, u"PLUMENVLONG", Message("Environment variable value too long")}};
    ExpectOutcomes(std::begin(refused), std::end(refused));
    SetProcessEnvironment("PLUMENVLONG", "");
}

TEST_F(RemapFunctionsTest, SafeEnvNamesOfAnyLength) {
    // Around 1024 bytes, where a fixed buffer for the name would end.
    for (size_t length : {1023, 1024, 1025, 4000}) {
        const std::string name(length, 'P');
        SetProcessEnvironment(name.c_str(), "<" + std::to_string(length) + ">");
        const std::string digits = std::to_string(length);
        const OutcomeCase cases[] = {
            {f_safeenv, std::u16string(name.begin(), name.end()), 0,
             u"\xFF1C" + std::u16string(digits.begin(), digits.end()) + u"\xFF1E", ""}};
        ExpectOutcomes(std::begin(cases), std::end(cases));
        SetProcessEnvironment(name.c_str(), "");
    }
}

#if !defined(_WIN32)
TEST_F(RemapFunctionsTest, SafeEnvIllFormedValuesAreMeasuredAsDecoded) {
    // Each stray continuation byte decodes to one U+FFFD: 16383 fit, 20000
    // are too long and said so, not passed off as an empty variable.
    SetProcessEnvironment("PLUMENVBYTES", std::string(16383, '\x80'));
    const OutcomeCase fits[] = {{f_safeenv, u"PLUMENVBYTES", 0, Repeat(u'\xFFFD', 16383), ""}};
    ExpectOutcomes(std::begin(fits), std::end(fits));
    SetProcessEnvironment("PLUMENVBYTES", std::string(20000, '\x80'));
    const OutcomeCase refused[] = {
        {f_safeenv, u"PLUMENVBYTES", -87, u"PLUMENVBYTES", Message("Environment variable value too long")}};
    ExpectOutcomes(std::begin(refused), std::end(refused));
    SetProcessEnvironment("PLUMENVBYTES", "");
}

TEST_F(RemapFunctionsTest, SafeEnvNamesIgnoreCaseAndAnExactNameWins) {
    // Windows holds one variable per name whatever its case; a POSIX
    // environment can hold several, and the one spelled as asked wins.
    SetProcessEnvironment("PLUMCASE", "<upper>");
    SetProcessEnvironment("plumcase", "<lower>");
    SetProcessEnvironment("PLUMONLYUPPER", "&");
    const OutcomeCase cases[] = {
        {f_safeenv, u"PLUMCASE", 0, u"\xFF1Cupper\xFF1E", ""},
        {f_safeenv, u"plumcase", 0, u"\xFF1Clower\xFF1E", ""},
        {f_safeenv, u"plumOnlyUpper", 0, u"\xFF06", ""},
        {f_safeenv, u"PLUMONLY", 0, u"", ""},
    };
    ExpectOutcomes(std::begin(cases), std::end(cases));
    for (const char* name : {"PLUMCASE", "plumcase", "PLUMONLYUPPER"}) SetProcessEnvironment(name, "");
}

TEST_F(RemapFunctionsTest, SafeEnvNamesWithSurrogatePairs) {
    // The names are looked up in UTF-8, encoded as the host's SET encodes
    // them: a pair is one four-byte character, a lone surrogate U+FFFD.
    const char* variables[][2] = {
        {"PLUMPAIR\xF0\x9F\x98\x80", "<end>"},
        {"\xF0\x9F\x98\x80PLUMPAIR", "<start>"},
        {"PLUMPAIR\xF0\x9F\x98\x80\xF0\x9F\x98\x81", "<adjacent>"},
        {"PLUMPAIR\xEF\xBF\xBD", "<lone>"},
    };
    for (const auto& variable : variables) SetProcessEnvironment(variable[0], variable[1]);
    const OutcomeCase cases[] = {
        {f_safeenv, u"PLUMPAIR\xD83D\xDE00", 0, u"\xFF1C" u"end\xFF1E", ""},
        {f_safeenv, u"\xD83D\xDE00PLUMPAIR", 0, u"\xFF1Cstart\xFF1E", ""},
        {f_safeenv, u"PLUMPAIR\xD83D\xDE00\xD83D\xDE01", 0, u"\xFF1C" u"adjacent\xFF1E", ""},
        {f_safeenv, u"PLUMPAIR\xD83D", 0, u"\xFF1Clone\xFF1E", ""},  // half a pair
        {f_safeenv, u"PLUMPAIR\xDE00", 0, u"\xFF1Clone\xFF1E", ""},
        {f_safeenv, u"PLUMPAIR\xDE00\xD83D", 0, u"", ""},  // two lone halves, no pair
    };
    ExpectOutcomes(std::begin(cases), std::end(cases));
    for (const auto& variable : variables) SetProcessEnvironment(variable[0], "");
}
#endif

TEST_F(RemapFunctionsTest, ExpansionFlagsGivenToTheHost) {
    // The host shows each expansion with its flag: 0 from @SAFEEXP, 1 from
    // the others.
    HostLine(u"set plumflag=x");
    HostLine(u"sethost _trace=2");
    struct Case {
        ExportFn fn;
        const char16_t* expected;
    };
    const Case cases[] = {
        {f_safeexp, u"[expand 0] %plumflag\r\n"},
        {f_countsafex, u"[expand 1] %plumflag\r\n"},
        {f_countunsafex, u"[expand 1] %plumflag\r\n"},
    };
    for (const Case& c : cases) {
        CapturedOutput output;
        EXPECT_EQ(CallExport(c.fn, u"plumflag").code, 0);
        EXPECT_NE(output.Err().find(c.expected), std::u16string::npos) << Narrow(output.Err());
        EXPECT_EQ(output.Err().find(c.fn == f_safeexp ? u"[expand 1] %plumflag" : u"[expand 0]"), std::u16string::npos)
            << Narrow(output.Err());
    }
    HostLine(u"sethost _trace=");
    HostLine(u"set plumflag=");
}

TEST_F(RemapFunctionsTest, GuardIsEndedWhateverTheExpansionGave) {
    HostLine(u"setdos /x-2");
    EXPECT_EQ(CallExport(f_safeexp, u"_expansion").text, u"12478") << "expanded inside the guard";
    EXPECT_EQ(HostExpand(u"%_expansion"), u"2");
    EXPECT_EQ(CallExport(f_safeexp, u"@plumnosuchfunction[]").code, -1);
    EXPECT_EQ(HostExpand(u"%_expansion"), u"2");
}

TEST_F(RemapFunctionsTest, CountingAndRestoringFollowTheSetNow) {
    unsafeSet['&' - UNSAFE_FIRST] = 0;
    unsafeSet['=' - UNSAFE_FIRST] = 1;
    const OutcomeCase cases[] = {
        {f_countsafe, u"\xFF06&\xFF21", 0, u"2", ""},  // safe forms count whatever the set
        {f_countunsafe, u"\xFF06&a=b", 0, u"1", ""},
        {f_countunsafe, Repeat(u'=', REMAP_LIMIT), 0, u"16383", ""},
        {f_unsafe, u"a\xFF06\xFF1C\xFF21\xFF60", 0, u"a&<A\xFF60", ""},
        {f_unsafeesc, u"a=b&c\xFF06", 0, u"a%==b&c&", ""},
        {f_unsafeesc, u"50\xFF05 \xFF02off\" `x`", 0, u"50%% %=qoff%=q %=kx%=k", ""},
    };
    ExpectOutcomes(std::begin(cases), std::end(cases));
}

TEST_F(RemapFunctionsTest, UnsafeEscCutsOnlyBetweenSequences) {
    struct CutCase {
        size_t plain;             // leading "a"s
        std::u16string tail;      // then this
        std::u16string expected;  // what follows the "a"s in the result
    };
    const CutCase cases[] = {
        {16382, u"b", u"b"},
        {16380, u"&", u"%=&"},  // ends exactly at 16383
        {16381, u"&", u""},     // would end at 16384: dropped whole
        {16381, u"&b", u""},    // and nothing after it
        {16381, u"%", u"%%"},
        {16382, u"\xFF05", u""},
        {16379, u"\"\"", u"%=q"},
        {16379, u"&\xD83D\xDE00", u"%=&"},  // the pair would end at 16384: dropped whole
        {16378, u"&\xD83D\xDE00", u"%=&\xD83D\xDE00"},
    };
    for (const CutCase& c : cases) {
        const ExportResult r = CallExport(f_unsafeesc, Repeat(u'a', c.plain) + c.tail);
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.text, Repeat(u'a', c.plain) + c.expected) << c.plain << " " << Narrow(c.tail);
        EXPECT_TRUE(r.canaryIntact);
    }
}

}  // namespace

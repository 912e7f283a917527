// The host emulator on its own: its services, expansion, command line,
// arrays, scripts and plug-in protocol, driven through its program interface
// (plumhost.h) and the host services a plug-in calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "abi/host_services.h"
#include "abi/plugin_info.h"
#include "plumhost.h"
#include "scratch_file.h"

namespace {

std::u16string Units(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

class HostEmulator : public ::testing::Test {
protected:
    void SetUp() override {
        plumhost::ResetHost();
        plumhost::CaptureOutput(&out_, &err_);
    }
    void TearDown() override {
        plumhost::CaptureOutput(nullptr, nullptr);
        plumhost::ResetHost();
        for (const std::string& path : files_) std::remove(path.c_str());
    }

    int Run(const std::u16string& line) { return plumhost::RunCommandLine(line); }

    // ExpandVariables on a MAX_ARG_LEN buffer, as a plug-in calls it.
    std::u16string Expand(const std::u16string& text, int32_t* rc = nullptr) {
        std::u16string buffer = text;
        buffer.resize(MAX_ARG_LEN, u'\0');
        int32_t result = ExpandVariables(&buffer[0], 1);
        if (rc) *rc = result;
        return std::u16string(buffer.c_str());
    }

    std::string Scratch(const std::string& name, const std::string& bytes) {
        std::string path = "host-emulator-" + name;
        WriteFileBytes(path, bytes);
        files_.push_back(path);
        return path;
    }

    std::u16string out_, err_;
    std::vector<std::string> files_;
};

// ------------------------------------------------------------------ printf

TEST_F(HostEmulator, SprintfDirectives) {
    struct Case {
        const char16_t* expected;
        std::function<int32_t(char16_t*)> format;
    };
    const Case cases[] = {
        {u"<(null)>", [](char16_t* b) { return Sprintf(b, u"<%s>", static_cast<const char16_t*>(nullptr)); }},
        {u"ab\u00E9", [](char16_t* b) { return Sprintf(b, u"%s", u"ab\u00E9"); }},
        {u"'A'", [](char16_t* b) { return Sprintf(b, u"'%c'", 'A'); }},
        {u"-42 42", [](char16_t* b) { return Sprintf(b, u"%d %u", -42, 42u); }},
        {u"4294967295", [](char16_t* b) { return Sprintf(b, u"%u", 0xFFFFFFFFu); }},
        {u"ff FF 07 00AB", [](char16_t* b) { return Sprintf(b, u"%x %X %02x %04X", 255u, 255u, 7u, 0xABu); }},
        {u"'%' (37, 0x25)", [](char16_t* b) { return Sprintf(b, u"'%c' (%u, 0x%02x)", '%', 37u, 37u); }},
        {u"[   42][-0042][ab  ]", [](char16_t* b) { return Sprintf(b, u"[%5d][%05d][%-4s]", 42, -42, u"ab"); }},
        {u"100% %q %", [](char16_t* b) { return Sprintf(b, u"100%% %q %"); }},
    };
    for (const Case& c : cases) {
        std::u16string buffer(MAX_ARG_LEN, u'\0');
        int32_t length = c.format(&buffer[0]);
        EXPECT_EQ(std::u16string(buffer.c_str()), c.expected);
        EXPECT_EQ(length, static_cast<int32_t>(std::u16string(c.expected).size()));
    }
}

TEST_F(HostEmulator, SprintfStopsAtTheArgumentBuffer) {
    std::u16string longText(20000, u'x');
    std::u16string buffer(MAX_ARG_LEN + 8, u'#');
    int32_t length = Sprintf(&buffer[0], u"%s", longText.c_str());
    EXPECT_EQ(length, MAX_ARG_LEN - 1);
    EXPECT_EQ(buffer[MAX_ARG_LEN - 1], u'\0');
    EXPECT_EQ(buffer.substr(MAX_ARG_LEN), std::u16string(8, u'#'));
}

TEST_F(HostEmulator, OutputServicesWriteTextUnchanged) {
    Printf(u"%s=%d\n", u"n", 5);
    QPuts(u"a\r\nb");
    CrLf();
    Qprintf(plumhost::StandardErrorHandle(), u"e%c", 'X');
    EXPECT_EQ(out_, u"n=5\na\r\nb\r\n");
    EXPECT_EQ(err_, u"eX");
}

// --------------------------------------------------------------- expansion

// @LEN nested `levels` deep around "x".
std::u16string NestedLen(size_t levels) {
    std::u16string text;
    for (size_t i = 0; i < levels; ++i) text += u"%@len[";
    return text + u"x" + std::u16string(levels, u']');
}

TEST_F(HostEmulator, ExpandsReferences) {
    ASSERT_EQ(Run(u"set PLUMHOST_T_A=alpha"), 0);
    ASSERT_EQ(Run(u"set PLUMHOST_T_N=(%%PLUMHOST_T_A)"), 0);
    const std::u16string deepest = NestedLen(128);
    struct Case {
        const char16_t* text;
        const char16_t* expected;
    };
    const Case cases[] = {
        {u"100%% 50% 5%", u"100% 50% 5%"},
        {u"%PLUMHOST_T_A.", u"alpha."},
        {u"%PLUMHOST_T_A%x", u"alphax"},
        {u"%[PLUMHOST_T_A]x", u"alphax"},
        {u"%plumhost_t_a", u"alpha"},
        {u"[%PLUMHOST_T_UNDEFINED]", u"[]"},
        {u"%PLUMHOST_T_N", u"(alpha)"},
        {u"%[PLUMHOST_T_%@len[ab]]|%[PLUMHOST_T_N]", u"|(alpha)"},
        {u"%@len[%PLUMHOST_T_A]", u"5"},
        {u"%@LEN[%@len[abcdefghij]]", u"2"},
        {u"%@path[/x/y/z.txt]", u"/x/y/"},
        {u"%@path[C:\\d\\f.chm]|%@path[f.chm]", u"C:\\d\\|"},
        {u"%=", u"^"},
        {u"%_cmdproc %_4ver %_batch", u"TCC 33.00 0"},
        {u"%[_transient]%[_pipe]%[PLUMHOST_T_UNDEFINED]", u"00"},
        {u"%_transient%_pipe", u"0_pipe"},
        {u"%@arrayinfo[nosuch,0]", u"0"},
        {u"%[%[PLUMHOST_T_A]", u"%[alpha"},
        {u"%@len[[]]%@len[a]b]", u"21b]"},
        {deepest.c_str(), u"1"},
    };
    for (const Case& c : cases) {
        int32_t rc = 1;
        EXPECT_EQ(Expand(c.text, &rc), c.expected) << "expanding " << ::testing::PrintToString(std::u16string(c.text));
        EXPECT_EQ(rc, 0);
    }
    EXPECT_EQ(err_, u"");
}

TEST_F(HostEmulator, SetdosExpansionSettings) {
    struct Case {
        std::vector<const char16_t*> lines;
        const char16_t* expansion;
    };
    const Case cases[] = {
        {{u"setdos /x-1478+3"}, u"1478"},
        {{u"setdos /x-1478+3", u"setdos /X14"}, u"14"},
        {{u"setdos /x-1478+3", u"setdos /X0"}, u""},
        {{u"setdos /x-9-1"}, u"19"},
        {{u"setdos /x-12+1"}, u"2"},
        {{u"sethost _expansion=59"}, u"59"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(Run(u"setdos /x0"), 0);
        for (const char16_t* line : c.lines) ASSERT_EQ(Run(line), 0) << ::testing::PrintToString(std::u16string(line));
        EXPECT_EQ(Expand(u"%_expansion"), c.expansion);
    }
    EXPECT_NE(Run(u"setdos /xq"), 0);
    EXPECT_EQ(err_, u"plumhost: SETDOS: bad expansion setting \"/xq\"\r\n");
}

TEST_F(HostEmulator, SetdosFeaturesChangeExpansion) {
    ASSERT_EQ(Run(u"set PLUMHOST_T_A=alpha"), 0);
    ASSERT_EQ(Run(u"set PLUMHOST_T_N=%%PLUMHOST_T_A"), 0);

    ASSERT_EQ(Run(u"setdos /x-4"), 0);
    EXPECT_EQ(Expand(u"%PLUMHOST_T_N"), u"%PLUMHOST_T_A");

    ASSERT_EQ(Run(u"setdos /x0 & setdos /x-3"), 0);
    int32_t rc = 1;
    EXPECT_EQ(Expand(u"%PLUMHOST_T_A %%", &rc), u"%PLUMHOST_T_A %%");
    EXPECT_EQ(rc, 0);
}

TEST_F(HostEmulator, ExpansionFailuresLeaveTheBuffer) {
    ASSERT_EQ(Run(u"set PLUMHOST_T_LONG=" + std::u16string(10000, u'y')), 0);
    ASSERT_EQ(Run(u"set PLUMHOST_T_LOOP=%%PLUMHOST_T_LOOP"), 0);
    const std::u16string tooDeep = NestedLen(129);
    struct Case {
        const char16_t* text;
        const char16_t* message;
    };
    const Case cases[] = {
        {u"a %@nosuch[1] b", u"plumhost: Unknown function \"@nosuch\"\r\n"},
        {u"%[PLUMHOST_T_LONG]%[PLUMHOST_T_LONG]", u"plumhost: Expansion too long (20000 characters)\r\n"},
        {u"%PLUMHOST_T_LOOP", u"plumhost: Variable loop\r\n"},
        {u"%@line[host-emulator-absent.txt,0]", nullptr},
        {tooDeep.c_str(), u"plumhost: Brackets nested too deeply\r\n"},
    };
    for (const Case& c : cases) {
        err_.clear();
        int32_t rc = 0;
        EXPECT_EQ(Expand(c.text, &rc), c.text);
        EXPECT_LT(rc, 0);
        if (c.message) {
            EXPECT_EQ(err_, c.message);
        }
        EXPECT_FALSE(err_.empty());
    }
}

// ------------------------------------------------------------ command line

TEST_F(HostEmulator, CommandLineSyntax) {
    struct Case {
        std::vector<const char16_t*> lines;
        const char16_t* output;
    };
    const Case cases[] = {
        {{u"echo hi"}, u"hi\r\n"},
        {{u"echo.", u"ECHO  two spaces"}, u"\r\n two spaces\r\n"},
        {{u"echo a &echo b  & echo c"}, u"a\r\nb\r\nc\r\n"},
        {{u"echo \"a & b > c\""}, u"\"a & b > c\"\r\n"},
        {{u"setdos /x-7", u"echo \"a&echo b\""}, u"\"a\r\nb\"\r\n"},
        {{u"setdos /x-5", u"echo a&b"}, u"a&b\r\n"},
        {{u"echo a ^& b ^q^^"}, u"a & b \"^\r\n"},
        {{u"setdos /x-8", u"echo a ^&echo b"}, u"a ^\r\nb\r\n"},
        {{u"*echo star", u"@echo at"}, u"star\r\nat\r\n"},
        {{u"set PLUMHOST_T_C=echo from variable", u"%PLUMHOST_T_C"}, u"from variable\r\n"},
    };
    for (const Case& c : cases) {
        Run(u"setdos /x0");
        out_.clear();
        for (const char16_t* line : c.lines) EXPECT_EQ(Run(line), 0);
        EXPECT_EQ(out_, c.output) << ::testing::PrintToString(std::u16string(c.lines.back()));
    }
    EXPECT_EQ(err_, u"");
}

TEST_F(HostEmulator, UnknownCommandFails) {
    EXPECT_NE(Run(u"nosuchcommand arg"), 0);
    EXPECT_EQ(err_, u"plumhost: Unknown command \"nosuchcommand\"\r\n");
}

TEST_F(HostEmulator, RedirectionChangesStandardOutput) {
    files_.push_back("host-emulator-redirect.txt");
    EXPECT_EQ(Run(u"echo one > host-emulator-redirect.txt"), 0);
    EXPECT_EQ(Run(u"echo two>>host-emulator-redirect.txt & echo shown"), 0);
    EXPECT_EQ(ReadFileBytes("host-emulator-redirect.txt"), "one\r\ntwo\r\n");
    EXPECT_EQ(out_, u"shown\r\n");

    Run(u"setdos /x-6");
    EXPECT_EQ(Run(u"echo a > b"), 0);
    EXPECT_EQ(out_, u"shown\r\na > b\r\n");

    // Unicode output: redirected files get UTF-16LE, the standard stream not.
    Run(u"setdos /x0");
    Run(u"sethost _unicode=1");
    files_.push_back("host-emulator-unicode.txt");
    EXPECT_EQ(Run(u"echo \u00E9 > host-emulator-unicode.txt & echo \u00E9"), 0);
    EXPECT_EQ(ReadFileBytes("host-emulator-unicode.txt"), std::string("\xE9\0\r\0\n\0", 6));
    EXPECT_EQ(out_, u"shown\r\na > b\r\n\u00E9\r\n");
}

TEST_F(HostEmulator, CommandServiceTracesWhenAsked) {
    std::u16string line = u"*echo traced";
    line.resize(MAX_ARG_LEN, u'\0');
    ASSERT_EQ(Command(&line[0], 0), 0);
    EXPECT_EQ(err_, u"");
    ASSERT_EQ(plumhost::SetHostVariable(u"_trace", u"1"), 0);
    ASSERT_EQ(Command(&line[0], 0), 0);
    EXPECT_EQ(Expand(u"%_batch"), u"0");
    EXPECT_EQ(err_, u"[command] *echo traced\r\n");
    EXPECT_EQ(out_, u"traced\r\ntraced\r\n");

    // With 2, the expansions a plug-in asks for are shown too, with their flag.
    ASSERT_EQ(plumhost::SetHostVariable(u"_trace", u"2"), 0);
    err_.clear();
    ASSERT_EQ(Command(&line[0], 0), 0);
    std::u16string buffer = u"%_batch";
    buffer.resize(MAX_ARG_LEN, u'\0');
    ASSERT_EQ(ExpandVariables(&buffer[0], 0), 0);
    EXPECT_EQ(Expand(u"%_batch"), u"0");
    EXPECT_EQ(err_, u"[command] *echo traced\r\n[expand 0] %_batch\r\n[expand 1] %_batch\r\n");
}

TEST_F(HostEmulator, ServiceFlagsBeyondTheModelAreRefused) {
    // A plug-in passes ExpandVariables 1, or 0 from @SAFEEXP, and Command 0.
    // The emulator expands alike for 0 and 1 and refuses any other flag.
    ASSERT_EQ(Run(u"set PLUMHOST_T_F=value"), 0);
    struct Case {
        int32_t flag;
        int32_t rc;
        const char16_t* result;  // the buffer afterwards, or what was printed
        const char16_t* error;
    };
    const Case expansions[] = {
        {0, 0, u"[value]", u""},
        {1, 0, u"[value]", u""},
        {2, -1, u"[%PLUMHOST_T_F]", u"plumhost: ExpandVariables: flag 2 is not modelled (only 0 and 1)\r\n"},
        {-1, -1, u"[%PLUMHOST_T_F]", u"plumhost: ExpandVariables: flag -1 is not modelled (only 0 and 1)\r\n"},
    };
    for (const Case& c : expansions) {
        err_.clear();
        std::u16string buffer = u"[%PLUMHOST_T_F]";
        buffer.resize(MAX_ARG_LEN, u'\0');
        EXPECT_EQ(ExpandVariables(&buffer[0], c.flag), c.rc) << c.flag;
        EXPECT_EQ(std::u16string(buffer.c_str()), c.result) << c.flag;
        EXPECT_EQ(err_, c.error) << c.flag;
    }
    const Case commands[] = {
        {0, 0, u"ran\r\n", u""},
        {1, -1, u"", u"plumhost: Command: flag 1 is not modelled (only 0)\r\n"},
    };
    for (const Case& c : commands) {
        out_.clear();
        err_.clear();
        std::u16string line = u"echo ran";
        line.resize(MAX_ARG_LEN, u'\0');
        EXPECT_EQ(Command(&line[0], c.flag), c.rc) << c.flag;
        EXPECT_EQ(out_, c.result) << c.flag;
        EXPECT_EQ(err_, c.error) << c.flag;
    }
}

TEST_F(HostEmulator, HostVariablesCanBeOverridden) {
    ASSERT_EQ(plumhost::SetHostVariable(u"_4ver", u"7.00"), 0);
    ASSERT_EQ(Run(u"sethost _cmdproc=tccle"), 0);
    EXPECT_EQ(Expand(u"%_4ver %_CMDPROC"), u"7.00 tccle");
    ASSERT_EQ(Run(u"sethost _4ver=\"\""), 0);
    EXPECT_EQ(Expand(u"[%_4ver]"), u"[]");
    ASSERT_EQ(Run(u"sethost _4ver="), 0);
    EXPECT_EQ(Expand(u"%_4ver"), u"33.00");
    EXPECT_EQ(QueryUnicodeOutput(), 0);
    ASSERT_EQ(Run(u"sethost _unicode=1"), 0);
    EXPECT_EQ(QueryUnicodeOutput(), 1);
    EXPECT_NE(Run(u"sethost _nosuch=1"), 0);
}

TEST_F(HostEmulator, SetCommand) {
    struct Case {
        const char16_t* line;
        int rc;
        const char16_t* output;
        const char16_t* error;
    };
    const Case cases[] = {
        {u"set PLUMHOST_T_S=  spaced value ", 0, u"", u""},
        {u"echo [%PLUMHOST_T_S]", 0, u"[  spaced value ]\r\n", u""},
        {u"set plumhost_t_s=other", 0, u"", u""},
        {u"set PLUMHOST_T_S", 0, u"other\r\n", u""},
        {u"set PLUMHOST_T_S=", 0, u"", u""},
        {u"set PLUMHOST_T_S", 1, u"", u"plumhost: Not in environment \"PLUMHOST_T_S\"\r\n"},
        {u"set =x", 1, u"", u"plumhost: SET: missing variable name\r\n"},
        {u"set nosuch[0]=x", 1, u"", u"plumhost: Not an array \"NOSUCH\"\r\n"},
    };
    for (const Case& c : cases) {
        out_.clear();
        err_.clear();
        EXPECT_EQ(Run(c.line), c.rc) << ::testing::PrintToString(std::u16string(c.line));
        EXPECT_EQ(out_, c.output) << ::testing::PrintToString(std::u16string(c.line));
        EXPECT_EQ(err_, c.error) << ::testing::PrintToString(std::u16string(c.line));
    }
}

TEST_F(HostEmulator, HostFunctionArgumentErrors) {
    struct Case {
        const char16_t* text;
        const char16_t* message;
    };
    const Case cases[] = {
        {u"%@clip[x]", u"plumhost: @CLIP: bad number \"x\"\r\n"},
        {u"%@line[file]", u"plumhost: @LINE: expected 2 argument(s)\r\n"},
        {u"%@fileopen[file,bogus]", u"plumhost: @FILEOPEN: bad mode \"bogus\"\r\n"},
        {u"%@fileread[]", u"plumhost: @FILEREAD: bad number \"\"\r\n"},
        {u"%@arrayinfo[a,6]", u"plumhost: @ARRAYINFO: bad option \"6\"\r\n"},
    };
    for (const Case& c : cases) {
        err_.clear();
        int32_t rc = 0;
        EXPECT_EQ(Expand(c.text, &rc), c.text);
        EXPECT_EQ(rc, -1);
        EXPECT_EQ(err_, c.message);
    }
}

// ------------------------------------------------------------------ arrays

TEST_F(HostEmulator, Arrays) {
    ASSERT_EQ(Run(u"setarray grid[2,3] line[4] cube[2,2,2]"), 0);
    ASSERT_EQ(Run(u"set grid[1,2]=corner"), 0);
    ASSERT_EQ(Run(u"set line[0]=a<b"), 1) << "\"<b\" is a redirection from a missing file";
    ASSERT_EQ(Run(u"set line[3]=\"a<b\""), 0);
    EXPECT_EQ(Expand(u"[%grid[1,2]][%GRID[0,0]][%line[3]]"), u"[corner][][\"a<b\"]");

    struct Info {
        const char16_t* name;
        int k;
        const char16_t* expected;
    };
    const Info infos[] = {
        {u"grid", 0, u"2"}, {u"grid", 1, u"2"}, {u"grid", 2, u"3"}, {u"grid", 3, u"0"}, {u"grid", 5, u"6"},
        {u"line", 0, u"1"}, {u"line", 1, u"4"}, {u"line", 2, u"0"}, {u"cube", 0, u"3"}, {u"none", 0, u"0"},
    };
    for (const Info& info : infos) {
        std::u16string text = u"%@arrayinfo[" + std::u16string(info.name) + u"," + Units(std::to_string(info.k)) + u"]";
        EXPECT_EQ(Expand(text), info.expected) << ::testing::PrintToString(text);
    }

    err_.clear();
    struct Bad {
        const char16_t* text;
        const char16_t* message;
    };
    const Bad bad[] = {
        {u"%grid[2,0]", u"plumhost: Array index out of range \"GRID[2,0]\"\r\n"},
        {u"%grid[1]", u"plumhost: Wrong number of array indices \"GRID[1]\"\r\n"},
        {u"%line[-1]", u"plumhost: Array index out of range \"LINE[-1]\"\r\n"},
        {u"%line[x]", u"plumhost: Bad array index \"LINE[x]\"\r\n"},
    };
    for (const Bad& b : bad) {
        err_.clear();
        int32_t rc = 0;
        Expand(b.text, &rc);
        EXPECT_LT(rc, 0);
        EXPECT_EQ(err_, b.message);
    }
    EXPECT_NE(Run(u"set line[4]=x"), 0);
}

TEST_F(HostEmulator, ArrayDefinitions) {
    struct Case {
        const char16_t* line;
        const char16_t* error;
    };
    const Case bad[] = {
        {u"setarray plain", u"plumhost: SETARRAY: bad array definition \"plain\"\r\n"},
        {u"setarray 1a[2]", u"plumhost: SETARRAY: bad array name \"1a\"\r\n"},
        {u"setarray a[0]", u"plumhost: SETARRAY: bad array size \"a[0]\"\r\n"},
        {u"setarray a[2,x]", u"plumhost: SETARRAY: bad array size \"a[2,x]\"\r\n"},
        {u"setarray a[1,1,1,1,1]", u"plumhost: SETARRAY: too many dimensions \"a[1,1,1,1,1]\"\r\n"},
        {u"setarray a[1000,1001]", u"plumhost: SETARRAY: array too large \"a[1000,1001]\"\r\n"},
        {u"unsetarray nosuch", u"plumhost: Not an array \"NOSUCH\"\r\n"},
    };
    for (const Case& c : bad) {
        err_.clear();
        EXPECT_EQ(Run(c.line), 1);
        EXPECT_EQ(err_, c.error);
    }
    EXPECT_EQ(Expand(u"%@arrayinfo[a,0]"), u"0");

    ASSERT_EQ(Run(u"setarray b[2, 2] a[3]"), 0);
    ASSERT_EQ(Run(u"set a[2]=old"), 0);
    ASSERT_EQ(Run(u"setarray a[5]"), 0);
    EXPECT_EQ(Expand(u"[%a[2]] %@arrayinfo[a,1]"), u"[] 5") << "defining an array again empties it";
    out_.clear();
    ASSERT_EQ(Run(u"setarray"), 0);
    EXPECT_EQ(out_, u"A[5]\r\nB[2,2]\r\n");
    ASSERT_EQ(Run(u"unsetarray *"), 0);
    EXPECT_EQ(Expand(u"%@arrayinfo[b,0]"), u"0");
}

// ---------------------------------------------------------- host functions

TEST_F(HostEmulator, FileFunctions) {
    std::string utf8 = Scratch("utf8.txt", "\xEF\xBB\xBFzero\r\none \xC3\xA9\nlast");
    std::string utf16 = Scratch("utf16.txt", std::string("\xFF\xFEx\0y\0\r\0\n\0z\0", 12));
    struct Case {
        std::u16string text;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"%@line[" + Units(utf8) + u",0]", u"zero"},
        {u"%@line[" + Units(utf8) + u", 1]", u"one \u00E9"},
        {u"%@line[\"" + Units(utf8) + u"\",2]", u"last"},
        {u"%@line[" + Units(utf8) + u",3]", u"**EOF**"},
        {u"%@line[" + Units(utf16) + u",1]", u"z"},
    };
    for (const Case& c : cases) EXPECT_EQ(Expand(c.text), c.expected);

    std::u16string handle = Expand(u"%@fileopen[" + Units(utf16) + u",read]");
    ASSERT_NE(handle, u"-1");
    EXPECT_EQ(Expand(u"%@fileread[" + handle + u"]|%@fileread[" + handle + u"]|%@fileread[" + handle + u"]"),
              u"xy|z|**EOF**");
    EXPECT_EQ(Expand(u"%@fileclose[" + handle + u"]"), u"0");
    EXPECT_EQ(Expand(u"%@fileopen[host-emulator-absent.txt,read]"), u"-1");

    files_.push_back("host-emulator-written.txt");
    handle = Expand(u"%@fileopen[host-emulator-written.txt,write]");
    ASSERT_NE(handle, u"-1");
    EXPECT_EQ(Expand(u"%@fileclose[" + handle + u"]"), u"0");
    handle = Expand(u"%@fileopen[host-emulator-written.txt,append]");
    EXPECT_EQ(Expand(u"%@fileclose[" + handle + u"]"), u"0");
    EXPECT_EQ(Expand(u"%@fileclose[" + handle + u"]"), u"-1") << "closed already";
    EXPECT_EQ(ReadFileBytes("host-emulator-written.txt"), "");
    EXPECT_EQ(err_, u"");
}

TEST_F(HostEmulator, FileCloseClosesOnlyWhatFileOpenOpened) {
    // A handle of the process that @FILEOPEN did not give stays open.
    ScratchFile other("host-emulator-other.txt");
    EXPECT_EQ(Expand(u"%@fileclose[" + other.Decimal() + u"]"), u"-1");
    EXPECT_GE(Qprintf(other.Handle(), u"still open"), 0);
    EXPECT_EQ(other.Bytes(), "still open");
    EXPECT_EQ(err_, u"");
}

TEST_F(HostEmulator, ResetHostClosesWhatFileOpenLeftOpen) {
    files_.push_back("host-emulator-left-open.txt");
    const std::u16string handle = Expand(u"%@fileopen[host-emulator-left-open.txt,write]");
    ASSERT_NE(handle, u"-1");
    int64_t number = 0;
    for (char16_t c : handle) number = number * 10 + (c - u'0');
    EXPECT_GE(Qprintf(static_cast<HostHandle>(number), u"open"), 0);
    plumhost::ResetHost();
    EXPECT_LT(Qprintf(static_cast<HostHandle>(number), u"closed"), 0);
    EXPECT_EQ(ReadFileBytes("host-emulator-left-open.txt"), "open");
}

// While files are confined, only relative names below the working
// directory reach the system.
TEST_F(HostEmulator, ConfinedFilesStayInTheWorkingDirectory) {
    Scratch("confined.txt", "inside\r\n");
    ScratchFile other("host-emulator-not-opened.txt");
    plumhost::ConfineFiles(true);
    struct Case {
        std::u16string line;
        bool refused;
    };
    const Case cases[] = {
        {u"echo %@line[host-emulator-confined.txt,0]", false},
        {u"echo %@line[./host-emulator-confined.txt,0]", false},
        {u"echo %@line[sub/../host-emulator-confined.txt,0]", true},
        {u"echo %@line[..\\x.txt,0]", true},
        {u"echo %@line[. . .\\x.txt,0]", true},
        {u"echo %@fileopen[/host-emulator-x.txt,write]", true},
        {u"echo %@fileopen[\\host-emulator-x.txt,write]", true},
        {u"echo %@fileopen[C:host-emulator-x.txt,write]", true},
        {u"echo %@fileopen[CON,read]", true},
        {u"echo %@fileopen[nul.txt,read]", true},
        {u"echo %@fileopen[sub\\lpt9.log,read]", true},
        {u"echo %@fileopen[COM10,read]", false},
        {u"echo %@fileread[" + other.Decimal() + u"]", true},
        {u"type /host-emulator-x.txt", true},
        {u"del ..\\host-emulator-x.txt", true},
        {u"echo x >/host-emulator-x.txt", true},
    };
    for (const Case& c : cases) {
        err_.clear();
        Run(c.line);
        EXPECT_EQ(err_.find(u"refused") != std::u16string::npos || err_.find(u"not opened") != std::u16string::npos,
                  c.refused)
            << std::string(c.line.begin(), c.line.end()) << ": " << std::string(err_.begin(), err_.end());
    }
    out_.clear();
    Run(u"echo %@line[host-emulator-confined.txt,0]");
    EXPECT_EQ(out_, u"inside\r\n");
    plumhost::ConfineFiles(false);
}

TEST_F(HostEmulator, ClipboardLines) {
    const char16_t text[] = u"first\r\nsecond \u00E9\r\n";
    ASSERT_NE(CopyTextToClipboard(text, 17), 0);
    EXPECT_EQ(Expand(u"%@clip[0]|%@clip[1]|%@clip[2]|%@clip[-1]"), u"first|second \u00E9|**EOC**|**EOC**");
    ASSERT_NE(CopyTextToClipboard(u"cut here", 3), 0);
    EXPECT_EQ(Expand(u"%@clip[0]"), u"cut");
    EXPECT_EQ(Expand(u"%@clipw[a<b]%@clip[0]"), u"0a<b");
}

TEST_F(HostEmulator, SmallServices) {
    char16_t wide[8];
    EXPECT_EQ(ASCIIToUnicode("abc\xE9xyz123", wide, 8), 0);
    EXPECT_EQ(std::u16string(wide), u"abc\u00E9xyz");

    std::u16string full(MAX_ARG_LEN, u'\0');
    ASSERT_EQ(QueryTrueName(u"host-emulator-name.chm", &full[0]), 0);
    std::u16string name(full.c_str());
    EXPECT_GT(name.size(), std::u16string(u"host-emulator-name.chm").size());
    EXPECT_EQ(name.substr(name.size() - 22), u"host-emulator-name.chm");
    EXPECT_EQ(Expand(u"%@path[" + name + u"]") + u"host-emulator-name.chm", name);
}

// ----------------------------------------------------------------- scripts

TEST_F(HostEmulator, ScriptLinesAndBatchVariables) {
    std::string script = Scratch("script.btm",
                                 "\xEF\xBB\xBF@echo off\r\n"
                                 ":: remark\r\n"
                                 "rem another\r\n"
                                 ":label\r\n"
                                 "\r\n"
                                 "echo %_batch %_batchline [%1] [%2] [%*]\n"
                                 "  @echo %@path[%_batchname]|%0\r\n"
                                 "quit 7\r\n"
                                 "echo not reached\r\n");
    int rc = plumhost::RunScriptFile(Units(script), {u"one", u"two words"});
    EXPECT_EQ(rc, 7);
    std::u16string full(MAX_ARG_LEN, u'\0');
    ASSERT_EQ(QueryTrueName(Units(script).c_str(), &full[0]), 0);
    EXPECT_EQ(out_, u"1 6 [one] [two words] [one two words]\r\n" +
                        Expand(u"%@path[" + std::u16string(full.c_str()) + u"]") + u"|" + Units(script) +
                        u"\r\n");
    EXPECT_EQ(Expand(u"%_batch %_batchline"), u"0 -1");
    EXPECT_EQ(err_, u"");
}

TEST_F(HostEmulator, NestedScriptsQuitAndExit) {
    Scratch("inner.btm", "echo inner %_batch %_batchline %1\nquit 3\necho not reached\n");
    std::string outer = Scratch("outer.btm",
                                "call host-emulator-inner.btm \"an arg\"\n"
                                "echo back %_batch %_batchline\n"
                                "exit 5\n"
                                "echo not reached\n");
    EXPECT_EQ(plumhost::RunScriptFile(Units(outer), {}), 5);
    EXPECT_EQ(out_, u"inner 2 1 an arg\r\nback 1 2\r\n");
    EXPECT_EQ(plumhost::RunScriptFile(u"host-emulator-absent.btm", {}), 1);
    EXPECT_NE(err_.find(u"plumhost: Cannot open \"host-emulator-absent.btm\""), std::u16string::npos);
}

// --------------------------------------------------------- plug-in protocol

namespace fake {

PluginInfo info;
char16_t names[64];
int32_t initResult = 0;
int shutdowns = 0;
std::u16string commandArgs;

PluginInfo* PLUM_CALL GetPluginInfo(void) {
    info = PluginInfo{u"Fake", u"a", u"e", u"w", u"d", names, 2, 5, 9, 0, 0};
    return &info;
}
int32_t PLUM_CALL InitializePlugin(void) {
    if (initResult != 0) return initResult;
    std::u16string list(names);
    list.erase(list.find(u",gone"));  // the list may shrink while initialising
    std::copy(list.c_str(), list.c_str() + list.size() + 1, names);
    return 0;
}
int32_t PLUM_CALL ShutdownPlugin(int32_t) {
    ++shutdowns;
    return 0;
}
int32_t PLUM_CALL Dup(char16_t* buffer) {
    std::u16string text(buffer);
    text += text;
    std::copy(text.c_str(), text.c_str() + text.size() + 1, buffer);
    return 0;
}
int32_t PLUM_CALL Status(char16_t* buffer) {
    return std::stoi(std::string(buffer, buffer + std::u16string(buffer).size()));
}
int32_t PLUM_CALL Variable(char16_t* buffer) {
    buffer[0] = u'\xFF05';
    buffer[1] = u'\0';
    return 0;
}
int32_t PLUM_CALL Cmd(char16_t* buffer) {
    commandArgs = buffer;
    return 3;
}

void* Lookup(const char* name) {
    const std::string n = name;
    if (n == "GetPluginInfo") return reinterpret_cast<void*>(&GetPluginInfo);
    if (n == "InitializePlugin") return reinterpret_cast<void*>(&InitializePlugin);
    if (n == "ShutdownPlugin") return reinterpret_cast<void*>(&ShutdownPlugin);
    if (n == "f_dup") return reinterpret_cast<void*>(&Dup);
    if (n == "f_status") return reinterpret_cast<void*>(&Status);
    if (n == "_fakevar") return reinterpret_cast<void*>(&Variable);
    if (n == "fakecmd" || n == "gone") return reinterpret_cast<void*>(&Cmd);
    return nullptr;
}

void Reset(int32_t init) {
    const std::u16string list = u"@dup;@status,_fakevar,fakecmd,@missing,gone";
    std::copy(list.c_str(), list.c_str() + list.size() + 1, names);
    initResult = init;
    shutdowns = 0;
    commandArgs.clear();
}

}  // namespace fake

TEST_F(HostEmulator, PluginNamesAreDispatchedToTheirExports) {
    fake::Reset(0);
    ASSERT_EQ(plumhost::RegisterPlugin(u"fake", &fake::Lookup), 0);

    EXPECT_EQ(Expand(u"%@DUP[ab]|%_FakeVar|%@status[0]"), u"abab|\uFF05|0");
    EXPECT_EQ(Run(u"FAKECMD  two  args "), 3);
    EXPECT_EQ(fake::commandArgs, u"  two  args ");
    EXPECT_EQ(err_, u"");

    struct Failure {
        const char16_t* text;
        int32_t rc;
        const char16_t* message;
    };
    const Failure failures[] = {
        {u"%@status[-87]", -87, u""},
        {u"%@status[5]", -1, u""},
        {u"%@missing[x]", -1, u"plumhost: plugin \"Fake\" does not export \"f_missing\"\r\n"},
    };
    for (const Failure& f : failures) {
        err_.clear();
        int32_t rc = 0;
        EXPECT_EQ(Expand(f.text, &rc), f.text);
        EXPECT_EQ(rc, f.rc);
        EXPECT_EQ(err_, f.message);
    }

    err_.clear();
    EXPECT_NE(Run(u"gone"), 0) << "names dropped by InitializePlugin are not offered";
    EXPECT_EQ(err_, u"plumhost: Unknown command \"gone\"\r\n");

    EXPECT_NE(plumhost::RegisterPlugin(u"again", &fake::Lookup), 0);
    plumhost::UnloadPlugins();
    EXPECT_EQ(fake::shutdowns, 1);
    EXPECT_EQ(Expand(u"%_fakevar"), u"");
}

TEST_F(HostEmulator, FailedInitialisationUnloadsThePlugin) {
    fake::Reset(-1);
    EXPECT_NE(plumhost::RegisterPlugin(u"fake", &fake::Lookup), 0);
    EXPECT_EQ(err_, u"plumhost: plugin \"Fake\" failed to initialise (-1)\r\n");
    EXPECT_NE(Run(u"fakecmd"), 0);
    plumhost::UnloadPlugins();
    EXPECT_EQ(fake::shutdowns, 0);
}

TEST_F(HostEmulator, PluginCommandListsAndUnloads) {
    fake::Reset(0);
    ASSERT_EQ(plumhost::RegisterPlugin(u"fake", &fake::Lookup), 0);
    ASSERT_EQ(Run(u"plugin"), 0);
    EXPECT_EQ(out_, u"Fake 2.5.9: @dup @status _fakevar fakecmd @missing\r\n");
    EXPECT_EQ(Run(u"plugin /u FAKE"), 0);
    EXPECT_EQ(fake::shutdowns, 1);
    EXPECT_EQ(Run(u"plugin /u fake"), 1);
    EXPECT_EQ(err_, u"plumhost: PLUGIN /U: not loaded \"fake\"\r\n");
    EXPECT_EQ(Run(u"plugin /x"), 1);
}

}  // namespace

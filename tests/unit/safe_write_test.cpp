#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "abi/exports.h"
#include "charset/unsafe_set.h"
#include "functions/safe_write.h"
#include "platform/platform.h"
#include "scratch_file.h"
#include "test_support.h"

namespace {

// What the recording platform calls saw.
struct WriteLog {
    int calls = 0;
    HostHandle handle = 0;
    std::string bytes;
};
WriteLog writeLog;

int32_t RecordWrite(HostHandle handle, const void* bytes, uint32_t count, uint32_t* written) {
    ++writeLog.calls;
    writeLog.handle = handle;
    writeLog.bytes.append(static_cast<const char*>(bytes), count);
    *written = count;
    return 1;
}

int32_t FailWrite(HostHandle, const void*, uint32_t, uint32_t* written) {
    ++writeLog.calls;
    *written = 0;
    return 0;
}

// Reports success but takes only part of the bytes.
int32_t ShortWrite(HostHandle, const void*, uint32_t count, uint32_t* written) {
    ++writeLog.calls;
    *written = count - 1;
    return 1;
}

int32_t NoFileSize(HostHandle, uint64_t*) { return 0; }
int32_t EmptyFileSize(HostHandle, uint64_t* size) {
    *size = 0;
    return 1;
}

uint32_t Oem437(void) { return 437; }
uint32_t Oem1252(void) { return 1252; }

HostHandle scratchHandle = 0;
HostHandle ScratchOutput(void) { return scratchHandle; }
HostHandle NoOutput(void) { return 0; }

// A handle value written "0x" and upper-case hexadecimal digits.
std::u16string Hex(HostHandle handle) {
    std::u16string digits;
    auto value = static_cast<unsigned long long>(handle);
    do {
        digits.insert(digits.begin(), u"0123456789ABCDEF"[value % 16]);
        value /= 16;
    } while (value != 0);
    return u"0x" + digits;
}

class SafeWriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetDefaultUnsafe();
        writeLog = WriteLog();
        HostLine(u"sethost _codepage=1252");
        HostLine(u"sethost _unicode=0");
    }
    void TearDown() override {
        PlatRestoreAll();
        HostLine(u"sethost _codepage=");
        HostLine(u"sethost _unicode=");
    }

    // Calls @SAFEWRITE with the argument in a host-sized buffer; gives the
    // return code and leaves the buffer's text in result.
    int32_t Call(const std::u16string& argument, std::u16string* result) {
        std::vector<char16_t> buffer(MAX_ARG_LEN, u'\0');
        std::copy(argument.begin(), argument.end(), buffer.begin());
        const int32_t code = f_safewrite(buffer.data());
        *result = std::u16string(buffer.data());
        return code;
    }
};

TEST_F(SafeWriteTest, WritesRestoredLinesAndCountsThem) {
    ScratchFile file("safewrite-lines.txt");
    const std::u16string h = file.Decimal();
    struct LineCase {
        std::u16string argument;
        std::u16string result;
        std::string written;
    };
    const LineCase cases[] = {
        {h + u",Hello", u"7", "Hello\r\n"},
        {h, u"2", "\r\n"},                              // no comma: an empty line
        {u"  \t" + h + u",x", u"3", "x\r\n"},           // leading white space skipped
        {h + u",a,b,,c", u"8", "a,b,,c\r\n"},           // the text keeps its commas
        {h + u",\xFF1C" u"b\xFF1E|\xFF5C\xFF02", u"8", "<b>||\"\r\n"},
        {h + u",\xFF21\xFF00\xFF5F", u"5", "A \x7F\r\n"},  // every safe form, set or not
    };
    std::string expected;
    for (const LineCase& c : cases) {
        std::u16string result;
        EXPECT_EQ(Call(c.argument, &result), 0) << Narrow(c.argument);
        EXPECT_EQ(result, c.result) << Narrow(c.argument);
        expected += c.written;
        EXPECT_EQ(file.Bytes(), expected) << Narrow(c.argument);
    }
}

TEST_F(SafeWriteTest, DashIsStandardOutput) {
    ScratchFile file("safewrite-stdout.txt");
    scratchHandle = file.Handle();
    PlatSetStandardOutput(&ScratchOutput);
    std::u16string result;
    EXPECT_EQ(Call(u"-,Hello", &result), 0);
    EXPECT_EQ(result, u"7");
    EXPECT_EQ(file.Bytes(), "Hello\r\n");
}

TEST_F(SafeWriteTest, DecimalAndHexadecimalNameTheSameHandle) {
    PlatSetWriteHandle(&RecordWrite);
    struct HandleCase {
        const char16_t* text;
        HostHandle handle;
    };
    const HandleCase cases[] = {
        {u"500", 500},
        {u"0x1F4", 500},
        {u"0500", 500},  // decimal, not octal
        {u"2147483647", 0x7FFFFFFF},
        // Values past 32 bits end at the largest handle rather than wrapping
        // round to a small one (4294967297 would otherwise be handle 1).
        {u"4294967297", 0x7FFFFFFF},
        {u"0x100000001", 0x7FFFFFFF},
    };
    for (const HandleCase& c : cases) {
        writeLog = WriteLog();
        std::u16string result;
        EXPECT_EQ(Call(std::u16string(c.text) + u",x", &result), 0) << Narrow(c.text);
        EXPECT_EQ(result, u"3") << Narrow(c.text);
        EXPECT_EQ(writeLog.calls, 1) << Narrow(c.text);
        EXPECT_EQ(writeLog.handle, c.handle) << Narrow(c.text);
    }

    // The same with a real file: both spellings of its handle reach it.
    PlatRestore("WriteHandle");
    ScratchFile file("safewrite-hex.txt");
    std::u16string result;
    EXPECT_EQ(Call(file.Decimal() + u",one", &result), 0);
    EXPECT_EQ(Call(Hex(file.Handle()) + u",two", &result), 0);
    EXPECT_EQ(result, u"5");
    EXPECT_EQ(file.Bytes(), "one\r\ntwo\r\n");
}

TEST_F(SafeWriteTest, RefusesBadArgumentsWithAMessage) {
    PlatSetWriteHandle(&RecordWrite);
    struct BadCase {
        std::u16string argument;
        const char* message;
    };
    const BadCase cases[] = {
        {u"0x,text", "Bad handle \"0x\"\r\n"},
        {u"12abc,text", "Bad handle \"12abc\"\r\n"},
        {u"-1,text", "Bad handle \"-1\"\r\n"},
        {u"- ,text", "Bad handle \"- \"\r\n"},
        {u"0,text", "Bad handle \"0\"\r\n"},
        {u"000", "Bad handle \"000\"\r\n"},
        {u"5 ,text", "Bad handle \"5 \"\r\n"},
        {u"0xg1,text", "Bad handle \"0xg1\"\r\n"},
        {u"+5,text", "Bad handle \"+5\"\r\n"},
        {u"%s%d%n,text", "Bad handle \"%s%d%n\"\r\n"},  // shown as typed, never a format
        {u"\x00B2,text", "Bad handle \"\xC2\xB2\"\r\n"},
        {u"", "No handle\r\n"},
        {u",text", "No handle\r\n"},
        {u" \t,text", "No handle\r\n"},
    };
    for (const BadCase& c : cases) {
        CapturedStderr errors;
        std::u16string result;
        EXPECT_EQ(Call(c.argument, &result), -87) << Narrow(c.argument);
        EXPECT_EQ(result, c.argument) << "the buffer is left as it was";
        EXPECT_EQ(errors.Bytes(), std::string("Plumquist plugin: ") + c.message) << Narrow(c.argument);
    }
    EXPECT_EQ(writeLog.calls, 0);

    // "-" is refused too when there is no standard output handle.
    PlatSetStandardOutput(&NoOutput);
    CapturedStderr errors;
    std::u16string result;
    EXPECT_EQ(Call(u"-,text", &result), -87);
    EXPECT_EQ(errors.Bytes(), "Plumquist plugin: Bad handle \"-\"\r\n");
    EXPECT_EQ(writeLog.calls, 0);
}

TEST_F(SafeWriteTest, NullBufferGivesOne) { EXPECT_EQ(f_safewrite(nullptr), 1); }

TEST_F(SafeWriteTest, LineLengthLimit) {
    ScratchFile file("safewrite-long.txt");
    scratchHandle = file.Handle();
    PlatSetStandardOutput(&ScratchOutput);

    // The longest text a host buffer holds after "-,": written whole.
    std::u16string result;
    EXPECT_EQ(Call(u"-," + Repeat(u'a', 16381), &result), 0);
    EXPECT_EQ(result, u"16383");
    EXPECT_EQ(file.Bytes(), std::string(16381, 'a') + "\r\n");

    // One more unit fills the buffer to its last unit, leaving no terminator;
    // nothing past the buffer is read and nothing is written.
    struct FullCase {
        std::u16string argument;
        const char* message;
    };
    const FullCase cases[] = {
        {u"1," + Repeat(u'a', 16382), "String too long\r\n"},
        {u"-," + Repeat(u'a', 16382), "String too long\r\n"},
        {Repeat(u'1', MAX_ARG_LEN), "No text argument\r\n"},
        {u"0x" + Repeat(u'F', MAX_ARG_LEN - 2), "No text argument\r\n"},
    };
    PlatSetWriteHandle(&RecordWrite);
    for (const FullCase& c : cases) {
        ASSERT_EQ(c.argument.size(), static_cast<size_t>(MAX_ARG_LEN));
        std::vector<char16_t> buffer(c.argument.begin(), c.argument.end());
        CapturedStderr errors;
        EXPECT_EQ(f_safewrite(buffer.data()), -87);
        EXPECT_EQ(std::u16string(buffer.begin(), buffer.end()), c.argument);
        EXPECT_EQ(errors.Bytes(), std::string("Plumquist plugin: ") + c.message);
    }
    EXPECT_EQ(writeLog.calls, 0);
}

TEST_F(SafeWriteTest, UnicodeOutputMarksOnlyAnEmptyFile) {
    HostLine(u"sethost _unicode=1");
    ScratchFile file("safewrite-unicode.txt");
    const std::u16string h = file.Decimal();
    std::u16string result;
    EXPECT_EQ(Call(h + u",A\x00E9\xFF1C", &result), 0);
    EXPECT_EQ(result, u"5") << "the mark is not counted";
    const std::string first("\xFF\xFE" "A\0\xE9\0<\0\r\0\n\0", 12);
    EXPECT_EQ(file.Bytes(), first);
    EXPECT_EQ(Call(h + u",\x20AC", &result), 0);
    EXPECT_EQ(result, u"3");
    EXPECT_EQ(file.Bytes(), first + std::string("\xAC\x20\r\0\n\0", 6));
}

TEST_F(SafeWriteTest, UnicodeOutputWithoutFileSizeHasNoMark) {
    HostLine(u"sethost _unicode=1");
    PlatSetFileSize(&NoFileSize);  // a console or a pipe
    PlatSetWriteHandle(&RecordWrite);
    std::u16string result;
    EXPECT_EQ(Call(u"9,hi", &result), 0);
    EXPECT_EQ(result, u"4");
    EXPECT_EQ(writeLog.calls, 1);
    EXPECT_EQ(writeLog.bytes, std::string("h\0i\0\r\0\n\0", 8));
}

TEST_F(SafeWriteTest, FailedWritesGiveMinusOne) {
    struct FailureCase {
        const char* label;
        bool unicode;
        PlatWriteHandleFn write;
        int calls;  // writes attempted
    };
    const FailureCase cases[] = {
        {"code page, failing write", false, &FailWrite, 1},
        {"code page, short write", false, &ShortWrite, 1},
        {"unicode, mark fails, line not tried", true, &FailWrite, 1},
        {"unicode, short mark", true, &ShortWrite, 1},
    };
    for (const FailureCase& c : cases) {
        writeLog = WriteLog();
        HostLine(c.unicode ? u"sethost _unicode=1" : u"sethost _unicode=0");
        PlatSetFileSize(&EmptyFileSize);
        PlatSetWriteHandle(c.write);
        CapturedStderr errors;
        std::u16string result;
        EXPECT_EQ(Call(u"9,hi", &result), 0) << c.label;
        EXPECT_EQ(result, u"-1") << c.label;
        EXPECT_EQ(writeLog.calls, c.calls) << c.label;
        EXPECT_EQ(errors.Bytes(), "") << "a failed write is told by the result alone";
    }
}

TEST_F(SafeWriteTest, CodePageComesFromTheHost) {
    PlatSetOemCodePage(&Oem437);
    struct PageCase {
        const char16_t* codepage;
        std::string written;  // for "\x00E9\x00FC" (e acute, u diaeresis)
    };
    const PageCase cases[] = {
        {u"1252", "\xE9\xFC\r\n"},
        {u"437", "\x82\x81\r\n"},
        {u"1252 and more", "\xE9\xFC\r\n"},   // only the leading digits count
        {u"65001", "\xC3\xA9\xC3\xBC\r\n"},
        {u"0", "\x82\x81\r\n"},               // the OEM page
        {u"abc", "\x82\x81\r\n"},
        {u"4294967296", "\x82\x81\r\n"},      // too large for a code page number
    };
    for (const PageCase& c : cases) {
        HostLine(u"sethost _codepage=" + std::u16string(c.codepage));
        ScratchFile file("safewrite-codepage.txt");
        std::u16string result;
        EXPECT_EQ(Call(file.Decimal() + u",\x00E9\x00FC", &result), 0) << Narrow(c.codepage);
        EXPECT_EQ(result, u"4") << Narrow(c.codepage);
        EXPECT_EQ(file.Bytes(), c.written) << Narrow(c.codepage);
    }

    // The OEM page is the system's, whatever it is.
    PlatSetOemCodePage(&Oem1252);
    HostLine(u"sethost _codepage=0");
    ScratchFile file("safewrite-oem.txt");
    std::u16string result;
    EXPECT_EQ(Call(file.Decimal() + u",\x00E9", &result), 0);
    EXPECT_EQ(file.Bytes(), "\xE9\r\n");
}

TEST_F(SafeWriteTest, SurrogatePairsReachUtf8FilesWhole) {
    HostLine(u"sethost _codepage=65001");
    const std::string replacement = "\xEF\xBF\xBD";
    struct PairCase {
        const char* label;
        std::u16string text;
        std::string written;  // before CR LF
    };
    const PairCase cases[] = {
        {"pair at the start", u"\xD83D\xDE00z", "\xF0\x9F\x98\x80z"},
        {"pair at the end", u"z\xD83D\xDE00", "z\xF0\x9F\x98\x80"},
        {"pair alone", u"\xD83D\xDE00", "\xF0\x9F\x98\x80"},
        {"adjacent pairs", u"\xD800\xDC00\xDBFF\xDFFF", "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
        {"pair beside a safe form", u"\xFF1C\xD83D\xDE00\xFF1E", "<\xF0\x9F\x98\x80>"},
        {"lone high surrogate", u"a\xD800" u"b", "a" + replacement + "b"},
        {"lone high surrogate at the end", u"a\xDBFF", "a" + replacement},
        {"lone low surrogate at the start", u"\xDC00" u"a", replacement + "a"},
        {"low before high", u"\xDC00\xD800", replacement + replacement},
        {"high, then a pair", u"\xD800\xD83D\xDE00", replacement + "\xF0\x9F\x98\x80"},
        {"pair, then a lone low", u"\xD83D\xDE00\xDE00", "\xF0\x9F\x98\x80" + replacement},
    };
    for (const PairCase& c : cases) {
        ScratchFile file("safewrite-pairs.txt");
        std::u16string result;
        EXPECT_EQ(Call(file.Decimal() + u"," + c.text, &result), 0) << c.label;
        EXPECT_EQ(Narrow(result), std::to_string(c.text.size() + 2)) << c.label;
        EXPECT_EQ(file.Bytes(), c.written + "\r\n") << c.label;
    }
}

TEST_F(SafeWriteTest, Utf8ConversionTakesOnlyTheUnitsAskedFor) {
    // The conversion the plug-in calls for code page 65001, on a text that
    // goes on past the length given: a pair cut by the length is a lone
    // surrogate, and a sequence that does not fit fails the whole call.
    const std::u16string text = u"a\xD83D\xDE00\xD83D\xDE01" u"b";
    struct ConversionCase {
        int32_t length;
        int32_t size;
        std::string bytes;  // empty: the call fails
    };
    const ConversionCase cases[] = {
        {3, 16, "a\xF0\x9F\x98\x80"},
        {2, 16, "a\xEF\xBF\xBD"},
        {4, 16, "a\xF0\x9F\x98\x80\xEF\xBF\xBD"},
        {5, 16, "a\xF0\x9F\x98\x80\xF0\x9F\x98\x81"},
        {6, 16, "a\xF0\x9F\x98\x80\xF0\x9F\x98\x81" "b"},
        {5, 9, "a\xF0\x9F\x98\x80\xF0\x9F\x98\x81"},  // an exact fit
        {5, 8, ""},
        {3, 4, ""},
    };
    for (const ConversionCase& c : cases) {
        char bytes[24];
        std::fill(std::begin(bytes), std::end(bytes), '#');
        const int32_t converted = PlatWideToCodePage(65001, text.c_str(), c.length, bytes, c.size);
        EXPECT_EQ(converted, static_cast<int32_t>(c.bytes.size())) << c.length << " units into " << c.size;
        if (converted > 0) {
            EXPECT_EQ(std::string(bytes, static_cast<size_t>(converted)), c.bytes) << c.length << " units";
        }
        EXPECT_EQ(std::string(bytes + c.size, std::end(bytes)), std::string(sizeof bytes - c.size, '#'))
            << "nothing is written past the room given: " << c.length << " units into " << c.size;
    }
}

TEST_F(SafeWriteTest, ALineThatDoesNotConvertWholeIsNotWritten) {
    ScratchFile file("safewrite-noconvert.txt");
    struct ConvertCase {
        const char16_t* codepage;
        std::u16string text;
        std::u16string result;
        size_t bytes;
    };
    const ConvertCase cases[] = {
        // Two bytes each in UTF-8: 8190 of them and CR LF fill the 16383
        // bytes a line may take; one more does not fit.
        {u"65001", Repeat(u'\x00E9', 8190) + u"a", u"8193", 16383},
        {u"65001", Repeat(u'\x00E9', 8191) + u"a", u"-1", 0},
        {u"65001", Repeat(u'\x00E9', 9000), u"-1", 0},
        {u"12345", u"abc", u"-1", 0},  // no such code page
    };
    for (const ConvertCase& c : cases) {
        HostLine(u"sethost _codepage=" + std::u16string(c.codepage));
        const size_t before = file.Bytes().size();
        std::u16string result;
        EXPECT_EQ(Call(file.Decimal() + u"," + c.text, &result), 0);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(file.Bytes().size() - before, c.bytes);
    }
}

}  // namespace

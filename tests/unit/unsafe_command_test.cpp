#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "abi/exports.h"
#include "captured_output.h"
#include "charset/registry_store.h"
#include "charset/unsafe_command.h"
#include "charset/unsafe_set.h"
#include "platform/platform.h"
#include "core/errors.h"
#include "shared/parse_args.h"
#include "test_support.h"

namespace {

// The characters of the unsafe set in code order.
std::u16string EnabledCharacters() {
    std::u16string enabled;
    for (int32_t i = 0; i < UNSAFE_COUNT; ++i) {
        if (unsafeSet[i] != 0) enabled += static_cast<char16_t>(UNSAFE_FIRST + i);
    }
    return enabled;
}

// The host's buffer holds MAX_ARG_LEN units; a longer text (to reach the
// tokenizer's overflow) gets a buffer of its own size.
int32_t RunUnsafe(const std::u16string& arguments) {
    std::u16string buffer = arguments;
    buffer.resize(std::max(arguments.size() + 1, static_cast<size_t>(MAX_ARG_LEN)), u'\0');
    return unsafe(buffer.data());
}

std::string Utf8(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string SystemText(int32_t code) {
    char16_t text[SYSTEM_ERROR_TEXT_LEN];
    FormatSystemError(text, code);
    return Utf8(text);
}

class UnsafeCommandTest : public ::testing::Test {
protected:
    void SetUp() override { SetDefaultUnsafe(); }
    void TearDown() override {
        PlatRestoreAll();
        SetDefaultUnsafe();
    }
};

const std::u16string kDefaults = u"\"%&()<>[]^`|";

TEST_F(UnsafeCommandTest, ResultsAndTheSetAfterEachCall) {
    // Every case starts from the defaults plus "x", so that a reset shows.
    const std::u16string start = u"\"%&()<>[]^`x|";
    struct Case {
        const char16_t* arguments;
        int32_t result;
        std::u16string after;
    };
    const Case cases[] = {
        {u"", 0, start},
        {u"/E:5", 0, u"\"%&()5<>[]^`x|"},
        {u"/E:05", 1, start},
        {u"/E:a-", 1, start},
        {u"/E:ab", 1, start},
        {u"/E:0x80", 1, start},
        {u"/E:a-bc", 1, start},  // the range was applied, then undone
        {u"/E:= /D:12345", 1, start},
        {u"/R /Z", 1, start},
        // Every argument is checked before anything changes.
        {u"/Z /X", 1, start},
        {u"/Z /Q", 1, start},
        {u"/R /Q", 1, start},
        {u"/Z /E:0x80", 1, start},
        {u"/E:y /S /D:ab", 1, start},
        {u"hello", 1, start},
        {u"/R /Z /?", 0, start},
        {u"/?? /X", 0, start},
        {u"/Z /E:=", 0, u"\"%&()<=>[]^`|"},
        {u"/D:x /E:y", 0, u"\"%&()<>[]^`y|"},
    };
    for (const Case& c : cases) {
        SetDefaultUnsafe();
        unsafeSet[u'x' - UNSAFE_FIRST] = 1;
        CapturedOutput output;
        CapturedStderr err;
        EXPECT_EQ(RunUnsafe(c.arguments), c.result) << Narrow(c.arguments);
        EXPECT_EQ(Narrow(EnabledCharacters()), Narrow(c.after)) << Narrow(c.arguments);
        EXPECT_EQ(err.Bytes().empty(), c.result == 0) << Narrow(c.arguments);
        if (c.result != 0) {
            EXPECT_EQ(Narrow(output.Out()), "") << "a failing call reports no change";
        }
    }
    EXPECT_EQ(unsafe(nullptr), 1);
}

int32_t injectedCode = 0;
int32_t FailingRead(const char16_t*, const char16_t*, uint32_t*, uint8_t*, uint32_t*) { return injectedCode; }
int32_t FailingWrite(const char16_t*, const char16_t*, uint32_t, const uint8_t*, uint32_t) { return injectedCode; }

TEST_F(UnsafeCommandTest, RestoreFailureNamesTheSystemErrorAndKeepsTheSet) {
    PlatSetRegistryRead(&FailingRead);
    for (int32_t code : {2, 5, 13}) {
        injectedCode = code;
        unsafeSet[u'~' - UNSAFE_FIRST] = 1;
        CapturedOutput output;
        CapturedStderr err;
        EXPECT_EQ(RunUnsafe(u"/R /E:q"), 1) << code;
        EXPECT_EQ(err.Bytes(),
                  "Plumquist plugin: Error restoring data from registry:\r\n" + SystemText(code) + "\r\n")
            << code;
        EXPECT_EQ(output.Out(), u"") << code;
        EXPECT_EQ(Narrow(EnabledCharacters()), Narrow(u"\"%&()<>[]^`|~")) << code;
    }
}

TEST_F(UnsafeCommandTest, SaveFailureNamesTheSystemErrorAndPutsTheSetBack) {
    PlatSetRegistryWrite(&FailingWrite);
    for (const char16_t* arguments : {u"/S /E:x", u"/Z /S /E:x"}) {
        for (int32_t code : {2, 5, 13}) {
            injectedCode = code;
            SetDefaultUnsafe();
            unsafeSet[u'~' - UNSAFE_FIRST] = 1;
            CapturedOutput output;
            CapturedStderr err;
            EXPECT_EQ(RunUnsafe(arguments), 1) << code;
            EXPECT_EQ(err.Bytes(),
                      "Plumquist plugin: Error saving data to registry:\r\n" + SystemText(code) + "\r\n")
                << code;
            EXPECT_EQ(output.Out(), u"") << code << " " << Narrow(arguments);
            EXPECT_EQ(Narrow(EnabledCharacters()), Narrow(u"\"%&()<>[]^`|~")) << code << " " << Narrow(arguments);
        }
    }
}

// The system's text for an error, as a test sets it; none when empty.
std::u16string systemText;
int32_t FakeSystemErrorText(int32_t, char16_t* destination, int32_t size) {
    if (systemText.empty() || systemText.size() >= static_cast<size_t>(size)) return 0;
    std::copy(systemText.begin(), systemText.end(), destination);
    destination[systemText.size()] = 0;
    return static_cast<int32_t>(systemText.size());
}

TEST_F(UnsafeCommandTest, SystemTextsLoseTheirTrailingWhiteSpace) {
    // The system's texts end in a line break (and some in blanks); the
    // message puts its own after the text, so the text's are dropped.
    // Periods are part of the text and stay.
    PlatSetSystemErrorText(&FakeSystemErrorText);
    injectedCode = 5;
    struct Case {
        std::u16string text;
        std::string shown;
    };
    const Case cases[] = {
        {u"Access is denied.\r\n", "Access is denied."},
        {u"Access is denied. \r\n", "Access is denied."},
        {u"Access is denied.\t \r\n\r\n", "Access is denied."},
        {u"Not ready...", "Not ready..."},
        {u"First line\r\nsecond line \r\n", "First line\r\nsecond line"},
        {u" \r\n", ""},
        {u"\r\n\r\n", ""},
        {u"%s%d%n\r\n", "%s%d%n"},  // a text, never a format
        {Repeat(u'a', 1000) + Repeat(u' ', 21) + u"\r\n", std::string(1000, 'a')},  // the buffer's 1023 units
        {u"", "Error 5"},  // no text from the system: its code instead
    };
    for (const Case& c : cases) {
        systemText = c.text;
        PlatSetRegistryWrite(&FailingWrite);
        PlatSetRegistryRead(&FailingRead);
        for (const char16_t* arguments : {u"/S", u"/R"}) {
            CapturedOutput output;
            CapturedStderr err;
            EXPECT_EQ(RunUnsafe(arguments), 1) << Narrow(c.text);
            const std::string what = arguments[1] == u'S' ? "saving data to" : "restoring data from";
            EXPECT_EQ(err.Bytes(), "Plumquist plugin: Error " + what + " registry:\r\n" + c.shown + "\r\n")
                << Narrow(arguments) << " " << Narrow(c.text);
        }
    }
}

TEST_F(UnsafeCommandTest, ArgumentsThatCannotAllBeReadAreRefused) {
    std::u16string tooMany;
    for (int i = 0; i < MAX_ARGS; ++i) tooMany += u"/E:a ";
    struct Case {
        std::u16string arguments;
        std::string message;
    };
    const Case cases[] = {
        {tooMany + u"/E:b /S", "Plumquist plugin: Too many arguments (at most 1024)\r\n"},
        {tooMany + u"/Q", "Plumquist plugin: Too many arguments (at most 1024)\r\n"},
        {u"/E:" + Repeat(u'a', MAX_ARG_LEN) + u" /S",
         "Plumquist plugin: Buffer overflow: b = 16383, MAX_ARG_LEN = 16384 \r\n"},
    };
    for (const Case& c : cases) {
        SetDefaultUnsafe();
        ASSERT_EQ(SaveUnsafeSet(), 0);
        unsafeSet[u'~' - UNSAFE_FIRST] = 1;
        CapturedOutput output;
        CapturedStderr err;
        EXPECT_EQ(RunUnsafe(c.arguments), 1) << c.arguments.size();
        EXPECT_EQ(err.Bytes(), c.message) << c.arguments.size();
        EXPECT_EQ(Narrow(output.Out()), "") << "no listing, no Saved.";
        EXPECT_EQ(Narrow(EnabledCharacters()), Narrow(u"\"%&()<>[]^`|~"));
        ASSERT_EQ(LoadUnsafeSet(), 0);
        EXPECT_EQ(Narrow(EnabledCharacters()), Narrow(kDefaults)) << "the registry as it was";
    }
}

TEST(UnsafeListingWidth, ConsoleWidthWithinLimitsElse80) {
    struct Case {
        bool console;
        int32_t width;
        int32_t expected;
    };
    const Case cases[] = {
        {false, 120, 80}, {true, 0, 80},    {true, 39, 80},   {true, 40, 40},
        {true, 120, 120}, {true, 256, 256}, {true, 257, 80}, {true, -1, 80},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UnsafeListingWidth(c.console, c.width), c.expected) << c.console << " " << c.width;
    }
}

}  // namespace

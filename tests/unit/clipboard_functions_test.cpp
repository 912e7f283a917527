// clipboard_fileread.btm shows these functions at work; here are the
// argument limits and the result codes.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "charset/unsafe_set.h"
#include "export_call.h"
#include "abi/exports.h"
#include "core/host_command.h"
#include "test_support.h"

namespace {

TEST(ClipboardFunctions, ArgumentLengthLimits) {
    SetDefaultUnsafe();
    const char* file = "plum-clipboard-test.txt";
    std::ofstream(file, std::ios::binary) << "a<b\r\nplain\r\n";
    const std::u16string handle = HostExpand(u"%@fileopen[plum-clipboard-test.txt,read]");
    ASSERT_NE(handle, u"-1");
    ASSERT_EQ(CallExport(f_safeclipw, u"clip\xFF1C").text, u"1");

    // The host trims the arguments it splits, so padding with spaces keeps
    // them valid and only the length of the expression changes.
    struct LimitCase {
        ExportFn fn;
        std::u16string start;
        size_t longest;  // "%@name[" + argument + "]" fills 16383 units
        std::u16string result;
    };
    const LimitCase cases[] = {
        {f_safeclip, u"0", 16375, u"clip\xFF1C"},
        {f_safeline, u"plum-clipboard-test.txt,1", 16375, u"plain"},
        {f_saferead, handle, 16371, u"a\xFF1C" u"b"},
    };
    for (const LimitCase& c : cases) {
        const std::u16string fits = c.start + Repeat(u' ', c.longest - c.start.size());
        CapturedStderr captured;
        ExportResult r = CallExport(c.fn, fits);
        EXPECT_EQ(r.code, 0) << c.longest;
        EXPECT_EQ(r.text, c.result) << c.longest;
        EXPECT_EQ(captured.Bytes(), "");

        r = CallExport(c.fn, fits + u" ");
        EXPECT_EQ(r.code, -87) << c.longest;
        EXPECT_EQ(r.text, fits + u" ") << "the argument stays as it was";
        EXPECT_EQ(captured.Bytes(), "Plumquist plugin: Argument too long\r\n");
        EXPECT_TRUE(r.canaryIntact);
    }
    HostExpand(u"%@fileclose[" + handle + u"]");
    std::remove(file);
}

TEST(ClipboardFunctions, FailedExpansionLeavesTheArgumentAndEndsTheGuard) {
    HostLine(u"setdos /x-2");
    const ExportResult r = CallExport(f_safeline, u"plum-no-such-file.txt,0");
    EXPECT_EQ(r.code, -1) << "the host's result";
    EXPECT_EQ(r.text, u"plum-no-such-file.txt,0");
    EXPECT_EQ(HostExpand(u"%_expansion"), u"2");
    EXPECT_EQ(ExpansionGuardDepth(), 0);
    HostLine(u"setdos /x0");
}

TEST(ClipboardFunctions, NullBuffers) {
    for (ExportFn fn : {f_safeclip, f_safeline, f_saferead, f_safeclipw}) EXPECT_EQ(fn(nullptr), 1);
}

}  // namespace

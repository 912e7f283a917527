#include <gtest/gtest.h>

#include "fake_viewer.h"
#include "shared/help_viewer.h"
#include "test_support.h"

extern "C" int32_t PLUM_CALL ShutdownPlugin(int32_t);

namespace {

using Calls = std::vector<std::string>;

const char kStart[] = "start VIEWER | \"VIEWER\" \"HELP.chm::/topic.html\"";

TEST(HelpViewer, EachModeDrivesTheViewerWindows) {
    struct ModeCase {
        int32_t mode;
        const char16_t* searchText;
        Calls afterStart;
    };
    const Calls drive = {"idle 101 8000", "top 1001 HH Parent", "find 1 SysTabControl32 -1"};
    auto with = [&drive](std::initializer_list<std::string> more) {
        Calls calls = drive;
        calls.insert(calls.end(), more);
        return calls;
    };
    const ModeCase cases[] = {
        // The topic alone: no waiting, no window looked at.
        {0, u"ignored", {}},
        {1, nullptr, with({"post 2 0x1330 0 0"})},
        {1, u"ignored", with({"post 2 0x1330 0 0"})},
        {3, u"ignored", with({"post 2 0x1330 2 0"})},
        {2, nullptr, with({"post 2 0x1330 1 0"})},
        {2, u"two words",
         with({"post 2 0x1330 1 0", "find 1 ComboBox 1001", "find 1 Button 1006", "send 3 0xc 0 two words", "sleep 20",
               "send 4 0x201 1 0", "send 4 0x202 0 0"})},
        // An explicit empty text is entered and searched for all the same.
        {2, u"",
         with({"post 2 0x1330 1 0", "find 1 ComboBox 1001", "find 1 Button 1006", "send 3 0xc 0 ", "sleep 20",
               "send 4 0x201 1 0", "send 4 0x202 0 0"})},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode));
        FakeViewerScope scope;
        EXPECT_EQ(LaunchHelpViewer(u"HELP.chm", u"topic", c.mode, c.searchText), VIEWER_STARTED);
        Calls expected = {"find viewer", kStart};
        expected.insert(expected.end(), c.afterStart.begin(), c.afterStart.end());
        EXPECT_EQ(scope.Fake().calls, expected);
        EXPECT_EQ(RecordedHelpViewer(), FAKE_FIRST_PROCESS);
    }
}

TEST(HelpViewer, ANewRequestEndsThePreviousViewerAfterStartingItsOwn) {
    FakeViewerScope scope;
    FakeViewer& fake = scope.Fake();
    ASSERT_EQ(LaunchHelpViewer(u"HELP.chm", u"topic", 0, nullptr), VIEWER_STARTED);
    fake.calls.clear();
    ASSERT_EQ(LaunchHelpViewer(u"HELP.chm", u"topic", 1, nullptr), VIEWER_STARTED);
    const Calls expected = {"find viewer", kStart, "idle 102 8000", "top 1002 HH Parent", "find 1 SysTabControl32 -1",
                            "post 2 0x1330 0 0", "end 101 0", "close 101"};
    EXPECT_EQ(fake.calls, expected);
    EXPECT_EQ(fake.running, std::vector<ProcessHandle>{102});
    EXPECT_EQ(RecordedHelpViewer(), 102);

    // Unloading ends the recorded viewer and releases its handle, once.
    fake.calls.clear();
    EXPECT_EQ(ShutdownPlugin(0), 0);
    EXPECT_EQ(fake.calls, (Calls{"end 102 0", "close 102"}));
    EXPECT_TRUE(fake.running.empty());
    EXPECT_EQ(RecordedHelpViewer(), 0);
    fake.calls.clear();
    EXPECT_EQ(CloseHelpViewer(), 0);
    EXPECT_TRUE(fake.calls.empty());
}

TEST(HelpViewer, AFailedRequestStartsNothingAndKeepsThePreviousViewer) {
    struct FailureCase {
        const char* what;
        std::u16string program;
        bool starts;
        std::u16string helpFile;
        std::u16string topic;
        int32_t result;
    };
    const FailureCase cases[] = {
        {"no viewer program", u"", true, u"HELP.chm", u"topic", VIEWER_NOT_STARTED},
        {"process not created", u"VIEWER", false, u"HELP.chm", u"topic", VIEWER_NOT_STARTED},
        {"target too long", u"VIEWER", true, u"HELP.chm", Repeat(u't', MAX_ARG_LEN - 5), VIEWER_REQUEST_TOO_LONG},
        // The target fits; with the viewer's path and the quotes the command
        // line would not.
        {"command line too long", Repeat(u'v', 40), true, Repeat(u'f', MAX_ARG_LEN - 21), u"t",
         VIEWER_REQUEST_TOO_LONG},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.what);
        FakeViewerScope scope;
        FakeViewer& fake = scope.Fake();
        ASSERT_EQ(LaunchHelpViewer(u"HELP.chm", u"topic", 0, nullptr), VIEWER_STARTED);
        fake.program = c.program;
        fake.starts = c.starts;
        fake.calls.clear();
        EXPECT_EQ(LaunchHelpViewer(c.helpFile.c_str(), c.topic.c_str(), 2, u"text"), c.result);
        EXPECT_EQ(fake.started, 1);
        for (const std::string& call : fake.calls) {
            EXPECT_TRUE(call == "find viewer" || call.rfind("start", 0) == 0) << call;
        }
        EXPECT_EQ(RecordedHelpViewer(), FAKE_FIRST_PROCESS);
    }
    FakeViewerScope scope;
    EXPECT_EQ(LaunchHelpViewer(nullptr, u"t", 0, nullptr), VIEWER_NOT_STARTED);
    EXPECT_EQ(LaunchHelpViewer(u"HELP.chm", nullptr, 0, nullptr), VIEWER_NOT_STARTED);
    EXPECT_EQ(scope.Fake().started, 0);
}

TEST(HelpViewer, DriveViewerLooksForTheWindowsUpTo50TimesAndReportsWhatItDidNotFind) {
    struct DriveCase {
        const char* what;
        uint32_t idleResult;
        int32_t mainWindowFrom;
        bool hasTabs;
        int32_t searchControlsFrom;
        int32_t result;
        int32_t mainLookups;
        int32_t searchLookups;
        bool posted;
        bool searched;
    };
    const DriveCase cases[] = {
        {"all there", PLAT_WAIT_IDLE, 1, true, 1, DRIVE_DONE, 1, 1, true, true},
        {"no input queue", PLAT_WAIT_FAILED, 1, true, 1, DRIVE_DONE, 1, 1, true, true},
        {"never idle", PLAT_WAIT_TIMEOUT, 1, true, 1, DRIVE_NOT_IDLE, 0, 0, false, false},
        {"main window late", PLAT_WAIT_IDLE, 4, true, 1, DRIVE_DONE, 4, 1, true, true},
        {"main window on the last try", PLAT_WAIT_IDLE, 50, true, 1, DRIVE_DONE, 50, 1, true, true},
        {"no main window", PLAT_WAIT_IDLE, 0, true, 1, DRIVE_WINDOW_MISSING, 50, 0, false, false},
        {"no tab control", PLAT_WAIT_IDLE, 1, false, 1, DRIVE_WINDOW_MISSING, 50, 1, false, true},
        {"search controls late", PLAT_WAIT_IDLE, 1, true, 3, DRIVE_DONE, 1, 3, true, true},
        {"search controls on the last try", PLAT_WAIT_IDLE, 1, true, 50, DRIVE_DONE, 1, 50, true, true},
        {"search controls never", PLAT_WAIT_IDLE, 1, true, 0, DRIVE_WINDOW_MISSING, 1, 50, true, false},
    };
    for (const DriveCase& c : cases) {
        SCOPED_TRACE(c.what);
        FakeViewerScope scope;
        FakeViewer& fake = scope.Fake();
        fake.idleResult = c.idleResult;
        fake.mainWindowFrom = c.mainWindowFrom;
        fake.hasTabs = c.hasTabs;
        fake.searchControlsFrom = c.searchControlsFrom;
        EXPECT_EQ(DriveViewer(1001, 101, 1, u"x"), c.result);
        int32_t sleeps = 0;
        bool posted = false;
        bool searched = false;
        for (const std::string& call : fake.calls) {
            if (call == "sleep 20") ++sleeps;
            if (call == "post 2 0x1330 1 0") posted = true;
            if (call == "send 3 0xc 0 x") searched = true;
        }
        EXPECT_EQ(fake.mainLookups, c.mainLookups);
        EXPECT_EQ(fake.searchLookups, c.searchLookups);
        // 20 ms between two lookups, and 20 ms between typing and pressing.
        const int32_t pauses = (c.mainLookups > 0 ? c.mainLookups - 1 : 0) +
                               (c.searchLookups > 0 ? c.searchLookups - 1 : 0) + (c.searched ? 1 : 0);
        EXPECT_EQ(sleeps, pauses);
        EXPECT_EQ(posted, c.posted);
        EXPECT_EQ(searched, c.searched);
        ASSERT_FALSE(fake.calls.empty());
        EXPECT_EQ(fake.calls.front(), "idle 101 8000");
    }
    FakeViewerScope scope;
    EXPECT_EQ(DriveViewer(0, 101, 1, u"x"), DRIVE_DONE);
    EXPECT_TRUE(scope.Fake().calls.empty());
}

}  // namespace

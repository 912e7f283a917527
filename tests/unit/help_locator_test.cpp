#include <gtest/gtest.h>

#include <algorithm>

#include "captured_output.h"
#include "export_call.h"
#include "fake_viewer.h"
#include "platform/platform.h"
#include "shared/help_command.h"
#include "plugin/help_hooks.h"
#include "shared/help_locator.h"
#include "test_support.h"

namespace {

// Paths in the form of the platform: every place the tests use lies under
// one root that need not exist, since the file system is faked.
#if defined(_WIN32)
const std::u16string kRoot = u"C:\\plum\\";
const char16_t kSeparator = u'\\';
#else
const std::u16string kRoot = u"/plum/";
const char16_t kSeparator = u'/';
#endif

std::u16string At(const std::u16string& relative) {
    std::u16string path = kRoot + relative;
    std::replace(path.begin(), path.end(), u'/', kSeparator);
    return path;
}

// The fake file system and the plug-in's own file name.
std::vector<std::u16string> plainFiles;
std::vector<std::u16string> asked;
std::u16string moduleName;
int32_t moduleResult = 0;  // the result ModuleFileName gives with moduleName
std::u16string boxText;
std::u16string boxCaption;
int32_t boxes = 0;

int32_t FakeIsPlainFile(const char16_t* path) {
    asked.emplace_back(path);
    return std::find(plainFiles.begin(), plainFiles.end(), std::u16string(path)) != plainFiles.end() ? 1 : 0;
}

int32_t FakeModuleFileName(char16_t* destination, int32_t size) {
    const size_t n = std::min(moduleName.size(), static_cast<size_t>(size - 1));
    std::copy(moduleName.begin(), moduleName.begin() + static_cast<std::ptrdiff_t>(n), destination);
    destination[n] = 0;
    return moduleResult;
}

int32_t FakeWindowsDirectory(char16_t* destination, int32_t size) {
    const std::u16string directory = u"C:\\WINDOWS";
    if (static_cast<int32_t>(directory.size()) >= size) return 0;
    std::copy(directory.begin(), directory.end(), destination);
    destination[directory.size()] = 0;
    return static_cast<int32_t>(directory.size());
}

void FakeShowMessageBox(const char16_t* text, const char16_t* caption) {
    boxText = text;
    boxCaption = caption;
    ++boxes;
}

class HelpLocatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        plainFiles.clear();
        asked.clear();
        moduleName = At(u"lib/Plumquist.dll");
        moduleResult = static_cast<int32_t>(moduleName.size());
        boxes = 0;
        PlatSetIsPlainFile(&FakeIsPlainFile);
        PlatSetModuleFileName(&FakeModuleFileName);
        PlatSetWindowsDirectory(&FakeWindowsDirectory);
        PlatSetShowMessageBox(&FakeShowMessageBox);
        SetPlaces(At(u"a"), At(u"b"), At(u"host/plumhost.exe"), At(u"win"));
    }
    void TearDown() override {
        SetPlaces(u"", u"", u"", u"");
        for (const char* name : {"IsPlainFile", "ModuleFileName", "WindowsDirectory", "ShowMessageBox"}) {
            PlatRestore(name);
        }
    }
    // The two variables and the host's command processor and Windows
    // directory; an empty text unsets a variable and restores a host value.
    static void SetPlaces(const std::u16string& plumquistHelp, const std::u16string& pluginHelp,
                          const std::u16string& cmdspec, const std::u16string& windir) {
        HostLine(u"set PlumquistHelp=" + plumquistHelp);
        HostLine(u"set PluginHelp=" + pluginHelp);
        HostLine(u"sethost _cmdspec=" + cmdspec);
        HostLine(u"sethost windir=" + windir);
    }
    // The help file the viewer was started on, or "" when none was.
    static std::string Launched(const FakeViewer& fake) {
        for (const std::string& call : fake.calls) {
            if (call.rfind("start ", 0) != 0) continue;
            const size_t from = call.find(" \"", call.find('|') + 3) + 2;
            return call.substr(from, call.find("::/") - from);
        }
        return "";
    }
};

TEST_F(HelpLocatorTest, SearchesTheSevenPlacesInOrderAndOpensTheFirstFile) {
    struct PlaceCase {
        const char* what;
        std::vector<std::u16string> files;
        std::vector<std::u16string> asked;
        std::u16string launched;
    };
    const std::u16string a = At(u"a/Plumquist.chm");
    const std::u16string b = At(u"b/Plumquist.chm");
    const std::vector<std::u16string> allSeven = {
        a,
        b,
        At(u"lib/Plumquist.chm"),
        At(u"lib/Help/Plumquist.chm"),
        At(u"host/Plumquist.chm"),
        At(u"host/help/Plumquist.chm"),
        At(u"win/help/Plumquist.chm"),
    };
    const PlaceCase cases[] = {
        {"PlumquistHelp wins over PluginHelp", {a, b}, {a}, a},
        {"PluginHelp when PlumquistHelp holds no file (a directory)", {b}, {a, b}, b},
        {"the Windows help directory last", {allSeven[6]}, allSeven, allSeven[6]},
        {"every place tried", {}, allSeven, u""},
    };
    for (const PlaceCase& c : cases) {
        SCOPED_TRACE(c.what);
        FakeViewerScope scope;
        plainFiles = c.files;
        asked.clear();
        boxes = 0;
        const int32_t outcome = OpenHelp(u"topic", 0, nullptr);
        EXPECT_EQ(outcome, c.launched.empty() ? HELP_FILE_MISSING : HELP_OPENED);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(Launched(scope.Fake()), Narrow(c.launched));
        EXPECT_EQ(boxes, c.launched.empty() ? 1 : 0);
    }
}

TEST_F(HelpLocatorTest, PlacesThatAreNoFullPathsAreNeverAsked) {
    struct SkipCase {
        const char* what;
        std::u16string plumquistHelp;
        std::u16string pluginHelp;
        std::u16string cmdspec;
        std::u16string windir;
        std::u16string module;
        int32_t moduleResult;  // -1: the module name's length
        std::vector<std::u16string> asked;
    };
    const std::u16string lib = At(u"lib/Plumquist.chm");
    const std::u16string libHelp = At(u"lib/Help/Plumquist.chm");
    const std::u16string module = At(u"lib/Plumquist.dll");
    const SkipCase cases[] = {
        // Undefined variables leave "\Plumquist.chm", the root of the drive.
        {"undefined variables", u"", u"", u"\"\"", u"\"\"", module, -1, {lib, libHelp}},
        {"relative variables", u"docs", u"..\\docs", u"\"\"", u"\"\"", module, -1, {lib, libHelp}},
        {"command processor without a directory", u"", u"", u"plumhost.exe", u"\"\"", module, -1, {lib, libHelp}},
        {"own file name unreadable", u"", u"", u"\"\"", u"\"\"", module, 0, {}},
        {"own file name cut", u"", u"", u"\"\"", u"\"\"", module.substr(0, 6), 0, {}},
        {"own file name without a directory", u"", u"", u"\"\"", u"\"\"", u"Plumquist.dll", -1, {}},
    };
    for (const SkipCase& c : cases) {
        SCOPED_TRACE(c.what);
        FakeViewerScope scope;
        SetPlaces(c.plumquistHelp, c.pluginHelp, c.cmdspec, c.windir);
        moduleName = c.module;
        moduleResult = c.moduleResult < 0 ? static_cast<int32_t>(c.module.size()) : c.moduleResult;
        asked.clear();
        EXPECT_EQ(OpenHelp(u"topic", 0, nullptr), HELP_FILE_MISSING);
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(scope.Fake().started, 0);
    }
}

TEST_F(HelpLocatorTest, MissingFileBoxNamesEveryPlace) {
    FakeViewerScope scope;
    CapturedOutput output;
    EXPECT_EQ(OpenHelp(u"overview", 2, u"text"), HELP_FILE_MISSING);
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(boxCaption, u"Missing Help File");
    EXPECT_EQ(boxText, MissingHelpFileText(u"C:\\WINDOWS"));
    EXPECT_EQ(output.Out(), u"");
    EXPECT_EQ(output.Err(), u"");

    // PLUMQUISTHELP tells the failure by its result; the help key has
    // handled the name all the same.
    EXPECT_EQ(CallExport(plumquisthelp, u" unsafe").code, 1);
    EXPECT_EQ(boxes, 2);
    EXPECT_EQ(Help(u"unsafe"), 1);
    EXPECT_EQ(boxes, 3);
    EXPECT_EQ(scope.Fake().started, 0);
}

TEST_F(HelpLocatorTest, AFoundFileThatCannotBeShownIsReportedAsSuch) {
    struct ViewerCase {
        const char* what;
        bool hasProgram;
        bool starts;
        std::u16string topic;
        int32_t outcome;
        std::u16string message;
    };
    const ViewerCase cases[] = {
        {"no viewer program", false, true, u"topic", HELP_VIEWER_FAILED,
         u"Plumquist plugin: Cannot start the help viewer\r\n"},
        {"viewer does not start", true, false, u"topic", HELP_VIEWER_FAILED,
         u"Plumquist plugin: Cannot start the help viewer\r\n"},
        {"topic too long", true, true, Repeat(u't', MAX_ARG_LEN - 10), HELP_TOPIC_TOO_LONG,
         u"Plumquist plugin: Topic too long\r\n"},
    };
    for (const ViewerCase& c : cases) {
        SCOPED_TRACE(c.what);
        FakeViewerScope scope;
        scope.Fake().program = c.hasProgram ? u"VIEWER" : u"";
        scope.Fake().starts = c.starts;
        plainFiles = {At(u"b/Plumquist.chm"), At(u"win/help/Plumquist.chm")};
        asked.clear();
        boxes = 0;
        CapturedOutput output;
        EXPECT_EQ(OpenHelp(c.topic.c_str(), 0, nullptr), c.outcome);
        EXPECT_EQ(output.Err(), c.message);
        EXPECT_EQ(boxes, 0) << "the file is there: no missing-file box";
        // Every place is still tried.
        EXPECT_EQ(asked.size(), 7u);
    }
}

TEST_F(HelpLocatorTest, TryHelpFileTakesNoNullAndLeavesOtherTildesAlone) {
    FakeViewerScope scope;
    EXPECT_EQ(TryHelpFile(nullptr, u"topic", 0, nullptr), HELP_FILE_MISSING);
    EXPECT_EQ(TryHelpFile(u"x", nullptr, 0, nullptr), HELP_FILE_MISSING);
    asked.clear();
    EXPECT_EQ(TryHelpFile(u"~Plumquist.chm", u"topic", 0, nullptr), HELP_FILE_MISSING);
    EXPECT_TRUE(asked.empty());
    plainFiles = {At(u"lib/Help/Plumquist.chm")};
    EXPECT_EQ(TryHelpFile(u"~\\Help\\Plumquist.chm", u"topic", 0, nullptr), HELP_OPENED);
    EXPECT_EQ(Launched(scope.Fake()), Narrow(At(u"lib/Help/Plumquist.chm")));
}

}  // namespace

// Fault loops: each operation runs with its Nth platform call failed, once
// and then from then on, for N = 1, 2, ... until a run no longer reaches
// call N. Every run must end in the operation's normal result or in one of
// its documented failures, compared whole, with nothing lost; and the next
// run, without faults, must work from whatever the failed one left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "abi/exports.h"
#include "captured_output.h"
#include "charset/registry_store.h"
#include "charset/unsafe_set.h"
#include "core/errors.h"
#include "export_call.h"
#include "fake_viewer.h"
#include "fault_injection.h"
#include "platform/platform.h"
#include "scratch_file.h"
#include "shared/help_viewer.h"
#include "test_support.h"

namespace {

// What an operation keeps: the unsafe set and the registry value (as hex of
// their 12 bytes), a file's bytes, a host array's elements, and what became
// of the help viewers.
struct State {
    std::string set;
    std::string registry;
    std::string file;
    std::u16string array;
    std::string viewer;
};

// Everything a run shows and leaves behind.
struct Observed {
    int32_t code = 0;
    std::u16string text;  // the host's buffer afterwards (variable functions)
    bool canaryIntact = true;
    std::u16string out;
    std::u16string err;
    std::u16string boxes;  // message boxes shown: "caption: text" each
    State state;
};

bool operator==(const Observed& a, const Observed& b) {
    return a.code == b.code && a.text == b.text && a.canaryIntact == b.canaryIntact && a.out == b.out &&
           a.err == b.err && a.boxes == b.boxes && a.state.set == b.state.set && a.state.registry == b.state.registry &&
           a.state.file == b.state.file && a.state.array == b.state.array && a.state.viewer == b.state.viewer;
}

std::string Printable(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

std::string Describe(const Observed& o) {
    return "code " + std::to_string(o.code) + ", text \"" + Narrow(o.text) + "\"" +
           (o.canaryIntact ? "" : ", CANARY OVERWRITTEN") + ", out \"" + Narrow(o.out) + "\", err \"" + Narrow(o.err) +
           "\", boxes \"" + Narrow(o.boxes) + "\", set " + o.state.set + ", registry " + o.state.registry +
           ", file \"" + Printable(o.state.file) + "\", array \"" + Narrow(o.state.array) + "\", viewer " +
           o.state.viewer;
}

std::string Hex(const uint8_t* bytes, uint32_t size) {
    std::string out;
    for (uint32_t i = 0; i < size; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
        out += pair;
    }
    return out;
}

// The stored set of the defaults.
const std::string kDefaultSet = "640300500000006801000010";

std::string SetHex() {
    uint8_t bytes[UNSAFE_VALUE_SIZE];
    PackUnsafeSet(bytes);
    return Hex(bytes, UNSAFE_VALUE_SIZE);
}

// The registry value as the backend reads it, past the table.
struct RawValue {
    int32_t code = 0;
    uint32_t type = 0;
    uint32_t size = 64;
    uint8_t bytes[64] = {};
};

RawValue ReadRawValue() {
    RawValue raw;
    raw.code =
        platform_default::RegistryRead(UNSAFE_REGISTRY_KEY, UNSAFE_REGISTRY_VALUE, &raw.type, raw.bytes, &raw.size);
    return raw;
}

std::string RegistryHex() {
    const RawValue raw = ReadRawValue();
    if (raw.code != PLAT_ERROR_SUCCESS) return "error " + std::to_string(raw.code);
    const std::string hex = Hex(raw.bytes, raw.size);
    return raw.type == PLAT_REG_BINARY ? hex : "type " + std::to_string(raw.type) + " " + hex;
}

// The defaults, plus "~" when asked.
void UseSet(bool withTilde) {
    SetDefaultUnsafe();
    unsafeSet[u'~' - UNSAFE_FIRST] = withTilde ? 1 : 0;
}

State SetAndRegistry() {
    State state;
    state.set = SetHex();
    state.registry = RegistryHex();
    return state;
}

// A report as it reaches standard error: nothing at all when the standard
// error handle itself was failed.
std::u16string Reported(const FaultInjector& faults, const std::u16string& message) {
    return faults.Failed("StandardError") ? u"" : u"Plumquist plugin: " + message;
}

// The system's text for a code, or "Error N" when that text was failed.
std::u16string SystemText(const FaultInjector& faults, int32_t code) {
    if (faults.Failed("SystemErrorText")) {
        const std::string number = std::to_string(code);
        return u"Error " + std::u16string(number.begin(), number.end());
    }
    char16_t text[SYSTEM_ERROR_TEXT_LEN];
    FormatSystemError(text, code);
    return text;
}

Observed RunFunction(ExportFn function, const std::u16string& argument) {
    Observed observed;
    CapturedOutput output;
    const ExportResult result = CallExport(function, argument);
    observed.code = result.code;
    observed.text = result.text;
    observed.canaryIntact = result.canaryIntact;
    observed.out = output.Out();
    observed.err = output.Err();
    return observed;
}

// A command's results are its code and what it prints; its buffer is not.
Observed RunCommand(ExportFn command, const std::u16string& arguments) {
    Observed observed = RunFunction(command, arguments);
    observed.text.clear();
    return observed;
}

// ---- Loading: GetPluginInfo and InitializePlugin with a saved set.

void PrepareLoad() {
    UseSet(true);
    SaveUnsafeSet();
    for (int32_t& flag : unsafeSet) flag = 0;  // as before the first load
}

Observed RunLoad() {
    Observed observed;
    CapturedOutput output;
    GetPluginInfo();
    observed.code = InitializePlugin();
    observed.out = output.Out();
    observed.err = output.Err();
    observed.state = SetAndRegistry();
    return observed;
}

const std::u16string kLoadMessage = u"Plumquist plugin v1.10.1 loaded.\n";

Observed NormalLoad(const State& before) {
    Observed normal;
    normal.out = kLoadMessage;
    normal.state.set = before.registry;
    normal.state.registry = before.registry;
    return normal;
}

// A registry that cannot be read leaves the defaults in force, silently.
std::vector<Observed> FailedLoad(const State& before, const FaultInjector&) {
    Observed failed = NormalLoad(before);
    failed.state.set = kDefaultSet;
    return {failed};
}

// ---- UNSAFE /S after the set was changed.

void PrepareSave() {
    UseSet(false);
    SaveUnsafeSet();
    UseSet(true);
}

Observed RunSave() {
    Observed observed = RunCommand(unsafe, u" /S");
    observed.state = SetAndRegistry();
    return observed;
}

Observed NormalSave(const State& before) {
    Observed normal;
    normal.out = u"Saved.\r\n";
    normal.state.set = before.set;
    normal.state.registry = before.set;
    return normal;
}

// The set stays as it is in memory; the registry keeps what it held.
std::vector<Observed> FailedSave(const State& before, const FaultInjector& faults) {
    Observed failed;
    failed.code = 1;
    failed.err = Reported(
        faults, u"Error saving data to registry:\r\n" + SystemText(faults, PLAT_ERROR_ACCESS_DENIED) + u"\r\n");
    failed.state = before;
    return {failed};
}

// ---- UNSAFE /R after the set was changed.

void PrepareRestore() {
    UseSet(true);
    SaveUnsafeSet();
    UseSet(false);
}

Observed RunRestore() {
    Observed observed = RunCommand(unsafe, u" /R");
    observed.state = SetAndRegistry();
    return observed;
}

Observed NormalRestore(const State& before) {
    Observed normal;
    normal.out = u"Restored.\r\n";
    normal.state.set = before.registry;
    normal.state.registry = before.registry;
    return normal;
}

std::vector<Observed> FailedRestore(const State& before, const FaultInjector& faults) {
    Observed failed;
    failed.code = 1;
    failed.err = Reported(
        faults, u"Error restoring data from registry:\r\n" + SystemText(faults, PLAT_ERROR_ACCESS_DENIED) + u"\r\n");
    failed.state = before;
    return {failed};
}

// ---- @SAFEWRITE: a line appended in the OEM code page to a file that has
// content, and the first line of a new file in Unicode.

std::unique_ptr<ScratchFile> writeFile;
const std::u16string kWrittenText =
    u"a\xFF1C"
    u"b";  // a, the safe form of "<", b
const std::string kLine = "a<b\r\n";
const std::string kLineUtf16("a\0<\0b\0\r\0\n\0", 10);
const std::string kMark("\xFF\xFE", 2);

void OpenWriteFile(const char* name, const std::string& content) {
    writeFile.reset();
    writeFile = std::make_unique<ScratchFile>(name);
    uint32_t written = 0;
    platform_default::WriteHandle(writeFile->Handle(), content.data(), static_cast<uint32_t>(content.size()), &written);
}

State FileState() {
    State state;
    state.file = writeFile->Bytes();
    return state;
}

Observed RunWrite() {
    Observed observed = RunFunction(f_safewrite, writeFile->Decimal() + u"," + kWrittenText);
    observed.state = FileState();
    return observed;
}

Observed Written(const std::string& file, const char16_t* result) {
    Observed observed;
    observed.text = result;
    observed.state.file = file;
    return observed;
}

void PrepareAppend() {
    HostLine(u"sethost _unicode=0");
    HostLine(u"sethost _codepage=\"\"");  // no number: the OEM code page
    OpenWriteFile("faultloop-append.txt", "earlier line\r\n");
}

Observed NormalAppend(const State& before) { return Written(before.file + kLine, u"5"); }

// A failed write says "-1" and leaves the file as it was.
std::vector<Observed> FailedAppend(const State& before, const FaultInjector&) { return {Written(before.file, u"-1")}; }

void PrepareNewFile() {
    HostLine(u"sethost _unicode=1");
    OpenWriteFile("faultloop-new.txt", "");
}

Observed NormalNewFile(const State& before) {
    return Written(before.file + (before.file.empty() ? kMark : "") + kLineUtf16, u"5");
}

std::vector<Observed> FailedNewFile(const State& before, const FaultInjector& faults) {
    std::vector<Observed> failed = {Written(before.file, u"-1")};
    // The mark went out before the line failed; the next line finds the file
    // no longer empty and adds none.
    if (before.file.empty()) failed.push_back(Written(kMark, u"-1"));
    // Without file information (a console or a pipe) no mark is written.
    if (faults.Failed("FileSize")) failed.push_back(Written(before.file + kLineUtf16, u"5"));
    return failed;
}

// ---- @SAFEENV.

void PrepareEnvironment() { SetProcessEnvironment("PLUMFAULTENV", "a<b"); }

Observed RunEnvironment() { return RunFunction(f_safeenv, u"PLUMFAULTENV"); }

Observed NormalEnvironment(const State&) {
    Observed normal;
    normal.text =
        u"a\xFF1C"
        u"b";
    return normal;
}

// A read that finds nothing gives what an unset variable gives.
std::vector<Observed> FailedEnvironment(const State&, const FaultInjector&) { return {Observed()}; }

// ---- SAFEARRAY.

void PrepareArray() {
    HostLine(u"unsetarray *");
    HostLine(u"setarray PLUMFAULT[2]");
    HostLine(u"set PLUMFAULT[0]=(v)");
    HostLine(u"set PLUMFAULT[1]=plain");
}

State ArrayState() {
    State state;
    state.array = HostExpand(u"%PLUMFAULT[0]") + u"\n" + HostExpand(u"%PLUMFAULT[1]");
    return state;
}

Observed RunArray() {
    Observed observed = RunCommand(safearray, u" PLUMFAULT");
    observed.state = ArrayState();
    return observed;
}

// Every default dangerous character in its safe form.
Observed NormalArray(const State& before) {
    Observed normal;
    normal.state.array = before.array;
    for (char16_t& c : normal.state.array) {
        if (std::u16string(u"\"%&()<>[]^`|").find(c) != std::u16string::npos) c += SAFE_FORM_OFFSET;
    }
    return normal;
}

std::vector<Observed> FailedArray(const State&, const FaultInjector&) { return {}; }

// ---- Help: the Help hook at a topic, and PLUMQUISTHELP with a search,
// each replacing a viewer that an earlier request left open. The viewer is
// the fake of fake_viewer.h; the help file is real.

FakeViewerScope* viewerScope = nullptr;
std::u16string helpFile;  // the full path the viewer must get
std::u16string boxesShown;
std::u16string windowsDirectory;

void RecordBox(const char16_t* text, const char16_t* caption) { boxesShown += std::u16string(caption) + u": " + text; }

void PrepareHelp() {
    CloseHelpViewer();
    Help(u"unsafe");
}

// A help request's outcome in the words of ViewerSummary.
std::string Viewer(const std::string& start, const std::string& tab, const std::string& search, int presses,
                   const char* recorded, const char* previous) {
    return "start=" + start + " tab=" + tab + " search=" + search + " presses=" + std::to_string(presses) +
           " recorded=" + recorded + " previous=" + previous;
}

// The viewer calls of one run, summed up: what was started at which target,
// the tab posted, the search text sent, the button presses, which viewer is
// recorded afterwards and what became of the one recorded before.
std::string ViewerSummary(size_t firstCall, ProcessHandle previous) {
    const FakeViewer& fake = viewerScope->Fake();
    std::string start = "none";
    std::string tab = "none";
    std::string search = "none";
    int presses = 0;
    for (size_t i = firstCall; i < fake.calls.size(); ++i) {
        const std::string& call = fake.calls[i];
        if (call.rfind("start ", 0) == 0) start = call.substr(call.find(" | ") + 3);
        if (call.rfind("post 2 0x1330 ", 0) == 0) tab = call.substr(14, call.find(' ', 14) - 14);
        if (call.rfind("send 3 0xc 0 ", 0) == 0) search = call.substr(13);
        if (call.rfind("send 4 0x201 ", 0) == 0 || call.rfind("send 4 0x202 ", 0) == 0) ++presses;
    }
    const ProcessHandle recorded = RecordedHelpViewer();
    const ProcessHandle newest = FAKE_FIRST_PROCESS - 1 + fake.started;
    const bool previousRunning = std::find(fake.running.begin(), fake.running.end(), previous) != fake.running.end();
    const char* recordedWord = recorded == previous ? "previous" : recorded == newest ? "new" : "other";
    const char* previousWord = previous == 0 ? "none" : previousRunning ? "running" : "ended";
    return Viewer(start, tab, search, presses, recordedWord, previousWord);
}

// Runs a request that fills in the observation's code (and canary).
template <typename Request>
Observed RunHelpRequest(Request request) {
    const size_t firstCall = viewerScope->Fake().calls.size();
    const ProcessHandle previous = RecordedHelpViewer();
    boxesShown.clear();
    Observed observed;
    {
        CapturedOutput output;
        request(observed);
        observed.out = output.Out();
        observed.err = output.Err();
    }
    observed.boxes = boxesShown;
    observed.state.viewer = ViewerSummary(firstCall, previous);
    return observed;
}

Observed RunHelpHook() {
    return RunHelpRequest([](Observed& observed) { observed.code = Help(u"unsafe"); });
}

Observed RunHelpSearch() {
    return RunHelpRequest([](Observed& observed) {
        const ExportResult result = CallExport(plumquisthelp, u" /S:word");
        observed.code = result.code;
        observed.canaryIntact = result.canaryIntact;
    });
}

std::string Target(const char* topic) { return "\"VIEWER\" \"" + Narrow(helpFile) + "::/" + topic + ".html\""; }

Observed NormalHelpHook(const State&) {
    Observed normal;
    normal.code = 1;
    normal.state.viewer = Viewer(Target("unsafe"), "none", "none", 0, "new", "ended");
    return normal;
}

Observed NormalHelpSearch(const State&) {
    Observed normal;
    normal.state.viewer = Viewer(Target("overview"), "1", "word", 2, "new", "ended");
    return normal;
}

std::u16string MissingHelpBox(const FaultInjector& faults) {
    if (faults.Failed("ShowMessageBox")) return u"";
    const std::u16string directory = faults.Failed("WindowsDirectory") ? u"" : windowsDirectory;
    return u"Missing Help File: " + MissingHelpFileText(directory);
}

// The failures both requests share: the file not found at its place (an
// unreadable path or attributes), told by the missing-file box; the viewer
// not started, told on standard error. The earlier viewer stays recorded.
// Both give 1 then: the hook because the name is one of ours, the command
// because nothing opened.
std::vector<Observed> HelpNotOpened(const FaultInjector& faults) {
    const std::string untouched = Viewer("none", "none", "none", 0, "previous", "running");
    Observed missing;
    missing.code = 1;
    missing.boxes = MissingHelpBox(faults);
    missing.state.viewer = untouched;
    Observed notStarted;
    notStarted.code = 1;
    notStarted.err = Reported(faults, u"Cannot start the help viewer\r\n");
    notStarted.state.viewer = untouched;
    return {missing, notStarted};
}

// A viewer that cannot be ended (the user may have closed it) is forgotten
// all the same.
std::vector<Observed> FailedHelpHook(const State& before, const FaultInjector& faults) {
    std::vector<Observed> failed = HelpNotOpened(faults);
    if (faults.Failed("EndProcess")) {
        Observed notEnded = NormalHelpHook(before);
        notEnded.state.viewer = Viewer(Target("unsafe"), "none", "none", 0, "new", "running");
        failed.push_back(notEnded);
    }
    return failed;
}

// A viewer that does not answer, or whose windows or controls are not found
// or do not take a message, stays open at its page without a word: any of
// the tab, the search text and the presses may be missing.
std::vector<Observed> FailedHelpSearch(const State& before, const FaultInjector& faults) {
    std::vector<Observed> failed = HelpNotOpened(faults);
    bool driveFailed = false;
    for (const char* name :
         {"WaitInputIdle", "FindTopWindow", "FindDescendant", "PostWindowMessage", "SendWindowMessage"}) {
        driveFailed = driveFailed || faults.Failed(name);
    }
    const std::vector<const char*> previous =
        faults.Failed("EndProcess") ? std::vector<const char*>{"ended", "running"} : std::vector<const char*>{"ended"};
    for (const char* tab : {"1", "none"}) {
        for (const char* search : {"word", "none"}) {
            for (int presses = 0; presses <= 2; ++presses) {
                for (const char* ending : previous) {
                    const bool driven = std::string(tab) == "1" && std::string(search) == "word" && presses == 2;
                    if (!driven && !driveFailed) continue;
                    if (driven && std::string(ending) == "ended") continue;  // the normal outcome
                    Observed observed = NormalHelpSearch(before);
                    observed.state.viewer = Viewer(Target("overview"), tab, search, presses, "new", ending);
                    failed.push_back(observed);
                }
            }
        }
    }
    return failed;
}

State NoState() { return State(); }

// ---- The table and the loop.

struct Operation {
    const char* label;
    void (*prepare)();
    State (*snapshot)();
    Observed (*run)();
    Observed (*normal)(const State& before);
    std::vector<Observed> (*failures)(const State& before, const FaultInjector& faults);
};

const Operation kOperations[] = {
    {"load", &PrepareLoad, &SetAndRegistry, &RunLoad, &NormalLoad, &FailedLoad},
    {"UNSAFE /S", &PrepareSave, &SetAndRegistry, &RunSave, &NormalSave, &FailedSave},
    {"UNSAFE /R", &PrepareRestore, &SetAndRegistry, &RunRestore, &NormalRestore, &FailedRestore},
    {"@SAFEWRITE append", &PrepareAppend, &FileState, &RunWrite, &NormalAppend, &FailedAppend},
    {"@SAFEWRITE new file", &PrepareNewFile, &FileState, &RunWrite, &NormalNewFile, &FailedNewFile},
    {"@SAFEENV", &PrepareEnvironment, &NoState, &RunEnvironment, &NormalEnvironment, &FailedEnvironment},
    {"SAFEARRAY", &PrepareArray, &ArrayState, &RunArray, &NormalArray, &FailedArray},
    {"Help", &PrepareHelp, &NoState, &RunHelpHook, &NormalHelpHook, &FailedHelpHook},
    {"PLUMQUISTHELP /S:word", &PrepareHelp, &NoState, &RunHelpSearch, &NormalHelpSearch, &FailedHelpSearch},
};

// A run that makes more platform calls than this is taken for a loop.
constexpr int32_t MOST_POINTS = 500;

struct Tally {
    int32_t points = -1;
    int32_t reported[2] = {};
    int32_t survived[2] = {};
};

const char* ModeName(FaultMode mode) { return mode == FaultMode::ONCE ? "once" : "persistent"; }

std::string FailedNames(const FaultInjector& faults) {
    std::string names;
    for (const std::string& name : faults.FailedCalls()) {
        if (names.find(name) == std::string::npos) names += (names.empty() ? "" : ",") + name;
    }
    return names;
}

Tally RunFaultLoop(FaultInjector& faults, const Operation& op) {
    Tally tally;
    for (FaultMode mode : {FaultMode::ONCE, FaultMode::PERSISTENT}) {
        const int m = mode == FaultMode::ONCE ? 0 : 1;
        for (int32_t n = 1;; ++n) {
            const std::string where =
                std::string(op.label) + ", call " + std::to_string(n) + " failed " + ModeName(mode);
            op.prepare();
            const State before = op.snapshot();
            faults.Arm(n, mode);
            const Observed observed = op.run();
            faults.Disarm();
            const std::string failedNames = FailedNames(faults);

            if (!faults.Met()) {
                EXPECT_TRUE(observed == op.normal(before)) << op.label << " without faults: " << Describe(observed)
                                                           << "\n  normal: " << Describe(op.normal(before));
                // The calls before the failed one are those of a normal run,
                // so both modes meet the same number of points.
                if (tally.points < 0) tally.points = n - 1;
                EXPECT_EQ(n - 1, tally.points) << op.label;
                break;
            }

            const std::vector<Observed> failures = op.failures(before, faults);
            if (observed == op.normal(before)) {
                ++tally.survived[m];
            } else if (std::find(failures.begin(), failures.end(), observed) != failures.end()) {
                ++tally.reported[m];
            } else {
                std::string expected = "\n  normal: " + Describe(op.normal(before));
                for (const Observed& failure : failures) expected += "\n  or: " + Describe(failure);
                ADD_FAILURE() << where << " (" << failedNames << "): " << Describe(observed) << expected;
            }

            // The next run, without faults, from whatever this one left.
            const State after = op.snapshot();
            const Observed next = op.run();
            EXPECT_TRUE(next == op.normal(after))
                << where << " (" << failedNames << "), the run after it: " << Describe(next)
                << "\n  normal: " << Describe(op.normal(after));

            if (n >= MOST_POINTS) {
                ADD_FAILURE() << op.label << " still meets the fault at call " << n;
                break;
            }
        }
    }
    return tally;
}

class FaultLoop : public ::testing::Test {
protected:
    void SetUp() override {
        savedRegistry = ReadRawValue();
        SetDefaultUnsafe();
        HostLine(u"setdos /x0");

        // The help file in a folder of its own; the other places hold none.
        const std::filesystem::path work = std::filesystem::current_path();
        std::filesystem::create_directories(work / "faultloop-help");
        std::ofstream(work / "faultloop-help" / "Plumquist.chm") << "help";
        const std::u16string helpDirectory = (work / "faultloop-help").u16string();
        const std::filesystem::path empty = work / "faultloop-none";
        helpFile = (work / "faultloop-help" / "Plumquist.chm").u16string();
        HostLine(u"set PlumquistHelp=" + helpDirectory);
        HostLine(u"set PluginHelp=");
        HostLine(u"sethost _cmdspec=" + (empty / "plumhost.exe").u16string());
        HostLine(u"sethost windir=" + empty.u16string());
        char16_t directory[260] = {};
        platform_default::WindowsDirectory(directory, 260);
        windowsDirectory = directory;
    }
    void TearDown() override {
        PlatRestoreAll();
        writeFile.reset();
        SetProcessEnvironment("PLUMFAULTENV", "");
        HostLine(u"unsetarray *");
        for (const char16_t* line : {u"set PlumquistHelp=", u"sethost _cmdspec=", u"sethost windir=",
                                     u"sethost _unicode=", u"sethost _codepage="}) {
            HostLine(line);
        }
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::current_path() / "faultloop-help", ignored);
        // The value as it was, or the defaults a first load would have saved.
        if (savedRegistry.code == PLAT_ERROR_SUCCESS) {
            platform_default::RegistryWrite(UNSAFE_REGISTRY_KEY, UNSAFE_REGISTRY_VALUE, savedRegistry.type,
                                            savedRegistry.bytes, savedRegistry.size);
        } else {
            SetDefaultUnsafe();
            SaveUnsafeSet();
        }
        SetDefaultUnsafe();
    }
    RawValue savedRegistry;
};

TEST_F(FaultLoop, EveryOperationReportsOrSurvivesEachFailedCallAndLosesNothing) {
    // The fakes go in first: the injector passes calls on to them.
    FakeViewerScope scope;
    viewerScope = &scope;
    PlatSetShowMessageBox(&RecordBox);
    FaultInjector faults;

    for (const Operation& op : kOperations) {
        const Tally tally = RunFaultLoop(faults, op);
        std::printf("%s: %d points; once: %d reported, %d survived; persistent: %d reported, %d survived\n", op.label,
                    tally.points, tally.reported[0], tally.survived[0], tally.reported[1], tally.survived[1]);
        for (int m = 0; m < 2; ++m) {
            EXPECT_EQ(tally.reported[m] + tally.survived[m], tally.points) << op.label << " " << m;
        }
    }
    std::fflush(stdout);
    viewerScope = nullptr;
}

}  // namespace

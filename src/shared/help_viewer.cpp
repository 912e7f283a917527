#include "shared/help_viewer.h"

#include "abi/abi.h"
#include "core/text.h"
#include "shared/help_text.h"

namespace {

// Window messages and the viewer's window layout.
constexpr uint32_t TCM_SETCURFOCUS_MESSAGE = 0x1330;
constexpr uint32_t WM_SETTEXT_MESSAGE = 0x000C;
constexpr uint32_t WM_LBUTTONDOWN_MESSAGE = 0x0201;
constexpr uint32_t WM_LBUTTONUP_MESSAGE = 0x0202;
constexpr uintptr_t MK_LBUTTON_FLAG = 1;
constexpr int32_t ANY_CONTROL = -1;
constexpr int32_t SEARCH_BOX_ID = 1001;
constexpr int32_t SEARCH_BUTTON_ID = 1006;
constexpr int32_t SEARCH_TAB_INDEX = 1;
const char16_t kMainWindowClass[] = u"HH Parent";
const char16_t kTabControlClass[] = u"SysTabControl32";
const char16_t kSearchBoxClass[] = u"ComboBox";
const char16_t kSearchButtonClass[] = u"Button";

// Timing: the viewer gets this long to become idle; its windows are looked
// for this often, this far apart.
constexpr uint32_t IDLE_WAIT_MS = 8000;
constexpr int32_t WINDOW_TRIES = 50;
constexpr uint32_t WINDOW_PAUSE_MS = 20;
constexpr uint32_t TYPING_PAUSE_MS = 20;

ProcessHandle viewerProcess = 0;

// The viewer's path, the target and the command line. Static: the work
// buffers of a whole request would not all sit well on the host's stack,
// and the command line must be writable for process creation.
char16_t viewerPath[MAX_ARG_LEN];
char16_t target[MAX_ARG_LEN];
char16_t commandLine[MAX_ARG_LEN];

// helpFile + "::/" + topic + ".html"; false when it would not fit.
bool BuildTarget(const char16_t* helpFile, const char16_t* topic) {
    target[0] = 0;
    return AppendWhole(target, MAX_ARG_LEN, helpFile) >= 0 && AppendWhole(target, MAX_ARG_LEN, u"::/") >= 0 &&
           AppendWhole(target, MAX_ARG_LEN, topic) >= 0 && AppendWhole(target, MAX_ARG_LEN, u".html") >= 0;
}

// "viewer" "target": the viewer gets one argument, the quoted target.
bool BuildCommandLine(void) {
    commandLine[0] = 0;
    return AppendWhole(commandLine, MAX_ARG_LEN, u"\"") >= 0 &&
           AppendWhole(commandLine, MAX_ARG_LEN, viewerPath) >= 0 &&
           AppendWhole(commandLine, MAX_ARG_LEN, u"\" \"") >= 0 && AppendWhole(commandLine, MAX_ARG_LEN, target) >= 0 &&
           AppendWhole(commandLine, MAX_ARG_LEN, u"\"") >= 0;
}

// Enters the search text and presses the search button; false when the two
// controls did not appear in time.
bool RunSearch(WindowHandle mainWindow, const char16_t* searchText) {
    WindowHandle box = 0;
    WindowHandle button = 0;
    for (int32_t attempt = 0; attempt < WINDOW_TRIES; ++attempt) {
        if (attempt > 0) PlatSleepMs(WINDOW_PAUSE_MS);
        box = PlatFindDescendant(mainWindow, kSearchBoxClass, SEARCH_BOX_ID);
        button = PlatFindDescendant(mainWindow, kSearchButtonClass, SEARCH_BUTTON_ID);
        if (box != 0 && button != 0) break;
    }
    if (box == 0 || button == 0) return false;
    PlatSendWindowMessage(box, WM_SETTEXT_MESSAGE, 0, reinterpret_cast<intptr_t>(searchText));
    PlatSleepMs(TYPING_PAUSE_MS);
    PlatSendWindowMessage(button, WM_LBUTTONDOWN_MESSAGE, MK_LBUTTON_FLAG, 0);
    PlatSendWindowMessage(button, WM_LBUTTONUP_MESSAGE, 0, 0);
    return true;
}

}  // namespace

int32_t LaunchHelpViewer(const char16_t* helpFile, const char16_t* topic, int32_t mode, const char16_t* searchText) {
    if (helpFile == nullptr || topic == nullptr) return VIEWER_NOT_STARTED;
    viewerPath[0] = 0;
    if (PlatFindViewerProgram(viewerPath, MAX_ARG_LEN) <= 0 || viewerPath[0] == 0) return VIEWER_NOT_STARTED;
    if (!BuildTarget(helpFile, topic) || !BuildCommandLine()) return VIEWER_REQUEST_TOO_LONG;

    uint32_t processId = 0;
    ProcessHandle process = 0;
    if (!PlatStartProcess(viewerPath, commandLine, &processId, &process)) return VIEWER_NOT_STARTED;
    if (mode != HELP_MODE_TOPIC) DriveViewer(processId, process, mode - 1, searchText);

    // The previous viewer goes only now, after the new one is showing.
    CloseHelpViewer();
    viewerProcess = process;
    return VIEWER_STARTED;
}

int32_t DriveViewer(uint32_t processId, ProcessHandle process, int32_t tabIndex, const char16_t* searchText) {
    if (processId == 0) return DRIVE_DONE;
    if (PlatWaitInputIdle(process, IDLE_WAIT_MS) == PLAT_WAIT_TIMEOUT) return DRIVE_NOT_IDLE;

    // The idle wait may end before the viewer's windows exist (under Wine
    // it returns at once while the new process is still starting), so the
    // main window and its tab control are looked for like the search
    // controls, which the viewer shows only later.
    WindowHandle mainWindow = 0;
    WindowHandle tabs = 0;
    for (int32_t attempt = 0; attempt < WINDOW_TRIES; ++attempt) {
        if (attempt > 0) PlatSleepMs(WINDOW_PAUSE_MS);
        mainWindow = PlatFindTopWindow(processId, kMainWindowClass);
        if (mainWindow != 0) tabs = PlatFindDescendant(mainWindow, kTabControlClass, ANY_CONTROL);
        if (tabs != 0) break;
    }
    if (mainWindow == 0) return DRIVE_WINDOW_MISSING;

    int32_t result = DRIVE_DONE;
    if (tabs != 0) {
        PlatPostWindowMessage(tabs, TCM_SETCURFOCUS_MESSAGE, static_cast<uintptr_t>(tabIndex), 0);
    } else {
        result = DRIVE_WINDOW_MISSING;
    }
    if (searchText != nullptr && tabIndex == SEARCH_TAB_INDEX && !RunSearch(mainWindow, searchText)) {
        result = DRIVE_WINDOW_MISSING;
    }
    return result;
}

int32_t CloseHelpViewer(void) {
    if (viewerProcess != 0) {
        PlatEndProcess(viewerProcess, 0);
        PlatCloseProcess(viewerProcess);
        viewerProcess = 0;
    }
    return 0;
}

ProcessHandle RecordedHelpViewer(void) { return viewerProcess; }

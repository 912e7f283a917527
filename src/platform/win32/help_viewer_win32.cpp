// The Win32 calls behind the help viewer's platform entries: finding the
// viewer program, starting and ending its process, and finding and messaging
// its windows.
#include <windows.h>

#include "platform/platform.h"

namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* Wide(char16_t* text) { return reinterpret_cast<wchar_t*>(text); }
HANDLE ToHandle(ProcessHandle process) { return reinterpret_cast<HANDLE>(process); }
HWND ToWindow(WindowHandle window) { return reinterpret_cast<HWND>(window); }

// How long ending the viewer waits for the process to be gone, so that the
// next request never meets the old viewer's windows.
constexpr DWORD END_WAIT_MS = 5000;

// Window class names are read with up to this many code units.
constexpr int CLASS_NAME_LEN = 1024;

constexpr char16_t kViewerName[] = u"\\hh.exe";

bool ClassIs(HWND window, const char16_t* className) {
    wchar_t name[CLASS_NAME_LEN];
    if (GetClassNameW(window, name, CLASS_NAME_LEN) == 0) return false;
    const wchar_t* wanted = Wide(className);
    int i = 0;
    while (name[i] != 0 && name[i] == wanted[i]) ++i;
    return name[i] == wanted[i];
}

// Puts directory + "\hh.exe" into destination when that file exists and is
// no directory; its length, or 0.
int32_t ViewerIn(UINT (WINAPI* directoryOf)(LPWSTR, UINT), char16_t* destination, int32_t size) {
    const int32_t nameLength = static_cast<int32_t>(sizeof kViewerName / sizeof kViewerName[0]) - 1;
    if (size <= nameLength) return 0;
    const UINT length = directoryOf(Wide(destination), static_cast<UINT>(size - nameLength));
    if (length == 0 || length >= static_cast<UINT>(size - nameLength)) return 0;
    // A root directory ("C:\") already ends in the separator.
    const int32_t start = static_cast<int32_t>(length) - (destination[length - 1] == u'\\' ? 1 : 0);
    for (int32_t i = 0; i <= nameLength; ++i) destination[start + i] = kViewerName[i];
    const DWORD attributes = GetFileAttributesW(Wide(destination));
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return 0;
    return start + nameLength;
}

struct TopWindowSearch {
    DWORD processId;
    const char16_t* className;
    HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND window, LPARAM context) {
    TopWindowSearch* search = reinterpret_cast<TopWindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !ClassIs(window, search->className)) return TRUE;
    search->found = window;
    return FALSE;
}

struct DescendantSearch {
    const char16_t* className;
    int32_t controlId;
    HWND found;
};

BOOL CALLBACK MatchDescendant(HWND window, LPARAM context) {
    DescendantSearch* search = reinterpret_cast<DescendantSearch*>(context);
    if (search->controlId != -1 && GetDlgCtrlID(window) != search->controlId) return TRUE;
    if (!ClassIs(window, search->className)) return TRUE;
    search->found = window;
    return FALSE;
}

}  // namespace

namespace platform_default {

// Only the system's own directories: a search along the default path would
// first look in the application's and the current directory, where anyone
// could have put a program of that name.
int32_t FindViewerProgram(char16_t* destination, int32_t size) {
    if (destination == nullptr || size <= 0) return 0;
    int32_t length = ViewerIn(&GetWindowsDirectoryW, destination, size);
    if (length == 0) length = ViewerIn(&GetSystemDirectoryW, destination, size);
    if (length == 0) destination[0] = 0;
    return length;
}

int32_t StartProcess(const char16_t* application, char16_t* commandLine, uint32_t* processId,
                     ProcessHandle* process) {
    STARTUPINFOW startup;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created;
    ZeroMemory(&created, sizeof created);
    if (!CreateProcessW(Wide(application), Wide(commandLine), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &created)) {
        return 0;
    }
    // The viewer is driven through its process and windows only.
    CloseHandle(created.hThread);
    *processId = created.dwProcessId;
    *process = reinterpret_cast<ProcessHandle>(created.hProcess);
    return 1;
}

int32_t EndProcess(ProcessHandle process, uint32_t exitCode) {
    if (process == 0) return 0;
    if (!TerminateProcess(ToHandle(process), exitCode)) return 0;
    // Termination is asynchronous; the request is done when the process is.
    WaitForSingleObject(ToHandle(process), END_WAIT_MS);
    return 1;
}

void CloseProcess(ProcessHandle process) {
    if (process != 0) CloseHandle(ToHandle(process));
}

uint32_t WaitInputIdle(ProcessHandle process, uint32_t milliseconds) {
    return WaitForInputIdle(ToHandle(process), milliseconds);
}

WindowHandle FindTopWindow(uint32_t processId, const char16_t* className) {
    TopWindowSearch search = {processId, className, nullptr};
    EnumWindows(&MatchTopWindow, reinterpret_cast<LPARAM>(&search));
    return reinterpret_cast<WindowHandle>(search.found);
}

WindowHandle FindDescendant(WindowHandle window, const char16_t* className, int32_t controlId) {
    DescendantSearch search = {className, controlId, nullptr};
    EnumChildWindows(ToWindow(window), &MatchDescendant, reinterpret_cast<LPARAM>(&search));
    return reinterpret_cast<WindowHandle>(search.found);
}

int32_t PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return PostMessageW(ToWindow(window), message, wParam, lParam) ? 1 : 0;
}

intptr_t SendWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return SendMessageW(ToWindow(window), message, wParam, lParam);
}

void SleepMs(uint32_t milliseconds) { Sleep(milliseconds); }

}  // namespace platform_default

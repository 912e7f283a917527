// A stand-in for the help viewer, for the tests: a Windows GUI program that
// builds the window layout the plug-in drives (a top-level "HH Parent"
// window with a "SysTabControl32" tab control and, inside a pane, a
// "ComboBox" 1001 and a "Button" 1006) and records in a log what happens to
// it. The log's path comes from PLUMQUIST_VIEWER_LOG; each line is appended
// and flushed on its own, so several viewers can share one log.
//
// Each viewer numbers itself (#1, #2, ...) by the viewers already in the
// log, after waiting for those its parent started before it, and writes, in
// this order:
//   #n pid=P                      its process id
//   #n command line: TEXT         the command line it was given
//   #n sees #k running            for each earlier viewer still running
//   #n TCM_SETCURFOCUS w l        the tab selections it gets
//   #n WM_SETTEXT "TEXT"          the text put into the search box
//   #n WM_LBUTTONDOWN w l         the search button pressed and released
//   #n WM_LBUTTONUP w l
// Queued messages are handled before a sent WM_SETTEXT is logged, so the
// log keeps the order in which the plug-in sent them.
//
// Run with --check it starts no viewer: it writes "check: #k still running"
// for every logged viewer still running, and ends it.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int SEARCH_BOX_ID = 1001;
constexpr int SEARCH_BUTTON_ID = 1006;

std::wstring logPath;
std::string self;  // "#n"
WNDPROC tabProc = nullptr;
WNDPROC boxProc = nullptr;
WNDPROC buttonProc = nullptr;

std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return "";
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &bytes[0], size, nullptr, nullptr);
    bytes.resize(static_cast<size_t>(size) - 1);
    return bytes;
}

void Log(const std::string& line) {
    HANDLE file = CreateFileW(logPath.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string bytes = line + "\n";
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadLog() {
    HANDLE file = CreateFileW(logPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "";
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
    CloseHandle(file);
    return text;
}

// The viewers in the log: (number, process id).
std::vector<std::pair<int, DWORD>> LoggedViewers() {
    std::vector<std::pair<int, DWORD>> viewers;
    const std::string text = ReadLog();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        int number = 0;
        unsigned long pid = 0;
        char rest = 0;
        if (sscanf(line.c_str(), "#%d pid=%lu%c", &number, &pid, &rest) == 2) {
            viewers.emplace_back(number, static_cast<DWORD>(pid));
        }
        start = end + 1;
    }
    return viewers;
}

// An open handle to a logged viewer that is still running, or null.
HANDLE OpenRunning(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    if (process == nullptr) return nullptr;
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) return process;
    CloseHandle(process);
    return nullptr;
}

int Check() {
    for (const auto& viewer : LoggedViewers()) {
        HANDLE process = OpenRunning(viewer.second);
        if (process == nullptr) continue;
        Log("check: #" + std::to_string(viewer.first) + " still running");
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
    return 0;
}

bool IsLogged(DWORD pid) {
    for (const auto& viewer : LoggedViewers()) {
        if (viewer.second == pid) return true;
    }
    return false;
}

ULONGLONG CreationTime(HANDLE process) {
    FILETIME creation, exit, kernel, user;
    if (!GetProcessTimes(process, &creation, &exit, &kernel, &user)) return 0;
    return (static_cast<ULONGLONG>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
}

// The other viewers the same parent started before this one.
std::vector<DWORD> EarlierSiblings() {
    std::vector<DWORD> siblings;
    const DWORD self = GetCurrentProcessId();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return siblings;
    std::vector<PROCESSENTRY32W> entries;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        entries.push_back(entry);
    }
    CloseHandle(snapshot);
    const PROCESSENTRY32W* me = nullptr;
    for (const PROCESSENTRY32W& candidate : entries) {
        if (candidate.th32ProcessID == self) me = &candidate;
    }
    if (me == nullptr) return siblings;
    const ULONGLONG myStart = CreationTime(GetCurrentProcess());
    for (const PROCESSENTRY32W& candidate : entries) {
        if (candidate.th32ProcessID == self || candidate.th32ParentProcessID != me->th32ParentProcessID ||
            lstrcmpiW(candidate.szExeFile, me->szExeFile) != 0) {
            continue;
        }
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, candidate.th32ProcessID);
        if (process == nullptr) continue;
        const ULONGLONG start = CreationTime(process);
        CloseHandle(process);
        if (start < myStart || (start == myStart && candidate.th32ProcessID < self)) {
            siblings.push_back(candidate.th32ProcessID);
        }
    }
    return siblings;
}

// A viewer started without being waited for may still be starting when the
// next one comes: wait (up to ten seconds) until the earlier ones are in the
// log, so that the numbers follow the order of the starts.
void WaitForEarlierViewers() {
    for (DWORD sibling : EarlierSiblings()) {
        for (int tries = 0; tries < 1000 && !IsLogged(sibling); ++tries) Sleep(10);
    }
}

// Handles the messages already queued, so that a posted message that came
// before a sent one is logged before it.
void HandleQueued() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

std::string Numbers(WPARAM wParam, LPARAM lParam) {
    return std::to_string(static_cast<unsigned long long>(wParam)) + " " +
           std::to_string(static_cast<long long>(lParam));
}

LRESULT CALLBACK TabControl(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TCM_SETCURFOCUS) Log(self + " TCM_SETCURFOCUS " + Numbers(wParam, lParam));
    return CallWindowProcW(tabProc, window, message, wParam, lParam);
}

LRESULT CALLBACK SearchBox(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) {
        HandleQueued();
        const wchar_t* text = reinterpret_cast<const wchar_t*>(lParam);
        Log(self + " WM_SETTEXT \"" + (text != nullptr ? Utf8(text) : std::string("(null)")) + "\"");
    }
    return CallWindowProcW(boxProc, window, message, wParam, lParam);
}

LRESULT CALLBACK SearchButton(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN) Log(self + " WM_LBUTTONDOWN " + Numbers(wParam, lParam));
    if (message == WM_LBUTTONUP) Log(self + " WM_LBUTTONUP " + Numbers(wParam, lParam));
    return CallWindowProcW(buttonProc, window, message, wParam, lParam);
}

LRESULT CALLBACK MainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = name;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    return RegisterClassW(&windowClass) != 0;
}

HWND Child(const wchar_t* className, DWORD style, HWND parent, int id, HINSTANCE instance) {
    return CreateWindowExW(0, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 100, 100, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

WNDPROC Subclass(HWND window, WNDPROC procedure) {
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

// The viewer's windows: the tab control straight under the main window, the
// search controls deeper, inside a pane, as in the real viewer.
bool BuildWindows(HINSTANCE instance) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    if (!RegisterWindowClass(instance, L"HH Parent", &MainWindow) ||
        !RegisterWindowClass(instance, L"HH Pane", &DefWindowProcW)) {
        return false;
    }
    HWND main = CreateWindowExW(0, L"HH Parent", L"Test viewer", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr,
                                nullptr, instance, nullptr);
    if (main == nullptr) return false;
    HWND tabs = Child(WC_TABCONTROLW, 0, main, 0, instance);
    const wchar_t* names[] = {L"Contents", L"Search", L"Favorites"};
    for (int i = 0; i < 3; ++i) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(names[i]);
        SendMessageW(tabs, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    HWND pane = Child(L"HH Pane", 0, main, 0, instance);
    HWND box = Child(L"ComboBox", CBS_DROPDOWN, pane, SEARCH_BOX_ID, instance);
    HWND button = Child(L"Button", BS_PUSHBUTTON, pane, SEARCH_BUTTON_ID, instance);
    if (tabs == nullptr || pane == nullptr || box == nullptr || button == nullptr) return false;
    tabProc = Subclass(tabs, &TabControl);
    boxProc = Subclass(box, &SearchBox);
    buttonProc = Subclass(button, &SearchButton);
    ShowWindow(main, SW_SHOWNOACTIVATE);
    return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR arguments, int) {
    wchar_t path[4096];
    const DWORD length = GetEnvironmentVariableW(L"PLUMQUIST_VIEWER_LOG", path, 4096);
    if (length == 0 || length >= 4096) return 2;
    logPath.assign(path, length);
    if (std::wstring(arguments) == L"--check") return Check();

    WaitForEarlierViewers();
    const std::vector<std::pair<int, DWORD>> earlier = LoggedViewers();
    self = "#" + std::to_string(earlier.size() + 1);
    Log(self + " pid=" + std::to_string(GetCurrentProcessId()));
    Log(self + " command line: " + Utf8(GetCommandLineW()));
    for (const auto& viewer : earlier) {
        HANDLE process = OpenRunning(viewer.second);
        if (process == nullptr) continue;
        Log(self + " sees #" + std::to_string(viewer.first) + " running");
        CloseHandle(process);
    }

    if (!BuildWindows(instance)) {
        Log(self + " cannot create its windows");
        return 1;
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

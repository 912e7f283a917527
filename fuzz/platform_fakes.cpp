#include "platform_fakes.h"

#include <map>
#include <string>

#include "input.h"
#include "platform/platform.h"

namespace {

FakeSettings settings;
Record* record = nullptr;
// Bytes written to each handle during the current input; FileSize answers
// from it, so @SAFEWRITE sees a file that grows as it writes.
std::map<HostHandle, uint64_t> written;
bool registryWritten = true;

#if defined(_WIN32)
const char16_t kModulePath[] = u"C:\\plumquist\\Plumquist.dll";
#else
const char16_t kModulePath[] = u"/plumquist/plumquist.so";
#endif
const char16_t kWindowsDirectory[] = u"C:\\WINDOWS";
const char16_t kViewer[] = u"VIEWER";

void AddEvent(const std::string& event) {
    if (record) record->events.push_back(event);
}

int32_t CopyOut(const char16_t* text, char16_t* destination, int32_t size) {
    const std::u16string value(text);
    const int32_t length = static_cast<int32_t>(value.size());
    if (destination == nullptr || length >= size) return 0;
    value.copy(destination, value.size());
    destination[length] = 0;
    return length;
}

// Standard output as the plug-in sees it: a fixed value rather than the
// process's handle, which differs between systems and may be a console. The
// plug-in asks for it for "-" in @SAFEWRITE and to learn whether the UNSAFE
// listing goes to a console; it prints through the host's services, which
// use the real one.
constexpr HostHandle FAKE_STANDARD_OUTPUT = 0x7FFF0001;

HostHandle StandardOutput(void) { return FAKE_STANDARD_OUTPUT; }

// Handles by what the input typed, the same on every system.
std::string HandleLabel(HostHandle handle) {
    if (handle == FAKE_STANDARD_OUTPUT) return "stdout";
    return "handle " + std::to_string(static_cast<long long>(handle));
}

int32_t FileSize(HostHandle handle, uint64_t* size) {
    if (handle == FAKE_STANDARD_OUTPUT) return 0;  // a console or pipe has no size
    *size = written[handle];
    return 1;
}

int32_t WriteHandle(HostHandle handle, const void* bytes, uint32_t count, uint32_t* done) {
    AddEvent("write " + HandleLabel(handle) + " " + EscapedBytes(bytes, count));
    written[handle] += count;
    *done = count;
    return 1;
}

// The real registry, noting that it changed.
int32_t RegistryWrite(const char16_t* key, const char16_t* value, uint32_t type, const uint8_t* data, uint32_t size) {
    registryWritten = true;
    return platform_default::RegistryWrite(key, value, type, data, size);
}

uint32_t OemCodePage(void) { return 437; }
int32_t ConsoleWidth(void) { return 80; }
int32_t ModuleFileName(char16_t* destination, int32_t size) { return CopyOut(kModulePath, destination, size); }
int32_t WindowsDirectory(char16_t* destination, int32_t size) { return CopyOut(kWindowsDirectory, destination, size); }

int32_t IsPlainFile(const char16_t* path) {
    if (path == nullptr || !settings.helpFilePresent) return 0;
    const std::u16string name(path);
    const std::u16string file = u"plumquist.chm";
    if (name.size() < file.size()) return 0;
    for (size_t i = 0; i < file.size(); ++i) {
        char16_t c = name[name.size() - file.size() + i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        if (c != file[i]) return 0;
    }
    return 1;
}

int32_t SystemErrorText(int32_t code, char16_t* destination, int32_t size) {
    const std::string text = "system error " + std::to_string(code);
    return CopyOut(std::u16string(text.begin(), text.end()).c_str(), destination, size);
}

void ShowMessageBox(const char16_t* text, const char16_t* caption) {
    AddEvent("box " + Escaped(caption ? caption : u"") + ": " + Escaped(text ? text : u""));
}

int32_t FindViewerProgram(char16_t* destination, int32_t size) { return CopyOut(kViewer, destination, size); }

int32_t StartProcess(const char16_t*, char16_t*, uint32_t* processId, ProcessHandle* process) {
    if (!settings.viewerStarts) return 0;
    *processId = 1001;
    *process = 101;
    return 1;
}

int32_t EndProcess(ProcessHandle, uint32_t) { return 1; }
void CloseProcess(ProcessHandle) {}
uint32_t WaitInputIdle(ProcessHandle, uint32_t) { return PLAT_WAIT_IDLE; }
WindowHandle FindTopWindow(uint32_t, const char16_t*) { return 1; }

// The viewer's main window 1 holds its tabs (2), the search box (3) and the
// search button (4).
WindowHandle FindDescendant(WindowHandle window, const char16_t* className, int32_t controlId) {
    if (window != 1 || className == nullptr) return 0;
    const std::u16string name(className);
    if (name == u"SysTabControl32") return 2;
    if (name == u"ComboBox" && controlId == 1001) return 3;
    if (name == u"Button" && controlId == 1006) return 4;
    return 0;
}

int32_t PostWindowMessage(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 1; }
intptr_t SendWindowMessage(WindowHandle, uint32_t, uintptr_t, intptr_t) { return 0; }
void SleepMs(uint32_t) {}

}  // namespace

bool TakeRegistryWritten() {
    const bool was = registryWritten;
    registryWritten = false;
    return was;
}

void InstallPlatformFakes(const FakeSettings& chosen, Record* target) {
    settings = chosen;
    record = target;
    written.clear();
    PlatSetStandardOutput(&StandardOutput);
    PlatSetFileSize(&FileSize);
    PlatSetWriteHandle(&WriteHandle);
    PlatSetRegistryWrite(&RegistryWrite);
    PlatSetOemCodePage(&OemCodePage);
    PlatSetConsoleWidth(&ConsoleWidth);
    PlatSetModuleFileName(&ModuleFileName);
    PlatSetIsPlainFile(&IsPlainFile);
    PlatSetWindowsDirectory(&WindowsDirectory);
    PlatSetSystemErrorText(&SystemErrorText);
    PlatSetShowMessageBox(&ShowMessageBox);
    PlatSetFindViewerProgram(&FindViewerProgram);
    PlatSetStartProcess(&StartProcess);
    PlatSetEndProcess(&EndProcess);
    PlatSetCloseProcess(&CloseProcess);
    PlatSetWaitInputIdle(&WaitInputIdle);
    PlatSetFindTopWindow(&FindTopWindow);
    PlatSetFindDescendant(&FindDescendant);
    PlatSetPostWindowMessage(&PostWindowMessage);
    PlatSetSendWindowMessage(&SendWindowMessage);
    PlatSetSleepMs(&SleepMs);
}

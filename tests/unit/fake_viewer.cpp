#include "fake_viewer.h"

#include <algorithm>
#include <cstdio>

#include "shared/help_viewer.h"
#include "test_support.h"

namespace {

FakeViewer* fake = nullptr;

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

int32_t FindViewerProgram(char16_t* destination, int32_t size) {
    fake->calls.push_back("find viewer");
    const int32_t length = static_cast<int32_t>(fake->program.size());
    if (length == 0 || length >= size) return 0;
    std::copy(fake->program.begin(), fake->program.end(), destination);
    destination[length] = 0;
    return length;
}

int32_t StartProcess(const char16_t* application, char16_t* commandLine, uint32_t* processId,
                     ProcessHandle* process) {
    fake->calls.push_back("start " + Narrow(application) + " | " + Narrow(commandLine));
    if (!fake->starts) return 0;
    ++fake->started;
    *process = 100 + fake->started;
    *processId = 1000 + static_cast<uint32_t>(fake->started);
    fake->running.push_back(*process);
    return 1;
}

int32_t EndProcess(ProcessHandle process, uint32_t exitCode) {
    fake->calls.push_back("end " + std::to_string(process) + " " + std::to_string(exitCode));
    auto it = std::find(fake->running.begin(), fake->running.end(), process);
    if (it == fake->running.end()) return 0;
    fake->running.erase(it);
    return 1;
}

void CloseProcess(ProcessHandle process) { fake->calls.push_back("close " + std::to_string(process)); }

uint32_t WaitInputIdle(ProcessHandle process, uint32_t milliseconds) {
    fake->calls.push_back("idle " + std::to_string(process) + " " + std::to_string(milliseconds));
    return fake->idleResult;
}

WindowHandle FindTopWindow(uint32_t processId, const char16_t* className) {
    fake->calls.push_back("top " + std::to_string(processId) + " " + Narrow(className));
    ++fake->mainLookups;
    return fake->mainWindowFrom != 0 && fake->mainLookups >= fake->mainWindowFrom ? 1 : 0;
}

WindowHandle FindDescendant(WindowHandle window, const char16_t* className, int32_t controlId) {
    const std::string name = Narrow(className);
    fake->calls.push_back("find " + std::to_string(window) + " " + name + " " + std::to_string(controlId));
    if (window != 1) return 0;
    if (name == "SysTabControl32" && controlId == -1) return fake->hasTabs ? 2 : 0;
    const bool box = name == "ComboBox" && controlId == 1001;
    const bool button = name == "Button" && controlId == 1006;
    if (!box && !button) return 0;
    // Both controls appear together, on the configured attempt.
    if (box) ++fake->searchLookups;
    if (fake->searchControlsFrom == 0 || fake->searchLookups < fake->searchControlsFrom) return 0;
    return box ? 3 : 4;
}

int32_t PostWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    fake->calls.push_back("post " + std::to_string(window) + " " + Hex(message) + " " + std::to_string(wParam) + " " +
                          std::to_string(lParam));
    return 1;
}

intptr_t SendWindowMessage(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    // WM_SETTEXT carries a text; the other messages a number.
    const std::string last = message == 0x000C ? Narrow(reinterpret_cast<const char16_t*>(lParam))
                                               : std::to_string(lParam);
    fake->calls.push_back("send " + std::to_string(window) + " " + Hex(message) + " " + std::to_string(wParam) + " " +
                          last);
    return 0;
}

void SleepMs(uint32_t milliseconds) { fake->calls.push_back("sleep " + std::to_string(milliseconds)); }

}  // namespace

FakeViewerScope::FakeViewerScope() {
    fake = new FakeViewer();
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

FakeViewerScope::~FakeViewerScope() {
    // A viewer the plug-in still records belongs to the fakes: forget it.
    CloseHelpViewer();
    for (const char* name : {"FindViewerProgram", "StartProcess", "EndProcess", "CloseProcess", "WaitInputIdle",
                             "FindTopWindow", "FindDescendant", "PostWindowMessage", "SendWindowMessage", "SleepMs"}) {
        PlatRestore(name);
    }
    delete fake;
    fake = nullptr;
}

FakeViewer& FakeViewerScope::Fake() { return *fake; }

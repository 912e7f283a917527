// A stand-in for the viewer's side of the platform table: the viewer
// program, its process and its windows are fakes that record, in order,
// every call the plug-in makes, so tests can read the whole conversation.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct FakeViewer {
    // What the fakes answer.
    std::u16string program = u"VIEWER";  // FindViewerProgram; empty: none
    bool starts = true;                  // StartProcess succeeds
    uint32_t idleResult = PLAT_WAIT_IDLE;
    int32_t mainWindowFrom = 1;  // the lookup (from 1) that finds the main window; 0: never
    bool hasTabs = true;
    int32_t searchControlsFrom = 1;  // the lookup attempt (from 1) that finds them; 0: never

    // What the plug-in did, one line per call, e.g. "start VIEWER | cmd",
    // "end 101 0", "post 3 0x1330 1 0", "send 4 0xc 0 text", "sleep 20".
    std::vector<std::string> calls;
    // Process handles of the processes started and not ended.
    std::vector<ProcessHandle> running;
    int32_t started = 0;
    int32_t mainLookups = 0;
    int32_t searchLookups = 0;
};

// Installs the fakes for the life of the object (and restores the defaults
// after); the recording is reachable through Fake().
class FakeViewerScope {
public:
    FakeViewerScope();
    ~FakeViewerScope();
    FakeViewerScope(const FakeViewerScope&) = delete;
    FakeViewerScope& operator=(const FakeViewerScope&) = delete;
    FakeViewer& Fake();
};

// Process handles of the fake processes: 100 + the start's number (1, 2, ...);
// process ids are 1000 + it. Windows: the main window 1, the tab control 2,
// the search box 3, the search button 4.
constexpr ProcessHandle FAKE_FIRST_PROCESS = 101;

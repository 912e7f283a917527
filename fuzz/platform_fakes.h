// Stand-ins for the operating-system calls a fuzz input must not reach for
// real or whose answers differ between machines: no process is started, no
// handle the input names is written, no window is driven, and the plug-in's
// own path, its standard output handle, the Windows directory and system
// error texts are fixed.
#pragma once

#include "record.h"

struct FakeSettings {
    bool helpFilePresent = false;  // IsPlainFile finds Plumquist.chm
    bool viewerStarts = true;      // StartProcess succeeds
};

// True once anything was written to the registry since the last call:
// the harness then writes its stored set again.
bool TakeRegistryWritten();

// Installs the fakes on the platform table (after PlatRestoreAll); writes
// and message boxes are recorded in `record` until the next call.
void InstallPlatformFakes(const FakeSettings& settings, Record* record);

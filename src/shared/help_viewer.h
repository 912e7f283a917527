// The help viewer: started as a process of its own at a topic of the help
// file, driven to a tab and a search through its windows, and ended when the
// next request replaces it, on PLUMQUISTHELP /Q and when the plug-in unloads.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// Help modes: the topic alone, or the topic and one of the viewer's tabs.
constexpr int32_t HELP_MODE_TOPIC = 0;
constexpr int32_t HELP_MODE_CONTENTS = 1;
constexpr int32_t HELP_MODE_SEARCH = 2;
constexpr int32_t HELP_MODE_FAVORITES = 3;

// Results of LaunchHelpViewer.
constexpr int32_t VIEWER_STARTED = 1;
constexpr int32_t VIEWER_NOT_STARTED = 0;
// The target or the command line would not fit its buffer; refused rather
// than cut, and nothing started.
constexpr int32_t VIEWER_REQUEST_TOO_LONG = -1;

// Results of DriveViewer.
constexpr int32_t DRIVE_DONE = 0;
constexpr int32_t DRIVE_WINDOW_MISSING = 2;
constexpr int32_t DRIVE_NOT_IDLE = 258;

// Starts the viewer at helpFile::/topic.html (helpFile a full path, topic a
// name without extension), selects the tab of a mode other than
// HELP_MODE_TOPIC and, for the search tab with a search text, searches for
// it. Then ends the viewer of the previous request and records this one.
int32_t LaunchHelpViewer(const char16_t* helpFile, const char16_t* topic, int32_t mode, const char16_t* searchText);

// Selects tab tabIndex (0 Contents, 1 Search, 2 Favorites) of the viewer
// process and, on the search tab, enters searchText (when not null) and
// presses the search button. DRIVE_DONE when every window was found.
int32_t DriveViewer(uint32_t processId, ProcessHandle process, int32_t tabIndex, const char16_t* searchText);

// Ends the recorded viewer, if any, with exit code 0, releases its handle and
// forgets it. Returns 0.
int32_t CloseHelpViewer(void);

// The recorded viewer's process handle, 0 when none; for tests.
ProcessHandle RecordedHelpViewer(void);

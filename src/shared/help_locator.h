// Finding the help file Plumquist.chm in its seven places, in order, and
// opening the first one found in the viewer; telling the user when that
// fails.
#pragma once

#include <cstdint>

// Results of TryHelpFile and OpenHelp.
constexpr int32_t HELP_FILE_MISSING = 0;   // no plain file at the place (or every place)
constexpr int32_t HELP_OPENED = 1;         // the viewer was started
constexpr int32_t HELP_VIEWER_FAILED = 2;  // the file is there but the viewer did not start
constexpr int32_t HELP_TOPIC_TOO_LONG = 3; // the viewer's target or command line would not fit

// Tries the places in order and opens the first file found at the topic
// (a name without extension) in the given help mode, with searchText (null:
// none). When none opens, reports why: the missing-file message box, or for
// a file that was found an error message on standard error. Returns
// HELP_OPENED, or the outcome of the first place that held the file, or
// HELP_FILE_MISSING.
int32_t OpenHelp(const char16_t* topic, int32_t mode, const char16_t* searchText);

// Resolves one place (a template already formatted with the plug-in's name)
// to a full path and, when a plain file is there, launches the viewer on it.
// Any failure of the place itself gives HELP_FILE_MISSING, silently.
int32_t TryHelpFile(const char16_t* candidate, const char16_t* topic, int32_t mode, const char16_t* searchText);

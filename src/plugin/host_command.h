// Running host commands and guarding the plug-in's own expansions.
#pragma once

#include <cstdint>

// Runs "command arguments" through the host's Command; a leading "*" keeps
// the host from expanding aliases unless the user has turned that off.
// Returns the host's result, or -1 when the command is null or empty or the
// line does not fit in MAX_ARG_LEN code units.
int32_t RunHostCommand(const char16_t* command, const char16_t* arguments);

// Switch the host's expansion features to the state the plug-in's own
// expansions need, and back. Pairs nest: only the outermost begin saves the
// user's state and only the outermost end restores it. Both return 0.
int32_t BeginExpansionGuard(void);
int32_t EndExpansionGuard(void);

// How many guards are open now (0 when none); for tests.
int32_t ExpansionGuardDepth(void);

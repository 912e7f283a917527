// Running host commands and guarding the plug-in's own expansions.
#pragma once

#include <cstdint>

#include "core/host_query.h"

// Runs "command arguments" through the host's Command; a leading "*" keeps
// the host from expanding aliases unless the user has turned that off.
// Returns the host's result, or -1 when the command is null or empty or the
// line does not fit in MAX_ARG_LEN code units.
int32_t RunHostCommand(const char16_t* command, const char16_t* arguments);

// Switch the host's expansion features to the state the plug-in's own
// expansions need, and back. Pairs nest: only the outermost begin saves the
// user's state and only the outermost end restores it. Both return 0.
//
// The state is read from %_expansion; while variable expansion (3) is off
// that reference is not expanded, so the begin first turns 3 on, reads, and
// counts 3 among the disabled features. The end restores with explicit
// digits ("/X" and the list, "/X0" for none). Should the state stay unknown
// (the host expands nothing even with 3 on), the guard changes nothing but
// the 3 it turned on, and its end turns that off again.
int32_t BeginExpansionGuard(void);
int32_t EndExpansionGuard(void);

// QueryHostText; when the host gave the text back unexpanded (variable
// expansion off), the query is made once more inside the expansion guard.
// For the values the plug-in needs whatever the user's state: the host's
// version and edition, the load conditions, the code page.
HostQuery QueryHostGuarded(char16_t* buffer, int32_t size, const char16_t* expression);

// Builds prefix + text + suffix in result (MAX_ARG_LEN code units) and has
// the host expand it in place, with flag, inside the expansion guard; text
// must not lie in result, so the caller's own text survives a failure.
// Returns 0; INVALID_ARGUMENT_RESULT after reporting tooLongMessage when the
// expression does not fit (nothing is expanded then, since a cut expression
// would ask for something else); or the host's negative result.
int32_t ExpandGuarded(char16_t* result, const char16_t* prefix, const char16_t* text, const char16_t* suffix,
                      int32_t flag, const char16_t* tooLongMessage);

// How many guards are open now (0 when none); for tests.
int32_t ExpansionGuardDepth(void);

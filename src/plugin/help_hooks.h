// The host's help hooks: the help key asks for the help page of one of the
// plug-in's names, the syntax display for a command's usage text.
#pragma once

#include <cstdint>

#include "abi/exports.h"

// The host's buffer for Usage, in code units, terminator included.
constexpr int32_t USAGE_BUFFER_LEN = 1024;

// The hooks themselves are declared with every export in abi/exports.h:
// Help, for a name of the names list as it stands (ASCII case folded), opens
// the help at its topic and returns 1 (also when the help could not be
// opened: the name was handled), 0 for any other name and for null. Usage,
// for the name of one of the commands, copies its usage text from the syntax
// line on into buffer and returns 1; otherwise 0, buffer untouched.

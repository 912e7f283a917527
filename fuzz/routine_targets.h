// Targets for routines that take inputs of their own rather than the host's
// buffer alone (see targets.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "record.h"
#include "targets.h"

// ParseArgs with two bytes of flags, then the text.
void RunParseArgs(const Target& target, const uint8_t* data, size_t size, Record& record);
// UNSAFE's character-list grammar: one byte (bit 0: the flag to set; bit 1:
// start from a full set), then the list.
void RunUnsafeList(const Target& target, const uint8_t* data, size_t size, Record& record);
// @UQUOTES with host state (four bytes), one byte per role variable, then the text.
void RunUquotesSettings(const Target& target, const uint8_t* data, size_t size, Record& record);
// @TAGATTR with host state, one byte choosing separator, case and which tag
// characters travel in safe form, then "name,tag".
void RunTagattrSettings(const Target& target, const uint8_t* data, size_t size, Record& record);
// The POSIX registry store reading (and writing into) a store file that
// holds the input's bytes.
void RunRegistryStore(const Target& target, const uint8_t* data, size_t size, Record& record);

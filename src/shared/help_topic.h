// The topic naming rule shared by PLUMQUISTHELP and the Help export: the
// help page of a name.
#pragma once

#include <cstdint>

// Writes the topic of the first length code units of name into topic (size
// code units): ASCII letters lower-cased; "@name" (a function) becomes
// "f_name", "_name" (an internal variable) "v_name", anything else stays.
// Returns the topic's length, or -1 with topic emptied when it does not fit.
int32_t FormTopic(const char16_t* name, int32_t length, char16_t* topic, int32_t size);

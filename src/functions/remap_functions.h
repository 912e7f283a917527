// The variable functions of this folder that count, bring text in remapped,
// restore or escape it, and report on the plug-in. The host calls them by
// name; each takes the host's argument buffer (MAX_ARG_LEN code units) and
// leaves its result there.
#pragma once

#include "abi/abi.h"

PLUM_EXPORT int32_t PLUM_CALL f_countsafe(char16_t* buffer);
PLUM_EXPORT int32_t PLUM_CALL f_countsafex(char16_t* buffer);
PLUM_EXPORT int32_t PLUM_CALL f_countunsafe(char16_t* buffer);
PLUM_EXPORT int32_t PLUM_CALL f_countunsafex(char16_t* buffer);
PLUM_EXPORT int32_t PLUM_CALL f_safeenv(char16_t* buffer);
PLUM_EXPORT int32_t PLUM_CALL f_safeexp(char16_t* buffer);
PLUM_EXPORT int32_t PLUM_CALL f_unsafe(char16_t* buffer);
PLUM_EXPORT int32_t PLUM_CALL f_unsafeesc(char16_t* buffer);

PLUM_EXPORT int32_t PLUM_CALL f_safeclip(char16_t* buffer);
PLUM_EXPORT int32_t PLUM_CALL f_safeline(char16_t* buffer);
PLUM_EXPORT int32_t PLUM_CALL f_saferead(char16_t* buffer);
PLUM_EXPORT int32_t PLUM_CALL f_safeclipw(char16_t* buffer);

PLUM_EXPORT int32_t PLUM_CALL f_plumquistinfo(char16_t* buffer);

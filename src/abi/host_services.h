// The services the host offers the plug-in. On Windows they are imported from
// TakeCmd.dll; elsewhere the program that loads the plug-in provides them.
#pragma once

#include "abi/abi.h"

extern "C" {
int32_t PLUM_CALL ExpandVariables(char16_t* buffer, int32_t flag);
int32_t PLUM_CALL Command(char16_t* line, int32_t flag);
int32_t PLUM_CDECL Printf(const char16_t* format, ...);
int32_t PLUM_CDECL Qprintf(HostHandle handle, const char16_t* format, ...);
int32_t PLUM_CALL QPuts(const char16_t* text);
int32_t PLUM_CDECL Sprintf(char16_t* buffer, const char16_t* format, ...);
void PLUM_CALL CrLf(void);
int32_t PLUM_CALL CopyTextToClipboard(const char16_t* text, int32_t length);
int32_t PLUM_CALL QueryIsConsole(HostHandle handle);
int32_t PLUM_CALL QueryUnicodeOutput(void);
int32_t PLUM_CALL QueryTrueName(const char16_t* path, char16_t* destination);
int32_t PLUM_CALL ASCIIToUnicode(const char* text, char16_t* destination, int32_t size);
}

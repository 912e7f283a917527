// The library's own module handle, shared by the files of the Win32 backend.
#pragma once

#include <windows.h>

// Stored by the process-attach hook; read to find the library's own file.
extern HMODULE moduleHandle;

// The library's process-attach hook: keeps the module handle for finding the
// library's own file later.
#include <windows.h>

#include "platform/win32/module_handle.h"

HMODULE moduleHandle = nullptr;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) moduleHandle = instance;
    return TRUE;
}

// Every operating-system operation the plug-in uses, in the plug-in's own
// terms. Each goes through one named table of function pointers so that a
// test can swap a single call for a failing one and put it back afterwards.
// The backend (win32/ or posix/) supplies the default of every entry.
#pragma once

#include <cstdint>

#include "abi/abi.h"

// Windows error codes the plug-in's callers look at.
constexpr int32_t PLAT_ERROR_SUCCESS = 0;
constexpr int32_t PLAT_ERROR_FILE_NOT_FOUND = 2;
constexpr int32_t PLAT_ERROR_ACCESS_DENIED = 5;
constexpr int32_t PLAT_ERROR_INVALID_DATA = 13;
constexpr int32_t PLAT_ERROR_MORE_DATA = 234;

// Results of waiting for a process to become idle for input.
constexpr uint32_t PLAT_WAIT_IDLE = 0;
constexpr uint32_t PLAT_WAIT_TIMEOUT = 258;
constexpr uint32_t PLAT_WAIT_FAILED = 0xFFFFFFFFu;

// A process the plug-in started (a Win32 process HANDLE, a pid on POSIX) and
// a window (an HWND); 0 is none.
using ProcessHandle = intptr_t;
using WindowHandle = intptr_t;

// Registry value types that the store keeps apart.
constexpr uint32_t PLAT_REG_SZ = 1;
constexpr uint32_t PLAT_REG_BINARY = 3;
constexpr uint32_t PLAT_REG_DWORD = 4;

// X(result, name, parameter list, argument list)
#define PLAT_CALLS(X)                                                                          \
    /* Reads an environment variable like GetEnvironmentVariableW: the length copied, 0 when  */  \
    /* unset or empty, or the size needed (terminator included) when `size` is too small.    */  \
    X(int32_t, GetEnvironment, (const char16_t* name, char16_t* destination, int32_t size),        \
      (name, destination, size))                                                                   \
    X(HostHandle, StandardOutput, (void), ())                                                      \
    X(HostHandle, StandardError, (void), ())                                                       \
    /* Size of the open file behind a handle; nonzero on success (fails for pipes, consoles). */  \
    X(int32_t, FileSize, (HostHandle handle, uint64_t * size), (handle, size))                    \
    /* One synchronous write; nonzero on success. */                                               \
    X(int32_t, WriteHandle, (HostHandle handle, const void* bytes, uint32_t count, uint32_t* written), \
      (handle, bytes, count, written))                                                             \
    /* UTF-16 to a code page like WideCharToMultiByte: bytes written, 0 on failure. */             \
    X(int32_t, WideToCodePage,                                                                     \
      (uint32_t codePage, const char16_t* text, int32_t length, char* destination, int32_t size),   \
      (codePage, text, length, destination, size))                                                 \
    X(uint32_t, OemCodePage, (void), ())                                                           \
    /* Columns of the console screen buffer, 0 when it cannot be read. */                          \
    X(int32_t, ConsoleWidth, (void), ())                                                           \
    /* The plug-in's own file name; its length, 0 on failure. */                                   \
    X(int32_t, ModuleFileName, (char16_t * destination, int32_t size), (destination, size))       \
    /* Nonzero when the path names an existing file that is neither a directory nor a device  */  \
    /* (on POSIX: a regular file); 0 for a null or empty path.                                */  \
    X(int32_t, IsPlainFile, (const char16_t* path), (path))                                        \
    /* Nonzero when the path is a full path, not relative to a current drive or directory:    */  \
    /* X:\... or \\server\share\... on Windows, /... on POSIX.                                */  \
    X(int32_t, IsFullPath, (const char16_t* path), (path))                                         \
    X(int32_t, WindowsDirectory, (char16_t * destination, int32_t size), (destination, size))     \
    /* Reads one value under HKEY_CURRENT_USER\key: opens the key, queries, closes.           */  \
    /* Returns a Windows error code; `size` goes in as the buffer size and comes back as the  */  \
    /* value's size.                                                                          */  \
    X(int32_t, RegistryRead,                                                                       \
      (const char16_t* key, const char16_t* value, uint32_t* type, uint8_t* data, uint32_t* size), \
      (key, value, type, data, size))                                                              \
    /* Creates or opens HKEY_CURRENT_USER\key and writes one value; a Windows error code. */       \
    X(int32_t, RegistryWrite,                                                                      \
      (const char16_t* key, const char16_t* value, uint32_t type, const uint8_t* data, uint32_t size), \
      (key, value, type, data, size))                                                              \
    /* The system's one-line text for an error code; its length, 0 when there is none. */        \
    X(int32_t, SystemErrorText, (int32_t code, char16_t* destination, int32_t size),              \
      (code, destination, size))                                                                   \
    /* A modal box with one OK button, owned by the foreground window (POSIX: the text on     */  \
    /* standard error).                                                                       */  \
    X(void, ShowMessageBox, (const char16_t* text, const char16_t* caption), (text, caption))     \
    /* The help viewer program's full path; its length, 0 when there is none or it does not  */  \
    /* fit. Windows: hh.exe from the Windows directory, else the system directory (never the  */  \
    /* application's or the current directory). POSIX: plumquist-viewer from the absolute    */  \
    /* directories of PATH.                                                                   */  \
    X(int32_t, FindViewerProgram, (char16_t * destination, int32_t size), (destination, size))   \
    /* Starts a program with a command line (which the call may change), no inherited handles, */ \
    /* the caller's environment and directory. Nonzero when it runs; its id and handle then.  */  \
    X(int32_t, StartProcess,                                                                       \
      (const char16_t* application, char16_t* commandLine, uint32_t* processId, ProcessHandle* process), \
      (application, commandLine, processId, process))                                              \
    /* Ends a process started by StartProcess and waits until it has gone; never touches a    */  \
    /* process that is not the caller's own child (POSIX). Nonzero when it was ended.         */  \
    X(int32_t, EndProcess, (ProcessHandle process, uint32_t exitCode), (process, exitCode))       \
    /* Releases the handle of a started process. */                                               \
    X(void, CloseProcess, (ProcessHandle process), (process))                                      \
    /* Waits until the process waits for input: PLAT_WAIT_IDLE, PLAT_WAIT_TIMEOUT or          */  \
    /* PLAT_WAIT_FAILED (no input queue, as on POSIX).                                        */  \
    X(uint32_t, WaitInputIdle, (ProcessHandle process, uint32_t milliseconds), (process, milliseconds)) \
    /* The first top-level window of the process whose class is className (exact); 0: none.  */  \
    X(WindowHandle, FindTopWindow, (uint32_t processId, const char16_t* className),              \
      (processId, className))                                                                      \
    /* The first descendant of the window whose class is className (exact) and, unless        */  \
    /* controlId is -1, whose control identifier is controlId; 0 when there is none.          */  \
    X(WindowHandle, FindDescendant, (WindowHandle window, const char16_t* className, int32_t controlId), \
      (window, className, controlId))                                                              \
    /* Queues a message for a window; nonzero on success. */                                       \
    X(int32_t, PostWindowMessage, (WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam), \
      (window, message, wParam, lParam))                                                           \
    /* Sends a message and waits until the window has handled it; the window's answer. */          \
    X(intptr_t, SendWindowMessage, (WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam), \
      (window, message, wParam, lParam))                                                           \
    X(void, SleepMs, (uint32_t milliseconds), (milliseconds))

// Plat<Name> makes the call; PlatSet<Name> replaces the entry's function
// (null: the default); PlatCurrent<Name> gives the function in place, so that
// a test's wrapper can pass calls on to whatever another test installed.
#define PLAT_DECLARE(result, name, params, args)    \
    using Plat##name##Fn = result(*) params;        \
    result Plat##name params;                       \
    void PlatSet##name(Plat##name##Fn replacement); \
    Plat##name##Fn PlatCurrent##name(void);
PLAT_CALLS(PLAT_DECLARE)
#undef PLAT_DECLARE

// Restores one entry by name; returns 0, or -1 when no entry has that name.
int32_t PlatRestore(const char* name);
// Restores every entry to its default.
void PlatRestoreAll(void);

// The backend's defaults, one per entry.
namespace platform_default {
#define PLAT_DEFAULT(result, name, params, args) result name params;
PLAT_CALLS(PLAT_DEFAULT)
#undef PLAT_DEFAULT
}  // namespace platform_default

// The operating-system layer of the host emulator. The portable emulator code
// calls the system only through these functions; host/posix/ and host/win32/
// each define all of them, and the build picks one folder.
//
// Handles are HostHandle values: file descriptors on POSIX systems, Win32
// HANDLE values on Windows.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "abi/abi.h"

namespace plumhost {
namespace os {

enum class StdStream { Input, Output, Error };
enum class OpenMode { Read, Write, Append };

constexpr HostHandle INVALID_HANDLE = -1;

// The process's current standard handle (redirections included).
HostHandle StdHandle(StdStream stream);
// True when the handle is an interactive console (terminal).
bool IsConsole(HostHandle handle);
// Writes all bytes; false on failure.
bool WriteBytes(HostHandle handle, const void* bytes, size_t count);
// Writes UTF-16 text straight to a console, where the system offers that;
// false when it cannot (not a console, or no such call on this system).
bool WriteConsoleText(HostHandle handle, const std::u16string& text);
// Reads up to `count` bytes; `got` is 0 at the end of the file.
bool ReadBytes(HostHandle handle, void* bytes, size_t count, size_t& got);
// Reads one line typed at standard input, without its line end; false at
// the end of input.
bool ReadInputLine(std::u16string& line);

// Opens a file: Read (existing file), Write (created or truncated) or Append
// (created if missing, written at its end).
HostHandle OpenFile(const std::u16string& path, OpenMode mode);
bool CloseFile(HostHandle handle);
bool RemoveFile(const std::u16string& path);
// The system's text for the last failed call, without a line end.
std::u16string LastErrorText();

// Makes `file` the process's standard stream until RestoreStd; the
// redirection owns `file` from then on. `saved` remembers the previous one.
bool RedirectStd(StdStream stream, HostHandle file, HostHandle& saved);
void RestoreStd(StdStream stream, HostHandle saved);

// The process environment. A missing variable and an empty one are alike;
// setting an empty value removes the variable. Names compare without regard
// to ASCII case, as on Windows.
bool GetEnv(const std::u16string& name, std::u16string& value);
bool SetEnv(const std::u16string& name, const std::u16string& value);
std::vector<std::pair<std::u16string, std::u16string>> ListEnv();

// The clipboard's text; false when it cannot be read or holds no text.
bool GetClipboardText(std::u16string& text);
// Puts length code units of text on the clipboard, copied once: a plug-in
// passes up to a whole argument buffer on every call.
bool SetClipboardText(const char16_t* text, size_t length);
inline bool SetClipboardText(const std::u16string& text) { return SetClipboardText(text.data(), text.size()); }

// Loading a plug-in library and finding its exports by name.
void* OpenModule(const std::u16string& path, std::u16string& error);
void* FindSymbol(void* module, const char* name);
void CloseModule(void* module);

// The full path of a file name (relative to the current directory).
std::u16string FullPath(const std::u16string& path);
// The full path of the running program.
std::u16string ExecutablePath();
// The code page the system uses for 8-bit text.
unsigned DefaultCodePage();
// The program's command-line arguments, the program name first.
std::vector<std::u16string> Arguments(int argc, char** argv);

}  // namespace os
}  // namespace plumhost

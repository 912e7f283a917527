// The host emulator's program interface: what plumhost's main() calls, and
// what tests use to drive the emulator when it is linked into them.
#pragma once

#include <string>
#include <vector>

#include "abi/abi.h"

// The plumhost program: options, plug-ins, then a script, one command line
// or the interactive prompt. Returns the exit status.
extern "C" int PLUM_CDECL HostMain(int argc, char** argv);

namespace plumhost {

// Finds an export of a plug-in that is linked into the program rather than
// loaded from a file; null when there is no such export.
using PluginSymbolLookup = void* (*)(const char* exportName);

// Runs one command line as if typed at the prompt; the command's result.
int RunCommandLine(const std::u16string& line);
// Runs a script file with its arguments (%1 ...); the last command's result.
int RunScriptFile(const std::u16string& path, const std::vector<std::u16string>& args);
// Expands variable and function references as ExpandVariables does.
int ExpandString(const std::u16string& text, std::u16string& result);
// Sets a host variable (as SETHOST does); an empty value restores the
// default, the value "" (two quotes) makes it empty.
int SetHostVariable(const std::u16string& name, const std::u16string& value);
// Loads a plug-in library by file name (as PLUGIN /L does).
int LoadPluginFile(const std::u16string& path);
// Loads a plug-in that is linked into the program, finding its exports
// through `lookup`; `label` stands in for the file name in messages.
int RegisterPlugin(const std::u16string& label, PluginSymbolLookup lookup);
// Shuts down and unloads every plug-in.
void UnloadPlugins();
// While set, text the host writes to standard output or standard error
// (unless redirected by a command) is appended to these strings instead.
// Null pointers end the capture.
void CaptureOutput(std::u16string* out, std::u16string* err);
// The process's current standard error handle, as a plug-in passes it to
// Qprintf.
HostHandle StandardErrorHandle();
// While on, the files that scripts and plug-ins name (@FILEOPEN, @LINE,
// TYPE, DEL, redirections) must be relative names inside the working
// directory: no absolute path, drive, "..", or device name; and @FILEREAD
// reads only handles that @FILEOPEN gave. For programs that run untrusted
// text, such as the fuzz targets. ResetHost leaves it as it is.
void ConfineFiles(bool on);
// Unloads the plug-ins, closes the files @FILEOPEN left open, and forgets
// SETHOST values, SETDOS settings, arrays, open @FILEREAD states and a
// pending EXIT.
void ResetHost();
// The same, but the plug-ins stay loaded.
void ResetHostState();

}  // namespace plumhost

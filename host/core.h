// Shared declarations of the emulator's parts: the process-wide state and the
// routines one file offers the others. Routines return 0 on success; a
// failure has already been reported on standard error when it returns.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "abi/abi.h"
#include "plumhost.h"

namespace plumhost {

// --------------------------------------------------------------- the state

// One running script (CALL nests them).
struct BatchFrame {
    std::u16string fullName;           // %_batchname
    std::vector<std::u16string> args;  // %0 (as typed), %1, ...
    int line = 0;                      // %_batchline: the line being run, from 1
};

// An array made by SETARRAY; elements are stored row by row.
struct HostArray {
    std::vector<int64_t> dims;
    std::vector<std::u16string> cells;
};

using PluginFn = int32_t(PLUM_CALL*)(char16_t*);

// A loaded plug-in and the names it offers, as its names list gave them
// after InitializePlugin.
struct LoadedPlugin {
    std::u16string file;
    std::u16string name;
    int32_t major = 0, minor = 0, build = 0;
    void* module = nullptr;               // from the OS loader, or null
    PluginSymbolLookup lookup = nullptr;  // for plug-ins linked into the program
    std::vector<std::u16string> names;
};

// Reading position of a handle used with @FILEREAD.
struct ReadState {
    bool probed = false;  // the byte-order mark has been looked for
    bool utf16 = false;   // the file is UTF-16LE
    std::string pending;  // bytes read while probing, not yet consumed
};

struct HostState {
    std::map<std::u16string, std::u16string> overrides;  // SETHOST values, by lower-case name
    unsigned disabledFeatures = 0;                       // bit d: SETDOS /X feature d is off
    std::map<std::u16string, HostArray> arrays;          // by upper-case name
    std::vector<BatchFrame> batches;
    std::vector<LoadedPlugin> plugins;
    std::map<HostHandle, ReadState> readers;
    bool echo = true;
    bool exitRequested = false;  // EXIT: leave plumhost
    bool quitRequested = false;  // QUIT: leave the running script
    int exitCode = 0;
    int outputRedirects = 0;  // nesting of active ">" redirections
    int errorRedirects = 0;
    std::u16string* captureOut = nullptr;
    std::u16string* captureErr = nullptr;
};

HostState& State();

// Host-wide limit of a command line or an expansion, terminator excluded.
constexpr size_t MAX_TEXT = MAX_ARG_LEN - 1;

// ------------------------------------------------------------- output.cpp

// Writes text to a handle: a console gets it as the console expects, any
// other handle UTF-8 (or UTF-16LE while Unicode output is on).
bool WriteText(HostHandle handle, std::u16string_view text);
bool WriteOut(std::u16string_view text);
bool WriteErr(std::u16string_view text);
// "plumhost: " + message + CR LF on standard error.
void ReportError(std::u16string_view message);
std::u16string Quoted(std::u16string_view text);

// ------------------------------------------------------------- printf.cpp

// Formats like the host's printf family (see printf.cpp for the directives).
std::u16string FormatV(const char16_t* format, va_list args);

// ---------------------------------------------------------- variables.cpp

// The value of %name: plug-in variables and host variables for names that
// start with "_", then the environment. Undefined gives an empty value.
// Negative when a plug-in variable fails.
int ReadVariable(const std::u16string& name, std::u16string& value);
// A host (internal) variable; false when `name` is not one.
bool GetHostVariable(const std::u16string& name, std::u16string& value);
// SETHOST: overrides a host variable, an empty value restores its default
// and the value "" (two quotes) makes it empty.
int SetHostVariable(const std::u16string& name, const std::u16string& value);
bool UnicodeOutput();
bool TraceCommands();
int CmdSet(std::u16string_view args);
int CmdSethost(std::u16string_view args);

// SETDOS /X features. Digit d (1..9) names one feature.
enum Feature {
    FEATURE_ALL_VARIABLES = 3,
    FEATURE_NESTED_VARIABLES = 4,
    FEATURE_MULTIPLE_COMMANDS = 5,
    FEATURE_REDIRECTION = 6,
    FEATURE_QUOTING = 7,
    FEATURE_ESCAPES = 8,
};
bool FeatureEnabled(int digit);
std::u16string DisabledFeatureDigits();
int ApplyExpansionSetting(std::u16string_view setting);
int CmdSetdos(std::u16string_view args);

// ------------------------------------------------------------- arrays.cpp

bool IsArray(const std::u16string& name);
// The element named by the (already expanded) index text "i" or "i,j".
int ReadArrayElement(const std::u16string& name, std::u16string_view indices, std::u16string& value);
int WriteArrayElement(const std::u16string& name, std::u16string_view indices, const std::u16string& value);
// @ARRAYINFO: 0 dimensions, 1..4 size of that dimension, 5 total elements.
int ArrayInfo(const std::u16string& name, int64_t selector, int64_t& result);
int CmdSetarray(std::u16string_view args);
int CmdUnsetarray(std::u16string_view args);

// ------------------------------------------------------------- expand.cpp

// Expands every reference in `text`. `depth` counts nested variable
// expansions. Negative on failure.
int ExpandText(std::u16string_view text, std::u16string& out, int depth);
// Expansion as ExpandVariables does it: nothing while feature 3 is off, and
// a result longer than MAX_TEXT fails.
int ExpandLine(std::u16string& text);

// ---------------------------------------------------------- functions.cpp

// Runs a host function; `known` is false when there is none of that name.
int CallHostFunction(const std::u16string& name, const std::u16string& args, std::u16string& result, bool& known);
// Reads a whole file; reports a failure.
int ReadFileBytes(const std::u16string& path, std::string& bytes);
// Splits function arguments at commas outside double quotes.
std::vector<std::u16string> SplitArguments(std::u16string_view args);
// Closes every handle @FILEOPEN gave that is still open.
void CloseOpenedFiles();
// True when @FILEOPEN gave the handle and it is still open.
bool IsOpenedFile(HostHandle handle);

// -------------------------------------------------------- confinement.cpp

// While files are confined (ConfineFiles), true only for a relative name
// inside the working directory; a refused name is reported, naming `user`
// (the command or function that asked). Always true otherwise.
bool FileNameAllowed(std::u16string_view user, const std::u16string& path);
bool FilesConfined();

// ------------------------------------------------------------ plugins.cpp

enum class NameKind { Function, Variable, Command };
// Finds a name of a loaded plug-in's names list; `fn` is null when the
// plug-in does not export it (reported). False when no plug-in offers it.
bool FindPluginName(NameKind kind, std::u16string_view name, PluginFn& fn);
// Calls a plug-in export with `input` in a MAX_ARG_LEN buffer; `output` is the
// buffer's text afterwards.
int32_t CallPlugin(PluginFn fn, std::u16string_view input, std::u16string& output);
int CmdPlugin(std::u16string_view args);
// An export of a loaded plug-in by name; null when it has none.
void* FindPluginExport(const LoadedPlugin& plugin, const char* name);

// ---------------------------------------------------------- help_keys.cpp

// HELPKEY name, SYNTAX name: what the host's help key and syntax display ask
// of the plug-ins (their Help and Usage exports).
int CmdHelpKey(std::u16string_view args);
int CmdSyntax(std::u16string_view args);

// ----------------------------------------------------------- commands.cpp

// Runs one line as if typed at the prompt.
int RunLine(std::u16string_view line);

// ------------------------------------------------------------- script.cpp

int RunScript(const std::u16string& path, const std::vector<std::u16string>& args);
// Reads lines from standard input until the end or EXIT.
int RunPrompt();

}  // namespace plumhost

// Emulator-only commands that stand in for the host's help key and syntax
// display, which ask the plug-ins through their Help and Usage exports:
//
//   HELPKEY name   calls Help(name) of each loaded plug-in that exports it,
//                  in load order, until one returns nonzero; prints that
//                  result (0 when none did) and CR LF
//   SYNTAX name    the same with Usage(name, buffer), the buffer 1024 code
//                  units; prints the result and CR LF, then for a nonzero
//                  result the text the plug-in put in the buffer, unchanged
//
// The name is the argument text without surrounding white space.
#include <algorithm>

#include "core.h"
#include "text.h"

namespace plumhost {

namespace {

using HelpFn = int32_t(PLUM_CALL*)(const char16_t*);
using UsageFn = int32_t(PLUM_CALL*)(const char16_t*, char16_t*);

// The size of the buffer the host hands to Usage.
constexpr size_t USAGE_BUFFER_UNITS = 1024;

}  // namespace

int CmdHelpKey(std::u16string_view args) {
    const std::u16string name(Trim(args));
    int32_t result = 0;
    for (const LoadedPlugin& plugin : State().plugins) {
        auto help = reinterpret_cast<HelpFn>(FindPluginExport(plugin, "Help"));
        if (help && (result = help(name.c_str())) != 0) break;
    }
    WriteOut(ToDecimal(result) + u"\r\n");
    return 0;
}

int CmdSyntax(std::u16string_view args) {
    const std::u16string name(Trim(args));
    int32_t result = 0;
    // Exactly the promised size, so that the sanitizers of the test build
    // catch a plug-in writing past it.
    std::vector<char16_t> buffer(USAGE_BUFFER_UNITS, u'\0');
    for (const LoadedPlugin& plugin : State().plugins) {
        auto usage = reinterpret_cast<UsageFn>(FindPluginExport(plugin, "Usage"));
        if (usage && (result = usage(name.c_str(), buffer.data())) != 0) break;
    }
    WriteOut(ToDecimal(result) + u"\r\n");
    if (result == 0) return 0;
    const auto end = std::find(buffer.begin(), buffer.end(), u'\0');
    if (end == buffer.end()) {
        ReportError(u"SYNTAX: the plugin left no terminator in the buffer");
        return 1;
    }
    WriteOut(std::u16string(buffer.begin(), end));
    return 0;
}

}  // namespace plumhost

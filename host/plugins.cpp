// Plug-in loading and dispatch, by export names only: GetPluginInfo
// describes the plug-in, InitializePlugin readies it, and each entry of the
// names list ("," or ";" separated) maps to an export:
//   @name -> f_name    a variable function
//   _name -> _name     an internal variable
//   name  -> name      a command
// ShutdownPlugin(0) runs before a plug-in is unloaded.
#include <cstring>
#include <memory>
#include <type_traits>

#include "abi/exports.h"
#include "abi/plugin_info.h"
#include "core.h"
#include "host_os.h"
#include "text.h"

namespace plumhost {

namespace {

// Plug-in calls nest when a plug-in has the host expand or run text that
// calls a plug-in again (@COUNTSAFEX[@COUNTSAFEX[...]]). Each level keeps a
// plug-in frame (up to 33 KiB, one buffer of the argument's size) and the
// host's own on the one thread stack, 1 MiB on Windows; a call past this
// depth fails with "Plugin calls nested too deeply" rather than running the
// program out of stack.
constexpr int MAX_PLUGIN_NESTING = 16;
int pluginDepth = 0;  // plug-in calls running now

// Each export is called through a pointer of its own exact type.
using GetPluginInfoFn = PluginInfo*(PLUM_CALL*)(void);
using InitializePluginFn = int32_t(PLUM_CALL*)(void);
using ShutdownPluginFn = int32_t(PLUM_CALL*)(int32_t);
// A call through a pointer of another type is undefined behaviour: the
// lifecycle entries are called through exactly the types the plug-in declares.
static_assert(std::is_same_v<GetPluginInfoFn, decltype(&::GetPluginInfo)>, "GetPluginInfo's type");
static_assert(std::is_same_v<InitializePluginFn, decltype(&::InitializePlugin)>, "InitializePlugin's type");
static_assert(std::is_same_v<ShutdownPluginFn, decltype(&::ShutdownPlugin)>, "ShutdownPlugin's type");

void* Symbol(const LoadedPlugin& plugin, const char* name) {
    if (plugin.lookup) return plugin.lookup(name);
    return plugin.module ? os::FindSymbol(plugin.module, name) : nullptr;
}

template <typename Fn>
Fn SymbolAs(const LoadedPlugin& plugin, const char* name) {
    return reinterpret_cast<Fn>(Symbol(plugin, name));
}

std::vector<std::u16string> SplitNames(const char16_t* list) {
    std::vector<std::u16string> names;
    std::u16string current;
    for (const char16_t* p = list; p && *p; ++p) {
        if (*p == u',' || *p == u';') {
            if (!current.empty()) names.push_back(current);
            current.clear();
        } else {
            current += *p;
        }
    }
    if (!current.empty()) names.push_back(current);
    return names;
}

// Calls GetPluginInfo and copies what the record says.
bool ReadInfo(LoadedPlugin& plugin) {
    auto getInfo = SymbolAs<GetPluginInfoFn>(plugin, "GetPluginInfo");
    const PluginInfo* info = getInfo();
    if (!info) return false;
    plugin.name = FromPointer(info->pluginName);
    plugin.major = info->majorVersion;
    plugin.minor = info->minorVersion;
    plugin.build = info->build;
    plugin.names = SplitNames(info->names);
    return true;
}

void Release(LoadedPlugin& plugin) {
    if (plugin.module) os::CloseModule(plugin.module);
    plugin.module = nullptr;
}

int Load(LoadedPlugin plugin) {
    if (!Symbol(plugin, "GetPluginInfo") || !Symbol(plugin, "InitializePlugin")) {
        ReportError(Quoted(plugin.file) + u" is not a plugin (GetPluginInfo or InitializePlugin missing)");
        Release(plugin);
        return 1;
    }
    if (!ReadInfo(plugin)) {
        ReportError(u"plugin " + Quoted(plugin.file) + u" gave no plugin information");
        Release(plugin);
        return 1;
    }
    for (const LoadedPlugin& other : State().plugins) {
        if (EqualsNoCase(other.name, plugin.name)) {
            ReportError(u"plugin " + Quoted(plugin.name) + u" is already loaded");
            // The OS loader counts references: this release leaves the loaded copy alone.
            Release(plugin);
            return 1;
        }
    }
    int32_t rc = SymbolAs<InitializePluginFn>(plugin, "InitializePlugin")();
    if (rc != 0) {
        ReportError(u"plugin " + Quoted(plugin.name) + u" failed to initialise (" + ToDecimal(rc) + u")");
        Release(plugin);
        return 1;
    }
    // Initialisation may have changed the names list.
    ReadInfo(plugin);
    State().plugins.push_back(std::move(plugin));
    return 0;
}

void Unload(LoadedPlugin& plugin) {
    if (auto shutdown = SymbolAs<ShutdownPluginFn>(plugin, "ShutdownPlugin")) shutdown(0);
    Release(plugin);
}

// The export that serves a names-list entry.
std::string ExportName(NameKind kind, const std::u16string& entry) {
    std::string name = ToUtf8(entry);
    return kind == NameKind::Function ? "f_" + name.substr(1) : name;
}

bool EntryMatches(NameKind kind, const std::u16string& entry, std::u16string_view name) {
    switch (kind) {
        case NameKind::Function:
            return entry.size() > 1 && entry[0] == u'@' && EqualsNoCase(std::u16string_view(entry).substr(1), name);
        case NameKind::Variable: return entry.size() > 1 && entry[0] == u'_' && EqualsNoCase(entry, name);
        case NameKind::Command:
            return !entry.empty() && entry[0] != u'@' && entry[0] != u'_' && EqualsNoCase(entry, name);
    }
    return false;
}

}  // namespace

void* FindPluginExport(const LoadedPlugin& plugin, const char* name) {
    return Symbol(plugin, name);
}

bool FindPluginName(NameKind kind, std::u16string_view name, PluginFn& fn) {
    fn = nullptr;
    for (const LoadedPlugin& plugin : State().plugins) {
        for (const std::u16string& entry : plugin.names) {
            if (!EntryMatches(kind, entry, name)) continue;
            std::string exportName = ExportName(kind, entry);
            fn = SymbolAs<PluginFn>(plugin, exportName.c_str());
            if (!fn) {
                ReportError(u"plugin " + Quoted(plugin.name) + u" does not export " + Quoted(FromUtf8(exportName)));
            }
            return true;
        }
    }
    return false;
}

int32_t CallPlugin(PluginFn fn, std::u16string_view input, std::u16string& output) {
    if (pluginDepth >= MAX_PLUGIN_NESTING) {
        ReportError(u"Plugin calls nested too deeply");
        return -1;
    }
    if (input.size() > MAX_TEXT) {
        ReportError(u"Argument too long for a plugin (" + ToDecimal(static_cast<int64_t>(input.size())) +
                    u" characters)");
        return -1;
    }
    // Exactly MAX_ARG_LEN units, so that a plug-in writing past its buffer is
    // caught by the sanitizers of the test build. Cleared with memset: a
    // plug-in call is the emulator's most frequent allocation, and a fill
    // unit by unit dominated the fuzz targets' time.
    std::unique_ptr<char16_t[]> buffer(new char16_t[MAX_ARG_LEN]);
    std::memset(buffer.get(), 0, MAX_ARG_LEN * sizeof(char16_t));
    std::copy(input.begin(), input.end(), buffer.get());
    ++pluginDepth;
    int32_t rc = fn(buffer.get());
    --pluginDepth;
    buffer[MAX_ARG_LEN - 1] = u'\0';
    output = buffer.get();
    return rc;
}

// PLUGIN /L file ...    loads plug-ins
// PLUGIN /U [name ...]  shuts down and unloads them (all without a name)
// PLUGIN                lists the loaded plug-ins and their names
int CmdPlugin(std::u16string_view args) {
    args = Trim(args);
    if (args.empty()) {
        for (const LoadedPlugin& plugin : State().plugins) {
            std::u16string line = plugin.name + u" " + ToDecimal(plugin.major) + u"." + ToDecimal(plugin.minor) + u"." +
                                  ToDecimal(plugin.build) + u":";
            for (const std::u16string& entry : plugin.names) line += u" " + entry;
            WriteOut(line + u"\r\n");
        }
        return 0;
    }
    if (args.size() < 2 || args[0] != u'/' || (AsciiUpper(args[1]) != u'L' && AsciiUpper(args[1]) != u'U')) {
        ReportError(u"PLUGIN: expected /L file or /U [name]");
        return 1;
    }
    bool load = AsciiUpper(args[1]) == u'L';
    std::vector<std::u16string> files = SplitWords(args.substr(2));
    if (load) {
        if (files.empty()) {
            ReportError(u"PLUGIN /L: missing file name");
            return 1;
        }
        int rc = 0;
        for (const std::u16string& file : files) {
            if (LoadPluginFile(file) != 0) rc = 1;
        }
        return rc;
    }
    if (files.empty()) {
        UnloadPlugins();
        return 0;
    }
    int rc = 0;
    for (const std::u16string& name : files) {
        auto& plugins = State().plugins;
        auto it = plugins.begin();
        while (it != plugins.end() && !EqualsNoCase(it->name, name)) ++it;
        if (it == plugins.end()) {
            ReportError(u"PLUGIN /U: not loaded " + Quoted(name));
            rc = 1;
            continue;
        }
        LoadedPlugin plugin = std::move(*it);
        plugins.erase(it);
        Unload(plugin);
    }
    return rc;
}

int LoadPluginFile(const std::u16string& path) {
    LoadedPlugin plugin;
    plugin.file = path;
    std::u16string error;
    plugin.module = os::OpenModule(path, error);
    if (!plugin.module) {
        ReportError(u"Cannot load plugin " + Quoted(path) + u": " + error);
        return 1;
    }
    return Load(std::move(plugin));
}

int RegisterPlugin(const std::u16string& label, PluginSymbolLookup lookup) {
    LoadedPlugin plugin;
    plugin.file = label;
    plugin.lookup = lookup;
    if (!lookup) {
        ReportError(u"plugin " + Quoted(label) + u" has no symbol lookup");
        return 1;
    }
    return Load(std::move(plugin));
}

void UnloadPlugins() {
    // Last loaded, first unloaded; the list is emptied first so that a
    // plug-in's shutdown cannot reach a plug-in already gone.
    std::vector<LoadedPlugin> plugins = std::move(State().plugins);
    State().plugins.clear();
    for (auto it = plugins.rbegin(); it != plugins.rend(); ++it) Unload(*it);
}

}  // namespace plumhost

// Variables: the host's internal variables (with SETHOST overrides), the
// process environment, and the SET and SETHOST commands.
#include <algorithm>

#include "core.h"
#include "host_os.h"
#include "text.h"

namespace plumhost {

namespace {

// The internal variables and how each gets its value when no SETHOST value
// overrides it.
struct HostVariable {
    const char16_t* name;
    std::u16string (*current)();
};

std::u16string Fixed4ver() { return u"33.00"; }
std::u16string FixedCmdproc() { return u"TCC"; }
std::u16string Zero() { return u"0"; }
std::u16string BatchDepth() { return ToDecimal(static_cast<int64_t>(State().batches.size())); }
std::u16string BatchName() { return State().batches.empty() ? std::u16string() : State().batches.back().fullName; }
std::u16string BatchLine() {
    return State().batches.empty() ? std::u16string(u"-1") : ToDecimal(State().batches.back().line);
}
std::u16string CodePage() { return ToDecimal(os::DefaultCodePage()); }
std::u16string CmdSpec() { return os::ExecutablePath(); }
std::u16string WinDir() {
    std::u16string value;
    os::GetEnv(u"windir", value);
    return value;
}

const HostVariable HOST_VARIABLES[] = {
    {u"_4ver", Fixed4ver},      {u"_cmdproc", FixedCmdproc},
    {u"_transient", Zero},      {u"_pipe", Zero},
    {u"_batch", BatchDepth},    {u"_batchname", BatchName},
    {u"_batchline", BatchLine}, {u"_expansion", DisabledFeatureDigits},
    {u"_codepage", CodePage},   {u"_cmdspec", CmdSpec},
    {u"windir", WinDir},        {u"_unicode", Zero},  // 1: Unicode output (QueryUnicodeOutput; output.cpp)
    {u"_trace", Zero},                                // 1: every line a plug-in gives Command() is echoed to stderr
};

const HostVariable* FindHostVariable(std::u16string_view name) {
    for (const HostVariable& v : HOST_VARIABLES) {
        if (EqualsNoCase(name, v.name)) return &v;
    }
    return nullptr;
}

bool FlagVariable(const char16_t* name) {
    std::u16string value;
    GetHostVariable(name, value);
    return value == u"1";
}

// Splits "name[indices]" into its parts; false when `target` is no element
// reference.
bool SplitElement(std::u16string_view target, std::u16string& name, std::u16string& indices) {
    size_t open = target.find(u'[');
    if (open == std::u16string_view::npos || target.back() != u']') return false;
    name = std::u16string(TrimRight(target.substr(0, open)));
    indices = std::u16string(target.substr(open + 1, target.size() - open - 2));
    return true;
}

}  // namespace

bool GetHostVariable(const std::u16string& name, std::u16string& value) {
    const HostVariable* v = FindHostVariable(name);
    if (!v) return false;
    auto it = State().overrides.find(LowerAscii(v->name));
    value = it != State().overrides.end() ? it->second : v->current();
    return true;
}

int SetHostVariable(const std::u16string& name, const std::u16string& value) {
    const HostVariable* v = FindHostVariable(name);
    if (!v) {
        ReportError(u"Not a host variable " + Quoted(name));
        return 1;
    }
    std::u16string key = LowerAscii(v->name);
    if (key == u"_expansion") {
        // The expansion state is SETDOS's; setting it here sets the features.
        if (ApplyExpansionSetting(value.empty() ? u"0" : value) != 0) {
            ReportError(u"Bad expansion setting " + Quoted(value));
            return 1;
        }
        return 0;
    }
    if (value.empty()) {
        State().overrides.erase(key);
    } else {
        // "" stands for an empty value, since nothing at all means the default.
        State().overrides[key] = value == u"\"\"" ? std::u16string() : value;
    }
    return 0;
}

bool UnicodeOutput() { return FlagVariable(u"_unicode"); }

bool TraceCommands() { return FlagVariable(u"_trace"); }

int ReadVariable(const std::u16string& name, std::u16string& value) {
    value.clear();
    if (name.empty()) return 0;
    if (name[0] == u'_') {
        PluginFn fn = nullptr;
        if (FindPluginName(NameKind::Variable, name, fn)) {
            if (!fn) return -1;
            int32_t rc = CallPlugin(fn, u"", value);
            if (rc != 0) {
                value.clear();
                return rc < 0 ? rc : -1;
            }
            return 0;
        }
        if (GetHostVariable(name, value)) return 0;
    } else if (State().overrides.count(LowerAscii(name)) && GetHostVariable(name, value)) {
        return 0;  // e.g. windir set with SETHOST
    }
    os::GetEnv(name, value);
    return 0;
}

// SET                 lists the environment
// SET name            shows one variable
// SET name=value      sets it (an empty value removes it)
// SET name[i,j]=value sets an array element
int CmdSet(std::u16string_view args) {
    args = TrimLeft(args);
    if (args.empty()) {
        auto list = os::ListEnv();
        std::stable_sort(list.begin(), list.end(),
                         [](const auto& a, const auto& b) { return UpperAscii(a.first) < UpperAscii(b.first); });
        for (const auto& entry : list) WriteOut(entry.first + u"=" + entry.second + u"\r\n");
        return 0;
    }
    size_t eq = args.find(u'=');
    if (eq == std::u16string_view::npos) {
        std::u16string name(TrimRight(args));
        std::u16string value;
        if (!os::GetEnv(name, value)) {
            ReportError(u"Not in environment " + Quoted(name));
            return 1;
        }
        WriteOut(value + u"\r\n");
        return 0;
    }
    std::u16string_view target = TrimRight(args.substr(0, eq));
    std::u16string value(args.substr(eq + 1));
    if (target.empty()) {
        ReportError(u"SET: missing variable name");
        return 1;
    }
    std::u16string arrayName, indices;
    if (SplitElement(target, arrayName, indices)) {
        return WriteArrayElement(arrayName, indices, value) == 0 ? 0 : 1;
    }
    if (!os::SetEnv(std::u16string(target), value)) {
        ReportError(u"SET: cannot set " + Quoted(target));
        return 1;
    }
    return 0;
}

// SETHOST             lists the host variables
// SETHOST name=value  overrides one (empty value: back to its default;
//                     the value "" makes it empty)
int CmdSethost(std::u16string_view args) {
    args = Trim(args);
    if (args.empty()) {
        for (const HostVariable& v : HOST_VARIABLES) {
            std::u16string value;
            GetHostVariable(v.name, value);
            WriteOut(std::u16string(v.name) + u"=" + value + u"\r\n");
        }
        return 0;
    }
    size_t eq = args.find(u'=');
    if (eq == std::u16string_view::npos) {
        std::u16string value;
        if (!GetHostVariable(std::u16string(args), value)) {
            ReportError(u"Not a host variable " + Quoted(args));
            return 1;
        }
        WriteOut(value + u"\r\n");
        return 0;
    }
    return SetHostVariable(std::u16string(TrimRight(args.substr(0, eq))), std::u16string(args.substr(eq + 1)));
}

}  // namespace plumhost

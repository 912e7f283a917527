// The plumhost program (HostMain) and the emulator's program interface.
//
//   plumhost [-D name=value]... [-p plugin]... [-t] [script [args...]]
//   plumhost [options] -c command line
#include "core.h"
#include "host_os.h"
#include "text.h"

namespace plumhost {

namespace {

const char16_t USAGE[] =
    u"Usage: plumhost [-D name=value]... [-p plugin]... [-t] [script [args...]]\r\n"
    u"       plumhost [options] -c command line\r\n"
    u"  -D name=value  set a host variable (as SETHOST does)\r\n"
    u"  -p plugin      load a plugin library before running anything\r\n"
    u"  -t             trace: show every line a plugin runs with Command()\r\n"
    u"  -c line        run one command line and exit with its result\r\n"
    u"Without a script or -c, commands are read from standard input.\r\n";

struct Options {
    std::vector<std::u16string> defines;
    std::vector<std::u16string> plugins;
    bool trace = false;
    bool help = false;
    bool hasCommand = false;
    std::u16string command;
    std::u16string script;
    std::vector<std::u16string> scriptArgs;
};

// The value of an option given either joined ("-pfile") or as the next
// argument ("-p file").
bool OptionValue(const std::vector<std::u16string>& args, size_t& i, std::u16string& value) {
    if (args[i].size() > 2) {
        value = args[i].substr(2);
        return true;
    }
    if (i + 1 >= args.size()) return false;
    value = args[++i];
    return true;
}

int ParseOptions(const std::vector<std::u16string>& args, Options& options) {
    size_t i = 1;
    for (; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (arg == u"--") {
            ++i;
            break;
        }
        if (arg.size() < 2 || arg[0] != u'-') break;
        std::u16string value;
        switch (arg[1]) {
            case u'D':
                if (!OptionValue(args, i, value) || value.find(u'=') == std::u16string::npos) {
                    ReportError(u"-D needs name=value");
                    return 2;
                }
                options.defines.push_back(value);
                break;
            case u'p':
                if (!OptionValue(args, i, value)) {
                    ReportError(u"-p needs a plugin file");
                    return 2;
                }
                options.plugins.push_back(value);
                break;
            case u't': options.trace = true; break;
            case u'c':
                options.hasCommand = true;
                if (arg.size() > 2) options.command = arg.substr(2);
                for (++i; i < args.size(); ++i) {
                    if (!options.command.empty()) options.command += u' ';
                    options.command += args[i];
                }
                return 0;
            case u'h':
            case u'?': options.help = true; break;
            default:
                if (arg == u"--help") {
                    options.help = true;
                    break;
                }
                ReportError(u"Unknown option " + Quoted(arg));
                WriteErr(USAGE);
                return 2;
        }
    }
    if (i < args.size()) {
        options.script = args[i];
        options.scriptArgs.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
    }
    return 0;
}

int Run(const Options& options) {
    for (const std::u16string& define : options.defines) {
        size_t eq = define.find(u'=');
        if (SetHostVariable(define.substr(0, eq), define.substr(eq + 1)) != 0) return 2;
    }
    if (options.trace) SetHostVariable(u"_trace", u"1");
    for (const std::u16string& plugin : options.plugins) {
        if (LoadPluginFile(plugin) != 0) return 1;
    }
    if (options.hasCommand) {
        int rc = RunLine(options.command);
        return State().exitRequested ? State().exitCode : rc;
    }
    if (!options.script.empty()) return RunScript(options.script, options.scriptArgs);
    return RunPrompt();
}

}  // namespace

int RunCommandLine(const std::u16string& line) {
    State().exitRequested = false;
    State().quitRequested = false;
    return RunLine(line);
}

int RunScriptFile(const std::u16string& path, const std::vector<std::u16string>& args) {
    State().exitRequested = false;
    State().quitRequested = false;
    return RunScript(path, args);
}

int ExpandString(const std::u16string& text, std::u16string& result) {
    result = text;
    return ExpandLine(result);
}

void CaptureOutput(std::u16string* out, std::u16string* err) {
    State().captureOut = out;
    State().captureErr = err;
}

HostHandle StandardErrorHandle() { return os::StdHandle(os::StdStream::Error); }

void ResetHost() {
    UnloadPlugins();
    ResetHostState();
}

void ResetHostState() {
    HostState& state = State();
    state.overrides.clear();
    state.disabledFeatures = 0;
    state.arrays.clear();
    state.readers.clear();
    CloseOpenedFiles();
    state.echo = true;
    state.exitRequested = false;
    state.quitRequested = false;
    state.exitCode = 0;
}

}  // namespace plumhost

extern "C" int PLUM_CDECL HostMain(int argc, char** argv) {
    using namespace plumhost;
    Options options;
    int rc = ParseOptions(os::Arguments(argc, argv), options);
    if (rc != 0) return rc;
    if (options.help) {
        WriteOut(USAGE);
        return 0;
    }
    rc = Run(options);
    UnloadPlugins();
    return rc;
}

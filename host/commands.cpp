// Running a command line as if typed: expansion of the whole line, splitting
// at "&", redirection, escapes, and dispatch to the plug-ins' commands and the
// built-in ones. The steps follow the SETDOS /X features:
//   3  variables are expanded before anything else
//   5  "&" separates commands (the white space before it is dropped)
//   6  ">file", ">>file", "<file" (and "2>", "2>>" for standard error)
//   7  double quotes keep "&", ">" and "<" from being special
//   8  "^" escapes the next character (^q, ^k, ^r, ^n, ^t, ^s, ^c, ^e, ^f,
//      ^b give ", `, CR, LF, TAB, space, comma, ESC, FF, BS); the escapes are
//      removed before the command gets its arguments
// Pipes are not emulated: "|" reaches the command as text.
#include "core.h"
#include "host_os.h"
#include "text.h"

namespace plumhost {

namespace {

struct Redirection {
    os::StdStream stream;
    os::OpenMode mode;
    std::u16string file;
};

struct ActiveRedirection {
    os::StdStream stream;
    HostHandle saved;
};

std::vector<std::u16string> SplitCommands(std::u16string_view line) {
    std::vector<std::u16string> commands;
    if (!FeatureEnabled(FEATURE_MULTIPLE_COMMANDS)) {
        commands.emplace_back(line);
        return commands;
    }
    bool escapes = FeatureEnabled(FEATURE_ESCAPES);
    bool quoting = FeatureEnabled(FEATURE_QUOTING);
    bool quoted = false;
    std::u16string current;
    for (size_t i = 0; i < line.size(); ++i) {
        char16_t c = line[i];
        if (escapes && c == u'^' && i + 1 < line.size()) {
            current += c;
            current += line[++i];
            continue;
        }
        if (quoting && c == u'"') quoted = !quoted;
        if (c == u'&' && !quoted) {
            // The white space before "&" separates, it is no argument text.
            while (!current.empty() && IsSpace(current.back())) current.pop_back();
            commands.push_back(current);
            current.clear();
            continue;
        }
        current += c;
    }
    commands.push_back(current);
    return commands;
}

// Takes the redirections out of a command; the text before each operator
// loses its trailing white space.
int ParseRedirections(std::u16string_view command, std::u16string& text, std::vector<Redirection>& redirections) {
    bool escapes = FeatureEnabled(FEATURE_ESCAPES);
    bool quoting = FeatureEnabled(FEATURE_QUOTING);
    bool quoted = false;
    size_t i = 0;
    while (i < command.size()) {
        char16_t c = command[i];
        if (escapes && c == u'^' && i + 1 < command.size()) {
            text += c;
            text += command[i + 1];
            i += 2;
            continue;
        }
        if (quoting && c == u'"') quoted = !quoted;
        if (quoted || (c != u'>' && c != u'<')) {
            text += c;
            ++i;
            continue;
        }
        Redirection r{os::StdStream::Output, os::OpenMode::Write, u""};
        if (c == u'<') {
            r.stream = os::StdStream::Input;
            r.mode = os::OpenMode::Read;
        } else {
            // "2>" when the 2 stands alone before the operator.
            size_t n = text.size();
            if (n >= 1 && text[n - 1] == u'2' && (n == 1 || IsSpace(text[n - 2]))) {
                r.stream = os::StdStream::Error;
                text.pop_back();
            }
            if (i + 1 < command.size() && command[i + 1] == u'>') {
                r.mode = os::OpenMode::Append;
                ++i;
            }
        }
        ++i;
        while (!text.empty() && IsSpace(text.back())) text.pop_back();
        while (i < command.size() && IsSpace(command[i])) ++i;
        if (i < command.size() && command[i] == u'"') {
            size_t close = command.find(u'"', i + 1);
            if (close == std::u16string_view::npos) close = command.size();
            r.file = std::u16string(command.substr(i + 1, close - i - 1));
            i = close < command.size() ? close + 1 : close;
        } else {
            while (i < command.size() && !IsSpace(command[i]) && command[i] != u'<' && command[i] != u'>' &&
                   command[i] != u'&' && command[i] != u'|') {
                r.file += command[i++];
            }
        }
        if (r.file.empty()) {
            ReportError(u"Missing file name after redirection");
            return 1;
        }
        redirections.push_back(r);
    }
    return 0;
}

std::u16string RemoveEscapes(std::u16string_view text) {
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'^' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        char16_t c = text[++i];
        switch (c) {
            case u'q': out += u'"'; break;
            case u'k': out += u'`'; break;
            case u'r': out += u'\r'; break;
            case u'n': out += u'\n'; break;
            case u't': out += u'\t'; break;
            case u's': out += u' '; break;
            case u'c': out += u','; break;
            case u'e': out += u'\x1B'; break;
            case u'f': out += u'\f'; break;
            case u'b': out += u'\b'; break;
            default: out += c; break;
        }
    }
    return out;
}

void Undo(std::vector<ActiveRedirection>& active) {
    for (auto it = active.rbegin(); it != active.rend(); ++it) {
        os::RestoreStd(it->stream, it->saved);
        if (it->stream == os::StdStream::Output) --State().outputRedirects;
        if (it->stream == os::StdStream::Error) --State().errorRedirects;
    }
    active.clear();
}

int Apply(const std::vector<Redirection>& redirections, std::vector<ActiveRedirection>& active) {
    for (const Redirection& r : redirections) {
        if (!FileNameAllowed(u"redirection", r.file)) {
            Undo(active);
            return 1;
        }
        HostHandle file = os::OpenFile(r.file, r.mode);
        HostHandle saved = os::INVALID_HANDLE;
        if (file == os::INVALID_HANDLE) {
            ReportError(u"Cannot open " + Quoted(r.file) + u": " + os::LastErrorText());
            Undo(active);
            return 1;
        }
        if (!os::RedirectStd(r.stream, file, saved)) {
            ReportError(u"Cannot redirect to " + Quoted(r.file));
            os::CloseFile(file);
            Undo(active);
            return 1;
        }
        active.push_back({r.stream, saved});
        if (r.stream == os::StdStream::Output) ++State().outputRedirects;
        if (r.stream == os::StdStream::Error) ++State().errorRedirects;
    }
    return 0;
}

// ------------------------------------------------------- built-in commands

int CmdEcho(std::u16string_view args) {
    if (!args.empty() && args[0] == u'.') {
        WriteOut(std::u16string(args.substr(1)) + u"\r\n");
        return 0;
    }
    if (!args.empty() && IsSpace(args[0])) args.remove_prefix(1);
    std::u16string_view word = Trim(args);
    if (word.empty()) {
        WriteOut(State().echo ? u"ECHO is ON\r\n" : u"ECHO is OFF\r\n");
    } else if (EqualsNoCase(word, u"on") || EqualsNoCase(word, u"off")) {
        // Script lines are never echoed; the setting is only remembered.
        State().echo = EqualsNoCase(word, u"on");
    } else {
        WriteOut(std::u16string(args) + u"\r\n");
    }
    return 0;
}

int CmdRem(std::u16string_view) { return 0; }

int ExitWith(std::u16string_view args, bool quit) {
    int64_t code = 0;
    std::u16string_view text = Trim(args);
    if (!text.empty() && !ParseInteger(text, code)) {
        ReportError(u"Bad exit code " + Quoted(text));
        return 1;
    }
    if (quit && !State().batches.empty()) {
        State().quitRequested = true;
    } else {
        State().exitRequested = true;
    }
    State().exitCode = static_cast<int>(code);
    return State().exitCode;
}

int CmdExit(std::u16string_view args) { return ExitWith(args, false); }

int CmdQuit(std::u16string_view args) { return ExitWith(args, true); }

int CmdCall(std::u16string_view args) {
    std::vector<std::u16string> words = SplitWords(args);
    if (words.empty()) {
        ReportError(u"CALL: missing script name");
        return 1;
    }
    std::u16string script = words[0];
    words.erase(words.begin());
    return RunScript(script, words);
}

// TYPE file: the file's bytes, unchanged, on standard output.
int CmdType(std::u16string_view args) {
    int rc = 0;
    for (const std::u16string& name : SplitWords(args)) {
        std::string bytes;
        if (!FileNameAllowed(u"TYPE", name) || ReadFileBytes(name, bytes) != 0) {
            rc = 1;
            continue;
        }
        if (State().captureOut && State().outputRedirects == 0) {
            State().captureOut->append(DecodeFileText(bytes));
        } else {
            os::WriteBytes(os::StdHandle(os::StdStream::Output), bytes.data(), bytes.size());
        }
    }
    return rc;
}

int CmdDel(std::u16string_view args) {
    int rc = 0;
    for (const std::u16string& name : SplitWords(args)) {
        if (!FileNameAllowed(u"DEL", name)) {
            rc = 1;
            continue;
        }
        if (!os::RemoveFile(name)) {
            ReportError(u"Cannot delete " + Quoted(name) + u": " + os::LastErrorText());
            rc = 1;
        }
    }
    return rc;
}

struct BuiltIn {
    const char16_t* name;
    int (*run)(std::u16string_view args);
};

const BuiltIn BUILT_INS[] = {
    {u"call", CmdCall},
    {u"del", CmdDel},
    {u"echo", CmdEcho},
    {u"exit", CmdExit},
    {u"helpkey", CmdHelpKey},
    {u"plugin", CmdPlugin},
    {u"quit", CmdQuit},
    {u"rem", CmdRem},
    {u"set", CmdSet},
    {u"setarray", CmdSetarray},
    {u"setdos", CmdSetdos},
    {u"sethost", CmdSethost},
    {u"syntax", CmdSyntax},
    {u"type", CmdType},
    {u"unsetarray", CmdUnsetarray},
};

bool EndsName(char16_t c) { return IsSpace(c) || c == u'.' || c == u'/' || c == u';' || c == u',' || c == u'='; }

int Dispatch(std::u16string_view text) {
    size_t end = 0;
    while (end < text.size() && !EndsName(text[end])) ++end;
    if (end == 0) {
        while (end < text.size() && !IsSpace(text[end])) ++end;
    }
    std::u16string name(text.substr(0, end));
    std::u16string_view args = text.substr(end);

    PluginFn fn = nullptr;
    if (FindPluginName(NameKind::Command, name, fn)) {
        if (!fn) return 1;
        std::u16string ignored;
        return CallPlugin(fn, args, ignored);
    }
    for (const BuiltIn& b : BUILT_INS) {
        if (EqualsNoCase(name, b.name)) return b.run(args);
    }
    WriteErr(u"plumhost: Unknown command \"" + name + u"\"\r\n");
    return 1;
}

int RunCommand(std::u16string_view command) {
    command = TrimLeft(command);
    while (!command.empty() && (command[0] == u'*' || command[0] == u'@')) {
        command = TrimLeft(command.substr(1));
    }
    if (command.empty()) return 0;

    std::u16string text;
    std::vector<Redirection> redirections;
    if (FeatureEnabled(FEATURE_REDIRECTION)) {
        if (ParseRedirections(command, text, redirections) != 0) return 1;
    } else {
        text = std::u16string(command);
    }
    if (FeatureEnabled(FEATURE_ESCAPES)) text = RemoveEscapes(text);

    std::vector<ActiveRedirection> active;
    if (Apply(redirections, active) != 0) return 1;
    int rc = Dispatch(text);
    Undo(active);
    return rc;
}

}  // namespace

int RunLine(std::u16string_view line) {
    if (line.size() > MAX_TEXT) {
        ReportError(u"Command line too long");
        return 1;
    }
    std::u16string text(line);
    int rc = ExpandLine(text);
    if (rc < 0) return rc;
    rc = 0;
    for (const std::u16string& command : SplitCommands(text)) {
        if (Trim(command).empty()) continue;
        rc = RunCommand(command);
        if (State().exitRequested || State().quitRequested) break;
    }
    return rc;
}

}  // namespace plumhost

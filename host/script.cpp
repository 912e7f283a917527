// Scripts (.btm files) and the interactive prompt.
//
// A script is UTF-8 text (a leading byte-order mark is skipped) with lines
// ending in LF or CR LF. Each line runs as if typed, except: blank lines,
// lines starting with "::" or REM, and labels (":name") are skipped, and a
// leading "@" is dropped. Lines are never echoed.
#include "core.h"
#include "host_os.h"
#include "text.h"

namespace plumhost {

namespace {

constexpr size_t MAX_SCRIPT_NESTING = 32;

std::vector<std::u16string> ScriptLines(std::string bytes) {
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    std::u16string text = FromUtf8(bytes);
    std::vector<std::u16string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string::npos) end = text.size();
        std::u16string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool IsRemark(std::u16string_view line) {
    if (line.size() >= 2 && line[0] == u':' && line[1] == u':') return true;
    return StartsWithNoCase(line, u"rem") && (line.size() == 3 || IsSpace(line[3]));
}

}  // namespace

int RunScript(const std::u16string& path, const std::vector<std::u16string>& args) {
    HostState& state = State();
    if (state.batches.size() >= MAX_SCRIPT_NESTING) {
        ReportError(u"Scripts nested too deeply");
        return 1;
    }
    std::string bytes;
    if (ReadFileBytes(path, bytes) != 0) return 1;
    std::vector<std::u16string> lines = ScriptLines(std::move(bytes));

    BatchFrame frame;
    frame.fullName = os::FullPath(path);
    frame.args.push_back(path);
    frame.args.insert(frame.args.end(), args.begin(), args.end());
    state.batches.push_back(std::move(frame));
    size_t depth = state.batches.size();

    int last = 0;
    for (size_t n = 0; n < lines.size(); ++n) {
        state.batches[depth - 1].line = static_cast<int>(n + 1);
        std::u16string_view line = TrimLeft(lines[n]);
        if (!line.empty() && line[0] == u'@') line = TrimLeft(line.substr(1));
        if (line.empty() || IsRemark(line) || line[0] == u':') continue;
        last = RunLine(line);
        if (state.exitRequested) break;
        if (state.quitRequested) {
            state.quitRequested = false;
            last = state.exitCode;
            break;
        }
    }
    state.batches.pop_back();
    return state.exitRequested ? state.exitCode : last;
}

int RunPrompt() {
    int last = 0;
    for (;;) {
        if (os::IsConsole(os::StdHandle(os::StdStream::Input))) WriteOut(u"> ");
        std::u16string line;
        if (!os::ReadInputLine(line)) break;
        if (Trim(line).empty()) continue;
        last = RunLine(line);
        if (State().exitRequested) return State().exitCode;
    }
    return last;
}

}  // namespace plumhost

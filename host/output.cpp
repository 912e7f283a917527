// Writing text to handles: the one place that decides how UTF-16 text turns
// into bytes, and where test capture hooks in.
#include "core.h"
#include "host_os.h"
#include "text.h"

namespace plumhost {

namespace {

// The capture string for a handle that is the current, unredirected standard
// output or error; null otherwise.
std::u16string* CaptureFor(HostHandle handle) {
    HostState& state = State();
    if (state.captureOut && state.outputRedirects == 0 && handle == os::StdHandle(os::StdStream::Output)) {
        return state.captureOut;
    }
    if (state.captureErr && state.errorRedirects == 0 && handle == os::StdHandle(os::StdStream::Error)) {
        return state.captureErr;
    }
    return nullptr;
}

// While Unicode output is on, the files that a command's redirection opened
// get UTF-16LE. The standard streams plumhost was started with, and handles
// a plug-in passes itself, keep UTF-8, so that whoever reads them (a test
// harness) sees one encoding throughout.
bool WantsUtf16(HostHandle handle) {
    if (!UnicodeOutput()) return false;
    const HostState& state = State();
    if (handle == os::StdHandle(os::StdStream::Output)) return state.outputRedirects > 0;
    if (handle == os::StdHandle(os::StdStream::Error)) return state.errorRedirects > 0;
    return false;
}

}  // namespace

bool WriteText(HostHandle handle, std::u16string_view text) {
    if (std::u16string* capture = CaptureFor(handle)) {
        capture->append(text);
        return true;
    }
    if (text.empty()) return true;
    if (os::IsConsole(handle)) {
        if (os::WriteConsoleText(handle, std::u16string(text))) return true;
    } else if (WantsUtf16(handle)) {
        std::string bytes;
        bytes.reserve(text.size() * 2);
        for (char16_t c : text) {
            bytes += static_cast<char>(c & 0xFF);
            bytes += static_cast<char>(c >> 8);
        }
        return os::WriteBytes(handle, bytes.data(), bytes.size());
    }
    std::string bytes = ToUtf8(text);
    return os::WriteBytes(handle, bytes.data(), bytes.size());
}

bool WriteOut(std::u16string_view text) { return WriteText(os::StdHandle(os::StdStream::Output), text); }

bool WriteErr(std::u16string_view text) { return WriteText(os::StdHandle(os::StdStream::Error), text); }

void ReportError(std::u16string_view message) {
    std::u16string line = u"plumhost: ";
    line.append(message);
    line += u"\r\n";
    WriteErr(line);
}

std::u16string Quoted(std::u16string_view text) {
    std::u16string out = u"\"";
    out.append(text);
    out += u'"';
    return out;
}

}  // namespace plumhost

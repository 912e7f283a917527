// The host's own variable functions:
//   @CLIP[n]             line n (from 0) of the clipboard text, **EOC** past the end
//   @CLIPW[text]         puts text on the clipboard: 0, or -1 on failure
//   @LINE[file,n]        line n (from 0) of a file, **EOF** past the end
//   @FILEOPEN[file,mode] opens a file (read, write or append): its handle, or -1
//   @FILEREAD[handle]    the next line read from a handle, **EOF** at the end
//   @FILECLOSE[handle]   0, or -1 on failure (a handle @FILEOPEN did not give)
//   @ARRAYINFO[name,k]   0 dimensions, 1..4 size of a dimension, 5 elements
//   @PATH[file]          the path part of a file name, separator included
//   @LEN[text]           the length of the text in code units
// Lines are returned without their line end.
#include <set>

#include "core.h"
#include "host_os.h"
#include "text.h"

namespace plumhost {

namespace {

using Args = std::vector<std::u16string>;

// The handles @FILEOPEN gave and @FILECLOSE has not closed yet. Only these
// may be closed: a script must not close the host's standard handles, nor
// any other handle of the process, whose number a later @FILEOPEN would
// then reuse.
std::set<HostHandle>& OpenedFiles() {
    static std::set<HostHandle> handles;
    return handles;
}

bool WantArgs(const char16_t* function, const Args& args, size_t count) {
    if (args.size() == count) return true;
    ReportError(std::u16string(function) + u": expected " + ToDecimal(static_cast<int64_t>(count)) + u" argument(s)");
    return false;
}

bool ReadNumber(const char16_t* function, const std::u16string& text, int64_t& value) {
    if (ParseInteger(text, value)) return true;
    ReportError(std::u16string(function) + u": bad number " + Quoted(text));
    return false;
}

// Line `n` of a text, or `end` past its last line.
std::u16string LineOf(std::u16string_view text, int64_t n, const char16_t* end) {
    std::u16string result = end;
    int64_t index = 0;
    if (n < 0) return result;
    ForEachLine(text, [&](std::u16string_view line) {
        if (index++ == n) {
            result = std::u16string(line);
            return false;
        }
        return true;
    });
    return result;
}

int Clip(const Args& args, std::u16string& result) {
    int64_t n;
    if (!WantArgs(u"@CLIP", args, 1) || !ReadNumber(u"@CLIP", args[0], n)) return -1;
    std::u16string text;
    if (!os::GetClipboardText(text)) {
        ReportError(u"@CLIP: cannot read the clipboard");
        return -1;
    }
    result = LineOf(text, n, u"**EOC**");
    return 0;
}

int Line(const Args& args, std::u16string& result) {
    int64_t n;
    if (!WantArgs(u"@LINE", args, 2) || !ReadNumber(u"@LINE", args[1], n)) return -1;
    std::string bytes;
    const std::u16string path(Unquote(args[0]));
    if (!FileNameAllowed(u"@LINE", path) || ReadFileBytes(path, bytes) != 0) return -1;
    result = LineOf(DecodeFileText(bytes), n, u"**EOF**");
    return 0;
}

int FileOpen(const Args& args, std::u16string& result) {
    if (!WantArgs(u"@FILEOPEN", args, 2)) return -1;
    std::u16string mode = LowerAscii(args[1]);
    os::OpenMode how;
    if (mode == u"read" || mode == u"r") {
        how = os::OpenMode::Read;
    } else if (mode == u"write" || mode == u"w") {
        how = os::OpenMode::Write;
    } else if (mode == u"append" || mode == u"a") {
        how = os::OpenMode::Append;
    } else {
        ReportError(u"@FILEOPEN: bad mode " + Quoted(args[1]));
        return -1;
    }
    const std::u16string path(Unquote(args[0]));
    if (!FileNameAllowed(u"@FILEOPEN", path)) {
        result = u"-1";
        return 0;
    }
    HostHandle handle = os::OpenFile(path, how);
    if (handle != os::INVALID_HANDLE) {
        State().readers.erase(handle);
        OpenedFiles().insert(handle);
    }
    result = handle == os::INVALID_HANDLE ? std::u16string(u"-1") : ToDecimal(handle);
    return 0;
}

// Takes the next byte of a handle, from what probing left over first.
bool NextByte(HostHandle handle, ReadState& reader, char& byte) {
    if (!reader.pending.empty()) {
        byte = reader.pending[0];
        reader.pending.erase(0, 1);
        return true;
    }
    size_t got = 0;
    return os::ReadBytes(handle, &byte, 1, got) && got == 1;
}

int FileRead(const Args& args, std::u16string& result) {
    int64_t value;
    if (!WantArgs(u"@FILEREAD", args, 1) || !ReadNumber(u"@FILEREAD", args[0], value)) return -1;
    HostHandle handle = static_cast<HostHandle>(value);
    if (FilesConfined() && !IsOpenedFile(handle)) {
        ReportError(u"@FILEREAD: handle " + ToDecimal(value) + u" was not opened by @FILEOPEN");
        return -1;
    }
    ReadState& reader = State().readers[handle];
    if (!reader.probed) {
        // A UTF-16LE file starts with FF FE; anything else is read as bytes.
        reader.probed = true;
        char bom[2];
        size_t got = 0, total = 0;
        while (total < 2 && os::ReadBytes(handle, bom + total, 2 - total, got) && got > 0) total += got;
        if (total == 2 && static_cast<unsigned char>(bom[0]) == 0xFF && static_cast<unsigned char>(bom[1]) == 0xFE) {
            reader.utf16 = true;
        } else {
            reader.pending.assign(bom, total);
        }
    }
    std::u16string line;
    std::string bytes;
    bool any = false;
    if (reader.utf16) {
        char lo, hi;
        while (NextByte(handle, reader, lo) && NextByte(handle, reader, hi)) {
            any = true;
            char16_t unit =
                static_cast<char16_t>(static_cast<unsigned char>(lo) | (static_cast<unsigned char>(hi) << 8));
            if (unit == u'\n') break;
            line += unit;
        }
    } else {
        char byte;
        while (NextByte(handle, reader, byte)) {
            any = true;
            if (byte == '\n') break;
            bytes += byte;
        }
        line = IsValidUtf8(bytes) ? FromUtf8(bytes) : FromLatin1(bytes);
    }
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    result = any ? line : std::u16string(u"**EOF**");
    return 0;
}

int FileClose(const Args& args, std::u16string& result) {
    int64_t value;
    if (!WantArgs(u"@FILECLOSE", args, 1) || !ReadNumber(u"@FILECLOSE", args[0], value)) return -1;
    HostHandle handle = static_cast<HostHandle>(value);
    if (OpenedFiles().erase(handle) == 0) {
        result = u"-1";
        return 0;
    }
    State().readers.erase(handle);
    result = os::CloseFile(handle) ? u"0" : u"-1";
    return 0;
}

int ArrayInfoFunction(const Args& args, std::u16string& result) {
    int64_t selector, value;
    if (!WantArgs(u"@ARRAYINFO", args, 2) || !ReadNumber(u"@ARRAYINFO", args[1], selector)) return -1;
    if (ArrayInfo(args[0], selector, value) != 0) return -1;
    result = ToDecimal(value);
    return 0;
}

int Path(const std::u16string& file, std::u16string& result) {
    size_t cut = file.find_last_of(u"\\/");
    if (cut == std::u16string::npos && file.size() >= 2 && file[1] == u':') cut = 1;
    result = cut == std::u16string::npos ? std::u16string() : file.substr(0, cut + 1);
    return 0;
}

}  // namespace

void CloseOpenedFiles() {
    for (HostHandle handle : OpenedFiles()) os::CloseFile(handle);
    OpenedFiles().clear();
}

bool IsOpenedFile(HostHandle handle) { return OpenedFiles().count(handle) != 0; }

int ReadFileBytes(const std::u16string& path, std::string& bytes) {
    HostHandle file = os::OpenFile(path, os::OpenMode::Read);
    if (file == os::INVALID_HANDLE) {
        ReportError(u"Cannot open " + Quoted(path) + u": " + os::LastErrorText());
        return -1;
    }
    char chunk[65536];
    size_t got = 0;
    bool ok;
    while ((ok = os::ReadBytes(file, chunk, sizeof chunk, got)) && got > 0) bytes.append(chunk, got);
    os::CloseFile(file);
    if (!ok) {
        ReportError(u"Cannot read " + Quoted(path));
        return -1;
    }
    return 0;
}

std::vector<std::u16string> SplitArguments(std::u16string_view args) {
    std::vector<std::u16string> parts;
    std::u16string current;
    bool quoted = false;
    for (char16_t c : args) {
        if (c == u'"') quoted = !quoted;
        if (c == u',' && !quoted) {
            parts.emplace_back(Trim(current));
            current.clear();
        } else {
            current += c;
        }
    }
    parts.emplace_back(Trim(current));
    return parts;
}

int CallHostFunction(const std::u16string& name, const std::u16string& args, std::u16string& result, bool& known) {
    known = true;
    result.clear();
    std::u16string upper = UpperAscii(name);
    if (upper == u"LEN") {
        result = ToDecimal(static_cast<int64_t>(args.size()));
        return 0;
    }
    if (upper == u"PATH") return Path(std::u16string(Unquote(Trim(args))), result);
    if (upper == u"CLIPW") {
        result = os::SetClipboardText(args) ? u"0" : u"-1";
        return 0;
    }
    Args parts = SplitArguments(args);
    if (upper == u"CLIP") return Clip(parts, result);
    if (upper == u"LINE") return Line(parts, result);
    if (upper == u"FILEOPEN") return FileOpen(parts, result);
    if (upper == u"FILEREAD") return FileRead(parts, result);
    if (upper == u"FILECLOSE") return FileClose(parts, result);
    if (upper == u"ARRAYINFO") return ArrayInfoFunction(parts, result);
    known = false;
    return -1;
}

}  // namespace plumhost

// Win32 backend of the emulator's operating-system layer: HANDLE values as
// handles, the real clipboard, LoadLibraryW for plug-ins and WriteConsoleW for
// console output.
#include <windows.h>

#include "host_os.h"
#include "text.h"

namespace plumhost {
namespace os {

namespace {

DWORD StreamId(StdStream stream) {
    switch (stream) {
        case StdStream::Input: return STD_INPUT_HANDLE;
        case StdStream::Output: return STD_OUTPUT_HANDLE;
        case StdStream::Error: return STD_ERROR_HANDLE;
    }
    return STD_OUTPUT_HANDLE;
}

HANDLE ToHandle(HostHandle handle) { return reinterpret_cast<HANDLE>(handle); }

HostHandle FromHandle(HANDLE handle) { return reinterpret_cast<HostHandle>(handle); }

const wchar_t* Wide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

std::u16string FromWide(const wchar_t* text) { return FromPointer(reinterpret_cast<const char16_t*>(text)); }

// The clipboard may be held by another program for a moment; try a few times.
bool OpenClipboardRetrying() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (OpenClipboard(nullptr)) return true;
        Sleep(10);
    }
    return false;
}

}  // namespace

HostHandle StdHandle(StdStream stream) { return FromHandle(GetStdHandle(StreamId(stream))); }

bool IsConsole(HostHandle handle) {
    DWORD mode;
    return GetConsoleMode(ToHandle(handle), &mode) != 0;
}

bool WriteBytes(HostHandle handle, const void* bytes, size_t count) {
    const char* p = static_cast<const char*>(bytes);
    while (count > 0) {
        DWORD chunk = count > 0x10000000 ? 0x10000000 : static_cast<DWORD>(count);
        DWORD written = 0;
        if (!WriteFile(ToHandle(handle), p, chunk, &written, nullptr) || written == 0) return false;
        p += written;
        count -= written;
    }
    return true;
}

bool WriteConsoleText(HostHandle handle, const std::u16string& text) {
    if (!IsConsole(handle)) return false;
    const wchar_t* p = Wide(text);
    size_t left = text.size();
    while (left > 0) {
        DWORD chunk = left > 8192 ? 8192 : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteConsoleW(ToHandle(handle), p, chunk, &written, nullptr) || written == 0) {
            return false;
        }
        p += written;
        left -= written;
    }
    return true;
}

bool ReadBytes(HostHandle handle, void* bytes, size_t count, size_t& got) {
    got = 0;
    DWORD n = 0;
    DWORD want = count > 0x10000000 ? 0x10000000 : static_cast<DWORD>(count);
    if (!ReadFile(ToHandle(handle), bytes, want, &n, nullptr)) {
        return GetLastError() == ERROR_BROKEN_PIPE;  // the writer closed the pipe: the end
    }
    got = n;
    return true;
}

bool ReadInputLine(std::u16string& line) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    line.clear();
    DWORD mode;
    if (GetConsoleMode(input, &mode)) {
        wchar_t c;
        DWORD n = 0;
        bool any = false;
        while (ReadConsoleW(input, &c, 1, &n, nullptr) && n == 1) {
            any = true;
            if (c == L'\n') break;
            line += static_cast<char16_t>(c);
        }
        if (!any) return false;
    } else {
        std::string bytes;
        char c;
        size_t got = 0;
        bool any = false;
        while (ReadBytes(FromHandle(input), &c, 1, got) && got == 1) {
            any = true;
            if (c == '\n') break;
            bytes += c;
        }
        if (!any) return false;
        line = FromUtf8(bytes);
    }
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    return true;
}

HostHandle OpenFile(const std::u16string& path, OpenMode mode) {
    DWORD access = mode == OpenMode::Read ? GENERIC_READ : GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if (mode == OpenMode::Write) disposition = CREATE_ALWAYS;
    if (mode == OpenMode::Append) disposition = OPEN_ALWAYS;
    HANDLE file = CreateFileW(Wide(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return INVALID_HANDLE;
    if (mode == OpenMode::Append) SetFilePointer(file, 0, nullptr, FILE_END);
    return FromHandle(file);
}

bool CloseFile(HostHandle handle) { return CloseHandle(ToHandle(handle)) != 0; }

bool RemoveFile(const std::u16string& path) { return DeleteFileW(Wide(path)) != 0; }

std::u16string LastErrorText() {
    DWORD code = GetLastError();
    wchar_t buffer[512];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | 0xFF, nullptr, code, 0,
                             buffer, 512, nullptr);
    if (n == 0) return u"error " + ToDecimal(code);
    return std::u16string(TrimRight(FromWide(buffer)));
}

bool RedirectStd(StdStream stream, HostHandle file, HostHandle& saved) {
    saved = StdHandle(stream);
    return SetStdHandle(StreamId(stream), ToHandle(file)) != 0;
}

void RestoreStd(StdStream stream, HostHandle saved) {
    HANDLE file = GetStdHandle(StreamId(stream));
    SetStdHandle(StreamId(stream), ToHandle(saved));
    CloseHandle(file);
}

bool GetEnv(const std::u16string& name, std::u16string& value) {
    std::u16string buffer(256, u'\0');
    for (;;) {
        DWORD n = GetEnvironmentVariableW(Wide(name), reinterpret_cast<wchar_t*>(&buffer[0]),
                                          static_cast<DWORD>(buffer.size()));
        if (n == 0) return false;
        if (n < buffer.size()) {
            buffer.resize(n);
            value = buffer;
            return true;
        }
        buffer.assign(n, u'\0');
    }
}

bool SetEnv(const std::u16string& name, const std::u16string& value) {
    if (name.empty() || name.find(u'=') != std::u16string::npos) return false;
    return SetEnvironmentVariableW(Wide(name), value.empty() ? nullptr : Wide(value)) != 0 || value.empty();
}

std::vector<std::pair<std::u16string, std::u16string>> ListEnv() {
    std::vector<std::pair<std::u16string, std::u16string>> list;
    wchar_t* block = GetEnvironmentStringsW();
    if (!block) return list;
    for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
        std::u16string entry = FromWide(p);
        size_t eq = entry.find(u'=', 1);  // names like "=C:" start with "="
        if (eq == std::u16string::npos || entry[0] == u'=') continue;
        list.emplace_back(entry.substr(0, eq), entry.substr(eq + 1));
    }
    FreeEnvironmentStringsW(block);
    return list;
}

bool GetClipboardText(std::u16string& text) {
    text.clear();
    if (!OpenClipboardRetrying()) return false;
    bool ok = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = FromWide(p);
            GlobalUnlock(data);
            ok = true;
        }
    } else {
        ok = true;  // no text on the clipboard: an empty text
    }
    CloseClipboard();
    return ok;
}

bool SetClipboardText(const char16_t* text, size_t length) {
    size_t bytes = (length + 1) * sizeof(char16_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return false;
    void* p = GlobalLock(memory);
    if (!p) {
        GlobalFree(memory);
        return false;
    }
    CopyMemory(p, text, length * sizeof(char16_t));
    static_cast<char16_t*>(p)[length] = u'\0';
    GlobalUnlock(memory);
    if (!OpenClipboardRetrying()) {
        GlobalFree(memory);
        return false;
    }
    bool ok = EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!ok) GlobalFree(memory);  // the clipboard owns the memory only on success
    return ok;
}

void* OpenModule(const std::u16string& path, std::u16string& error) {
    HMODULE module = LoadLibraryW(Wide(path));
    if (!module) error = LastErrorText();
    return reinterpret_cast<void*>(module);
}

void* FindSymbol(void* module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(void* module) { FreeLibrary(static_cast<HMODULE>(module)); }

std::u16string FullPath(const std::u16string& path) {
    std::u16string buffer(MAX_PATH, u'\0');
    for (;;) {
        DWORD n = GetFullPathNameW(Wide(path), static_cast<DWORD>(buffer.size()),
                                   reinterpret_cast<wchar_t*>(&buffer[0]), nullptr);
        if (n == 0) return path;
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.assign(n, u'\0');
    }
}

std::u16string ExecutablePath() {
    wchar_t buffer[32768];
    DWORD n = GetModuleFileNameW(nullptr, buffer, 32768);
    if (n == 0 || n >= 32768) return u"";
    return FromWide(buffer);
}

unsigned DefaultCodePage() { return GetACP(); }

std::vector<std::u16string> Arguments(int, char**) {
    // The wide command line keeps characters outside the ANSI code page.
    // Splitting follows the C runtime's rules: white space separates
    // arguments outside double quotes; 2n backslashes before a quote give n
    // and the quote toggles quoting, 2n+1 give n and a literal quote; "" in a
    // quoted part is a literal quote. The program name ends at the next quote
    // or, unquoted, at white space.
    std::u16string line = FromWide(GetCommandLineW());
    std::vector<std::u16string> args;
    size_t i = 0;
    std::u16string program;
    if (i < line.size() && line[i] == u'"') {
        ++i;
        while (i < line.size() && line[i] != u'"') program += line[i++];
        if (i < line.size()) ++i;
    } else {
        while (i < line.size() && line[i] != u' ' && line[i] != u'\t') program += line[i++];
    }
    args.push_back(program);
    for (;;) {
        while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) ++i;
        if (i >= line.size()) break;
        std::u16string arg;
        bool quoted = false;
        while (i < line.size()) {
            char16_t c = line[i];
            if (!quoted && (c == u' ' || c == u'\t')) break;
            if (c == u'\\') {
                size_t count = 0;
                while (i < line.size() && line[i] == u'\\') {
                    ++count;
                    ++i;
                }
                if (i < line.size() && line[i] == u'"') {
                    arg.append(count / 2, u'\\');
                    if (count % 2 == 1) {
                        arg += u'"';
                        ++i;
                    }
                } else {
                    arg.append(count, u'\\');
                }
                continue;
            }
            if (c == u'"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
                    arg += u'"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            arg += c;
            ++i;
        }
        args.push_back(arg);
    }
    return args;
}

}  // namespace os
}  // namespace plumhost

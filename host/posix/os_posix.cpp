// POSIX backend of the emulator's operating-system layer: file descriptors as
// handles, the environment through setenv, dlopen for plug-ins and an
// in-process clipboard (optionally kept in a file, see below).
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "host_os.h"
#include "text.h"

extern char** environ;

namespace plumhost {
namespace os {

namespace {

int StreamFd(StdStream stream) {
    switch (stream) {
        case StdStream::Input: return STDIN_FILENO;
        case StdStream::Output: return STDOUT_FILENO;
        case StdStream::Error: return STDERR_FILENO;
    }
    return -1;
}

// The environment entry whose name equals `name` without regard to ASCII
// case; the exact spelling wins when several differ only in case.
const char* FindEnvEntry(const std::string& name) {
    const char* folded = nullptr;
    for (char** e = environ; e && *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (!eq || static_cast<size_t>(eq - *e) != name.size()) continue;
        if (std::strncmp(*e, name.data(), name.size()) == 0) return *e;
        if (!folded && strncasecmp(*e, name.data(), name.size()) == 0) folded = *e;
    }
    return folded;
}

// The in-process clipboard. When PLUMHOST_CLIPBOARD names a file, the
// clipboard lives in that file (UTF-8) so that separate runs share it.
std::u16string& MemoryClipboard() {
    static std::u16string text;
    return text;
}

const char* ClipboardFile() {
    const char* path = std::getenv("PLUMHOST_CLIPBOARD");
    return (path && *path) ? path : nullptr;
}

}  // namespace

HostHandle StdHandle(StdStream stream) { return StreamFd(stream); }

bool IsConsole(HostHandle handle) { return handle >= 0 && handle <= INT_MAX && isatty(static_cast<int>(handle)) == 1; }

bool WriteBytes(HostHandle handle, const void* bytes, size_t count) {
    if (handle < 0 || handle > INT_MAX) return false;
    const char* p = static_cast<const char*>(bytes);
    while (count > 0) {
        ssize_t n = write(static_cast<int>(handle), p, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

bool WriteConsoleText(HostHandle, const std::u16string&) {
    return false;  // terminals take UTF-8 bytes
}

bool ReadBytes(HostHandle handle, void* bytes, size_t count, size_t& got) {
    got = 0;
    if (handle < 0 || handle > INT_MAX) return false;
    for (;;) {
        ssize_t n = read(static_cast<int>(handle), bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        got = static_cast<size_t>(n);
        return true;
    }
}

bool ReadInputLine(std::u16string& line) {
    std::string bytes;
    char c;
    size_t got = 0;
    bool any = false;
    while (ReadBytes(STDIN_FILENO, &c, 1, got) && got == 1) {
        any = true;
        if (c == '\n') break;
        bytes += c;
    }
    if (!any) return false;
    if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    line = FromUtf8(bytes);
    return true;
}

HostHandle OpenFile(const std::u16string& path, OpenMode mode) {
    int flags = O_RDONLY;
    if (mode == OpenMode::Write) flags = O_WRONLY | O_CREAT | O_TRUNC;
    if (mode == OpenMode::Append) flags = O_WRONLY | O_CREAT | O_APPEND;
    int fd = open(ToUtf8(path).c_str(), flags | O_CLOEXEC, 0666);
    return fd < 0 ? INVALID_HANDLE : fd;
}

bool CloseFile(HostHandle handle) { return handle >= 0 && handle <= INT_MAX && close(static_cast<int>(handle)) == 0; }

bool RemoveFile(const std::u16string& path) { return unlink(ToUtf8(path).c_str()) == 0; }

std::u16string LastErrorText() { return FromUtf8(std::strerror(errno)); }

bool RedirectStd(StdStream stream, HostHandle file, HostHandle& saved) {
    int fd = StreamFd(stream);
    int copy = dup(fd);
    if (copy < 0) return false;
    if (dup2(static_cast<int>(file), fd) < 0) {
        close(copy);
        return false;
    }
    close(static_cast<int>(file));
    saved = copy;
    return true;
}

void RestoreStd(StdStream stream, HostHandle saved) {
    int fd = StreamFd(stream);
    dup2(static_cast<int>(saved), fd);
    close(static_cast<int>(saved));
}

bool GetEnv(const std::u16string& name, std::u16string& value) {
    const char* entry = FindEnvEntry(ToUtf8(name));
    if (!entry) return false;
    value = FromUtf8(std::strchr(entry, '=') + 1);
    return !value.empty();
}

bool SetEnv(const std::u16string& name, const std::u16string& value) {
    std::string key = ToUtf8(name);
    if (key.empty() || key.find('=') != std::string::npos) return false;
    // Keep the spelling of a variable that already exists in another case.
    if (const char* entry = FindEnvEntry(key)) key.assign(entry, std::strchr(entry, '='));
    if (value.empty()) return unsetenv(key.c_str()) == 0;
    return setenv(key.c_str(), ToUtf8(value).c_str(), 1) == 0;
}

std::vector<std::pair<std::u16string, std::u16string>> ListEnv() {
    std::vector<std::pair<std::u16string, std::u16string>> list;
    for (char** e = environ; e && *e; ++e) {
        const char* eq = std::strchr(*e, '=');
        if (!eq || eq == *e) continue;
        list.emplace_back(FromUtf8(std::string_view(*e, static_cast<size_t>(eq - *e))), FromUtf8(eq + 1));
    }
    return list;
}

bool GetClipboardText(std::u16string& text) {
    const char* file = ClipboardFile();
    if (!file) {
        text = MemoryClipboard();
        return true;
    }
    text.clear();
    int fd = open(file, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT;  // nothing copied yet: an empty clipboard
    std::string bytes;
    char chunk[4096];
    size_t got = 0;
    bool ok;
    while ((ok = ReadBytes(fd, chunk, sizeof chunk, got)) && got > 0) bytes.append(chunk, got);
    close(fd);
    text = FromUtf8(bytes);
    return ok;
}

bool SetClipboardText(const char16_t* text, size_t length) {
    const char* file = ClipboardFile();
    if (!file) {
        MemoryClipboard().assign(text, length);
        return true;
    }
    int fd = open(file, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    std::string bytes = ToUtf8(std::u16string(text, length));
    bool ok = WriteBytes(fd, bytes.data(), bytes.size());
    return close(fd) == 0 && ok;
}

void* OpenModule(const std::u16string& path, std::u16string& error) {
    std::string file = ToUtf8(path);
    // dlopen searches the library path for a bare name; a plug-in given by
    // name is meant relative to the current directory, as on Windows.
    if (file.find('/') == std::string::npos) file = "./" + file;
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = dlerror();
        error = FromUtf8(why ? why : "unknown error");
    }
    return module;
}

void* FindSymbol(void* module, const char* name) { return dlsym(module, name); }

void CloseModule(void* module) { dlclose(module); }

std::u16string FullPath(const std::u16string& path) {
    // Backslashes count as separators so that Windows-style paths built by
    // the plug-in ("dir\\file") name the same files here.
    std::string text = ToUtf8(path);
    for (char& c : text) {
        if (c == '\\') c = '/';
    }
    if (text.empty() || text[0] != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof cwd)) text = std::string(cwd) + "/" + text;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t slash = text.find('/', start);
        if (slash == std::string::npos) slash = text.size();
        std::string part = text.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string full;
    for (const std::string& part : parts) full += "/" + part;
    if (full.empty() || (!text.empty() && text.back() == '/')) full += "/";
    return FromUtf8(full);
}

std::u16string ExecutablePath() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return u"";
    return FromUtf8(std::string_view(buffer, static_cast<size_t>(n)));
}

unsigned DefaultCodePage() {
    // The locale's character set as the environment names it: UTF-8 maps to
    // code page 65001, anything else to the Western code page 1252.
    const char* names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        std::string folded;
        for (const char* p = value; *p; ++p) {
            if (*p != '-') folded += static_cast<char>(*p >= 'A' && *p <= 'Z' ? *p + 32 : *p);
        }
        return folded.find("utf8") != std::string::npos ? 65001 : 1252;
    }
    return 1252;
}

std::vector<std::u16string> Arguments(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 0; i < argc; ++i) args.push_back(FromUtf8(argv[i]));
    return args;
}

}  // namespace os
}  // namespace plumhost

// POSIX stand-ins for the Windows calls: file descriptors as handles, the
// environment, the console, the library's own path.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "abi/utf8.h"
#include "platform/platform.h"

extern char** environ;

namespace {

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// True when `entry` ("NAME=value") is named `name`, with ASCII letters
// compared without regard to case when `foldCase` is set; *value then points
// at the value. The name is encoded to UTF-8 one code point at a time, as
// the host's SET encodes it, so a name of any length needs no buffer.
bool EntryNamed(const char* entry, const char16_t* name, bool foldCase, const char** value) {
    size_t at = 0;
    for (size_t i = 0; name[i] != 0;) {
        size_t used = 0;
        char encoded[4];
        const int32_t bytes = Utf8Encode(Utf16Decode(name + i, name[i + 1] != 0 ? 2 : 1, &used), encoded);
        i += used;
        for (int32_t k = 0; k < bytes; ++k, ++at) {
            const char e = entry[at];
            if (e == 0) return false;
            if (foldCase ? FoldAscii(e) != FoldAscii(encoded[k]) : e != encoded[k]) return false;
        }
    }
    if (entry[at] != '=') return false;
    *value = entry + at + 1;
    return true;
}

bool ContainsEquals(const char16_t* name) {
    for (; *name != 0; ++name) {
        if (*name == u'=') return true;
    }
    return false;
}

// The value of an environment variable. Names compare as Windows compares
// them, without regard to ASCII case; of several entries that differ only in
// case, the one spelled exactly as asked wins, else the first.
const char* FindEnvironmentValue(const char16_t* name) {
    if (name[0] == 0 || ContainsEquals(name)) return nullptr;
    const char* folded = nullptr;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const char* value = nullptr;
        if (EntryNamed(*entry, name, false, &value)) return value;
        if (folded == nullptr && EntryNamed(*entry, name, true, &value)) folded = value;
    }
    return folded;
}

}  // namespace

namespace platform_default {

int32_t GetEnvironment(const char16_t* name, char16_t* destination, int32_t size) {
    const char* value = FindEnvironmentValue(name);
    if (value == nullptr || value[0] == 0) return 0;
    const int32_t length = Utf8ToUtf16(value, destination, size);
    if (length < 0) {
        // Report the size needed, terminator included, as the Windows call
        // does, without keeping a partial value.
        if (size > 0) destination[0] = 0;
        return Utf8ToUtf16Length(value) + 1;
    }
    return length;
}

HostHandle StandardOutput(void) { return 1; }

HostHandle StandardError(void) { return 2; }

int32_t FileSize(HostHandle handle, uint64_t* size) {
    struct stat info;
    if (fstat(static_cast<int>(handle), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
    *size = static_cast<uint64_t>(info.st_size);
    return 1;
}

int32_t WriteHandle(HostHandle handle, const void* bytes, uint32_t count, uint32_t* written) {
    const char* next = static_cast<const char*>(bytes);
    uint32_t done = 0;
    while (done < count) {
        const ssize_t n = write(static_cast<int>(handle), next + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (written != nullptr) *written = done;
            return 0;
        }
        done += static_cast<uint32_t>(n);
    }
    if (written != nullptr) *written = done;
    return 1;
}

int32_t ConsoleWidth(void) {
    struct winsize size;
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
}

int32_t ModuleFileName(char16_t* destination, int32_t size) {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&ModuleFileName), &info) == 0 || info.dli_fname == nullptr) return 0;
    char resolved[4096];
    const char* path = realpath(info.dli_fname, resolved) != nullptr ? resolved : info.dli_fname;
    const int32_t length = Utf8ToUtf16(path, destination, size);
    return length < 0 ? 0 : length;
}

int32_t IsPlainFile(const char16_t* path) {
    if (path == nullptr || path[0] == 0) return 0;
    char narrow[4096];
    if (Utf16ToUtf8(path, -1, narrow, sizeof narrow) < 0) return 0;
    struct stat info;
    return stat(narrow, &info) == 0 && S_ISREG(info.st_mode) ? 1 : 0;
}

int32_t IsFullPath(const char16_t* path) { return path != nullptr && path[0] == u'/' ? 1 : 0; }

int32_t WindowsDirectory(char16_t* destination, int32_t size) {
    const char* directory = getenv("WINDIR");
    if (directory == nullptr || directory[0] == 0) directory = "/";
    const int32_t length = Utf8ToUtf16(directory, destination, size);
    return length < 0 ? 0 : length;
}

void ShowMessageBox(const char16_t* text, const char16_t* caption) {
    char narrow[4096];
    const int32_t captionLength = Utf16ToUtf8(caption, -1, narrow, sizeof narrow);
    if (captionLength > 0) WriteHandle(2, narrow, static_cast<uint32_t>(captionLength), nullptr);
    WriteHandle(2, ": ", 2, nullptr);
    const int32_t textLength = Utf16ToUtf8(text, -1, narrow, sizeof narrow);
    if (textLength > 0) WriteHandle(2, narrow, static_cast<uint32_t>(textLength), nullptr);
    WriteHandle(2, "\n", 1, nullptr);
}

}  // namespace platform_default

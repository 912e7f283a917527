// A file that stands in for the current user's registry hive. One line per
// value: key, value name, type and the bytes in hexadecimal, separated by
// tabs; a line with an empty value name records a key without values. The
// file is replaced whole (written to a temporary file, then renamed), so a
// failed write never leaves it half written.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "abi/utf8.h"
#include "platform/platform.h"

namespace {

constexpr int32_t STORE_LIMIT = 65536;
constexpr int32_t NAME_LIMIT = 1024;
constexpr int32_t PATH_LIMIT = 4096;
constexpr int32_t VALUE_LIMIT = 4096;

char storeText[STORE_LIMIT + 1];
char rewrittenText[STORE_LIMIT + 1];

// The store's path: PLUMQUIST_REGISTRY, else ~/.config/plumquist/registry.
bool StorePath(char* path, bool createDirectory) {
    const char* chosen = getenv("PLUMQUIST_REGISTRY");
    if (chosen != nullptr && chosen[0] != 0) {
        return snprintf(path, PATH_LIMIT, "%s", chosen) < PATH_LIMIT;
    }
    const char* home = getenv("HOME");
    if (home == nullptr || home[0] == 0) return false;
    if (createDirectory) {
        char directory[PATH_LIMIT];
        snprintf(directory, sizeof directory, "%s/.config", home);
        mkdir(directory, 0700);
        snprintf(directory, sizeof directory, "%s/.config/plumquist", home);
        mkdir(directory, 0700);
    }
    return snprintf(path, PATH_LIMIT, "%s/.config/plumquist/registry", home) < PATH_LIMIT;
}

// Reads the whole store into storeText. Returns 0, or a Windows error code.
int32_t ReadStore(const char* path) {
    storeText[0] = 0;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? PLAT_ERROR_SUCCESS : PLAT_ERROR_ACCESS_DENIED;
    int32_t total = 0;
    for (;;) {
        const ssize_t n = read(fd, storeText + total, static_cast<size_t>(STORE_LIMIT - total));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += static_cast<int32_t>(n);
        if (total == STORE_LIMIT) break;
    }
    close(fd);
    storeText[total] = 0;
    return PLAT_ERROR_SUCCESS;
}

bool EqualsIgnoreCase(const char* left, size_t leftLength, const char* right) {
    if (strlen(right) != leftLength) return false;
    for (size_t i = 0; i < leftLength; ++i) {
        char a = left[i];
        char b = right[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
        if (a != b) return false;
    }
    return true;
}

// One parsed line of the store; the pointers point into storeText.
struct StoreLine {
    const char* key;
    size_t keyLength;
    const char* value;
    size_t valueLength;
    uint32_t type;
    const char* hex;
    size_t hexLength;
};

// Splits the line starting at text; returns the start of the next line.
const char* ParseLine(const char* text, StoreLine* line, bool* valid) {
    const char* end = strchr(text, '\n');
    if (end == nullptr) end = text + strlen(text);
    const char* fields[4] = {};
    size_t lengths[4] = {};
    const char* p = text;
    int32_t count = 0;
    while (count < 4) {
        const char* tab = static_cast<const char*>(memchr(p, '\t', static_cast<size_t>(end - p)));
        const char* stop = (count < 3 && tab != nullptr) ? tab : end;
        fields[count] = p;
        lengths[count] = static_cast<size_t>(stop - p);
        ++count;
        if (stop == end) break;
        p = stop + 1;
    }
    *valid = count == 4;
    if (*valid) {
        line->key = fields[0];
        line->keyLength = lengths[0];
        line->value = fields[1];
        line->valueLength = lengths[1];
        line->type = static_cast<uint32_t>(strtoul(fields[2], nullptr, 10));
        line->hex = fields[3];
        line->hexLength = lengths[3];
    }
    return *end == '\n' ? end + 1 : end;
}

int32_t HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool NarrowNames(const char16_t* key, const char16_t* value, char* narrowKey, char* narrowValue) {
    return Utf16ToUtf8(key, -1, narrowKey, NAME_LIMIT) >= 0 && Utf16ToUtf8(value, -1, narrowValue, NAME_LIMIT) >= 0 &&
           strpbrk(narrowKey, "\t\n") == nullptr && strpbrk(narrowValue, "\t\n") == nullptr;
}

bool AppendText(char* destination, int32_t* length, const char* text, size_t count) {
    if (*length + static_cast<int64_t>(count) > STORE_LIMIT) return false;
    memcpy(destination + *length, text, count);
    *length += static_cast<int32_t>(count);
    destination[*length] = 0;
    return true;
}

// Writes text to path through a temporary file and a rename.
int32_t ReplaceStore(const char* path, const char* text, int32_t length) {
    char temporary[PATH_LIMIT + 8];
    snprintf(temporary, sizeof temporary, "%s.tmp", path);
    const int fd = open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return PLAT_ERROR_ACCESS_DENIED;
    int32_t done = 0;
    while (done < length) {
        const ssize_t n = write(fd, text + done, static_cast<size_t>(length - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<int32_t>(n);
    }
    const bool written = done == length && fsync(fd) == 0;
    close(fd);
    if (!written || rename(temporary, path) != 0) {
        unlink(temporary);
        return PLAT_ERROR_ACCESS_DENIED;
    }
    return PLAT_ERROR_SUCCESS;
}

}  // namespace

namespace platform_default {

int32_t RegistryRead(const char16_t* key, const char16_t* value, uint32_t* type, uint8_t* data, uint32_t* size) {
    char path[PATH_LIMIT];
    char narrowKey[NAME_LIMIT];
    char narrowValue[NAME_LIMIT];
    if (!StorePath(path, false)) return PLAT_ERROR_FILE_NOT_FOUND;
    if (!NarrowNames(key, value, narrowKey, narrowValue)) return PLAT_ERROR_FILE_NOT_FOUND;
    const int32_t readResult = ReadStore(path);
    if (readResult != PLAT_ERROR_SUCCESS) return readResult;

    for (const char* p = storeText; *p != 0;) {
        StoreLine line;
        bool valid = false;
        p = ParseLine(p, &line, &valid);
        if (!valid || !EqualsIgnoreCase(line.key, line.keyLength, narrowKey)) continue;
        if (line.valueLength == 0 || !EqualsIgnoreCase(line.value, line.valueLength, narrowValue)) continue;

        const uint32_t needed = static_cast<uint32_t>(line.hexLength / 2);
        if (type != nullptr) *type = line.type;
        if (data == nullptr || needed > *size) {
            *size = needed;
            return data == nullptr ? PLAT_ERROR_SUCCESS : PLAT_ERROR_MORE_DATA;
        }
        for (uint32_t i = 0; i < needed; ++i) {
            const int32_t high = HexValue(line.hex[2 * i]);
            const int32_t low = HexValue(line.hex[2 * i + 1]);
            if (high < 0 || low < 0) return PLAT_ERROR_INVALID_DATA;
            data[i] = static_cast<uint8_t>(high * 16 + low);
        }
        *size = needed;
        return PLAT_ERROR_SUCCESS;
    }
    return PLAT_ERROR_FILE_NOT_FOUND;
}

int32_t RegistryWrite(const char16_t* key, const char16_t* value, uint32_t type, const uint8_t* data, uint32_t size) {
    char path[PATH_LIMIT];
    char narrowKey[NAME_LIMIT];
    char narrowValue[NAME_LIMIT];
    if (!StorePath(path, true)) return PLAT_ERROR_FILE_NOT_FOUND;
    if (!NarrowNames(key, value, narrowKey, narrowValue) || size > VALUE_LIMIT) return PLAT_ERROR_INVALID_DATA;
    const int32_t readResult = ReadStore(path);
    if (readResult != PLAT_ERROR_SUCCESS) return readResult;

    // Keep every other line as it was; the new value goes last.
    int32_t length = 0;
    rewrittenText[0] = 0;
    for (const char* p = storeText; *p != 0;) {
        const char* start = p;
        StoreLine line;
        bool valid = false;
        p = ParseLine(p, &line, &valid);
        if (valid && EqualsIgnoreCase(line.key, line.keyLength, narrowKey) &&
            EqualsIgnoreCase(line.value, line.valueLength, narrowValue)) {
            continue;
        }
        if (!AppendText(rewrittenText, &length, start, static_cast<size_t>(p - start))) {
            return PLAT_ERROR_INVALID_DATA;
        }
        if (p[-1] != '\n' && !AppendText(rewrittenText, &length, "\n", 1)) return PLAT_ERROR_INVALID_DATA;
    }

    char entry[2 * NAME_LIMIT + 2 * VALUE_LIMIT + 32];
    int32_t used = snprintf(entry, sizeof entry, "%s\t%s\t%u\t", narrowKey, narrowValue, type);
    static const char kHex[] = "0123456789abcdef";
    for (uint32_t i = 0; i < size; ++i) {
        entry[used++] = kHex[data[i] >> 4];
        entry[used++] = kHex[data[i] & 15];
    }
    entry[used++] = '\n';
    if (!AppendText(rewrittenText, &length, entry, static_cast<size_t>(used))) return PLAT_ERROR_INVALID_DATA;
    return ReplaceStore(path, rewrittenText, length);
}

}  // namespace platform_default

// A file that stands in for the current user's registry hive. One line per
// value: key, value name, type and the bytes in hexadecimal, separated by
// tabs; a line with an empty value name records a key without values.
//
// Every process of the user shares the file, and it may hold lines this code
// never wrote, so:
// - it is read as a stream through fixed buffers, whatever its size;
// - a write copies every line byte for byte into a new file of its own beside
//   the store, replacing only the line of the value written, makes the new
//   file durable and renames it over the store: a failed write leaves the old
//   store whole;
// - a writer holds an exclusive lock on the store for its whole
//   read-modify-write, so concurrent writers never lose each other's values;
// - only a regular file, or a missing one that a write creates, is used; a
//   device, FIFO, socket or directory is refused without being opened in a way
//   that could block or touch it;
// - a symbolic link is written through: the new file goes beside its target,
//   which keeps its mode.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "abi/utf8.h"
#include "platform/platform.h"

namespace {

constexpr int32_t NAME_LIMIT = 1024;
constexpr int32_t PATH_LIMIT = 4096;
constexpr int32_t VALUE_LIMIT = 4096;
// The longest line this code writes: two names, a type and the hex bytes.
constexpr int32_t LINE_LIMIT = 2 * NAME_LIMIT + 2 * VALUE_LIMIT + 32;
// Holds any line this code writes; longer lines pass through in pieces.
constexpr size_t READ_BUFFER_SIZE = 16384;
static_assert(READ_BUFFER_SIZE > static_cast<size_t>(LINE_LIMIT), "a whole value line fits the read buffer");

constexpr int32_t SYMLINK_HOPS = 40;
constexpr int32_t LOCK_ATTEMPTS = 100;
constexpr int32_t TEMPORARY_ATTEMPTS = 100;

// Windows error codes for the system's errors, beyond those in platform.h.
constexpr int32_t ERROR_PATH_NOT_FOUND = 3;
constexpr int32_t ERROR_TOO_MANY_OPEN_FILES = 4;
constexpr int32_t ERROR_WRITE_PROTECT = 19;
constexpr int32_t ERROR_DISK_FULL = 112;
constexpr int32_t ERROR_FILENAME_EXCED_RANGE = 206;
constexpr int32_t ERROR_CANTREAD = 1012;
constexpr int32_t ERROR_CANTWRITE = 1013;
constexpr int32_t ERROR_IO_DEVICE = 1117;
constexpr int32_t ERROR_CANT_RESOLVE_FILENAME = 1921;

char readBuffer[READ_BUFFER_SIZE];
char entryText[LINE_LIMIT];

// ------------------------------------------------------------ error codes

enum class Access { Reading, Writing };

// The Windows code for a failed system call. A missing file is "not found"
// when reading (the value is absent) and a missing folder when writing.
int32_t WindowsError(int error, Access access) {
    switch (error) {
        case ENOENT:
            return access == Access::Reading ? PLAT_ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
        case ETXTBSY:
            return PLAT_ERROR_ACCESS_DENIED;
        case EROFS:
            return ERROR_WRITE_PROTECT;
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case ENAMETOOLONG:
            return ERROR_FILENAME_EXCED_RANGE;
        case ELOOP:
            return ERROR_CANT_RESOLVE_FILENAME;
        case EMFILE:
        case ENFILE:
            return ERROR_TOO_MANY_OPEN_FILES;
        case EIO:
            return ERROR_IO_DEVICE;
        default:
            return access == Access::Reading ? ERROR_CANTREAD : ERROR_CANTWRITE;
    }
}

// A store that is not a plain file (a device, a FIFO, a directory) is
// refused as Windows refuses to open such a thing as a file.
constexpr int32_t NOT_A_REGULAR_FILE = PLAT_ERROR_ACCESS_DENIED;

// ------------------------------------------------------------------ paths

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

// Follows symbolic links from `path` (in place) to the name they end at,
// which need not exist yet. Returns 0 or a Windows error code.
int32_t ResolveLinks(char* path) {
    for (int32_t hop = 0; hop < SYMLINK_HOPS; ++hop) {
        struct stat info;
        if (lstat(path, &info) != 0) return errno == ENOENT ? 0 : WindowsError(errno, Access::Writing);
        if (!S_ISLNK(info.st_mode)) return 0;
        char target[PATH_LIMIT];
        const ssize_t length = readlink(path, target, sizeof target - 1);
        if (length < 0) return WindowsError(errno, Access::Writing);
        if (length >= static_cast<ssize_t>(sizeof target - 1)) return ERROR_FILENAME_EXCED_RANGE;
        target[length] = 0;
        // A relative target is relative to the folder that holds the link.
        char* slash = strrchr(path, '/');
        const size_t keep = (target[0] == '/' || slash == nullptr) ? 0 : static_cast<size_t>(slash - path + 1);
        if (keep + static_cast<size_t>(length) >= static_cast<size_t>(PATH_LIMIT)) return ERROR_FILENAME_EXCED_RANGE;
        memcpy(path + keep, target, static_cast<size_t>(length) + 1);
    }
    return ERROR_CANT_RESOLVE_FILENAME;
}

// The folder that holds `path`, for syncing it after a rename.
void FolderOf(const char* path, char* folder) {
    const char* slash = strrchr(path, '/');
    if (slash == nullptr) {
        strcpy(folder, ".");
    } else if (slash == path) {
        strcpy(folder, "/");
    } else {
        memcpy(folder, path, static_cast<size_t>(slash - path));
        folder[slash - path] = 0;
    }
}

// -------------------------------------------------------- reading by lines

// Reads a file in pieces through the fixed read buffer: a whole line (with
// its "\n") when it fits, otherwise as much of it as the buffer holds.
struct LineReader {
    int fd;
    size_t start;
    size_t end;
    bool atEnd;      // read() has reported the end of the file
    int error;       // errno of a failed read, else 0
    bool midLine;    // the last piece did not finish its line
};

LineReader StartReading(int fd) { return LineReader{fd, 0, 0, false, 0, false}; }

// The next piece; false at the end of the file or after a read error.
// `wholeLine` is true when the piece is one complete line.
bool NextPiece(LineReader* reader, const char** piece, size_t* length, bool* wholeLine) {
    for (;;) {
        const char* data = readBuffer + reader->start;
        const size_t available = reader->end - reader->start;
        const char* newline = static_cast<const char*>(memchr(data, '\n', available));
        const bool full = available == READ_BUFFER_SIZE;
        if (newline != nullptr || reader->atEnd || full) {
            if (available == 0) return false;
            *piece = data;
            *length = newline != nullptr ? static_cast<size_t>(newline - data + 1) : available;
            const bool endsLine = newline != nullptr || reader->atEnd;
            *wholeLine = !reader->midLine && endsLine;
            reader->midLine = !endsLine;
            reader->start += *length;
            return true;
        }
        memmove(readBuffer, data, available);
        reader->start = 0;
        reader->end = available;
        const ssize_t got = read(reader->fd, readBuffer + available, READ_BUFFER_SIZE - available);
        if (got < 0) {
            if (errno == EINTR) continue;
            reader->error = errno;
            return false;
        }
        if (got == 0) {
            reader->atEnd = true;
        } else {
            reader->end += static_cast<size_t>(got);
        }
    }
}

// ----------------------------------------------------------- store lines

// One line of the store split at its first three tabs; the pointers point
// into the line.
struct StoreLine {
    const char* key;
    size_t keyLength;
    const char* value;
    size_t valueLength;
    const char* type;
    size_t typeLength;
    const char* hex;
    size_t hexLength;
};

// Splits a whole line (its "\n" removed); false when it has fewer than four
// fields, so it is no value line at all.
bool SplitLine(const char* text, size_t length, StoreLine* line) {
    const char* fields[4];
    size_t lengths[4];
    const char* end = text + length;
    const char* p = text;
    for (int32_t i = 0; i < 3; ++i) {
        const char* tab = static_cast<const char*>(memchr(p, '\t', static_cast<size_t>(end - p)));
        if (tab == nullptr) return false;
        fields[i] = p;
        lengths[i] = static_cast<size_t>(tab - p);
        p = tab + 1;
    }
    fields[3] = p;
    lengths[3] = static_cast<size_t>(end - p);
    *line = StoreLine{fields[0], lengths[0], fields[1], lengths[1], fields[2], lengths[2], fields[3], lengths[3]};
    return true;
}

// Names compare without regard to ASCII case, as registry names do.
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

// True when the piece is a whole line that holds the named value.
bool IsLineOf(const char* piece, size_t length, const char* key, const char* value, StoreLine* line) {
    if (length > 0 && piece[length - 1] == '\n') --length;
    return SplitLine(piece, length, line) && EqualsIgnoreCase(line->key, line->keyLength, key) &&
           EqualsIgnoreCase(line->value, line->valueLength, value);
}

int32_t HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The type field: decimal digits that fit 32 bits.
bool ParseType(const char* text, size_t length, uint32_t* type) {
    if (length == 0 || length > 10) return false;
    uint64_t number = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        number = number * 10 + static_cast<uint64_t>(text[i] - '0');
    }
    if (number > 0xFFFFFFFFu) return false;
    *type = static_cast<uint32_t>(number);
    return true;
}

bool IsHexText(const char* text, size_t length) {
    if (length % 2 != 0) return false;
    for (size_t i = 0; i < length; ++i) {
        if (HexValue(text[i]) < 0) return false;
    }
    return true;
}

// Answers a read from the value's line, as RegQueryValueExW would.
int32_t AnswerRead(const StoreLine& line, uint32_t* type, uint8_t* data, uint32_t* size) {
    uint32_t storedType = 0;
    if (!ParseType(line.type, line.typeLength, &storedType) || !IsHexText(line.hex, line.hexLength)) {
        return PLAT_ERROR_INVALID_DATA;
    }
    const uint32_t needed = static_cast<uint32_t>(line.hexLength / 2);
    if (type != nullptr) *type = storedType;
    if (data == nullptr || needed > *size) {
        *size = needed;
        return data == nullptr ? PLAT_ERROR_SUCCESS : PLAT_ERROR_MORE_DATA;
    }
    for (uint32_t i = 0; i < needed; ++i) {
        data[i] = static_cast<uint8_t>(HexValue(line.hex[2 * i]) * 16 + HexValue(line.hex[2 * i + 1]));
    }
    *size = needed;
    return PLAT_ERROR_SUCCESS;
}

bool NarrowNames(const char16_t* key, const char16_t* value, char* narrowKey, char* narrowValue) {
    return Utf16ToUtf8(key, -1, narrowKey, NAME_LIMIT) >= 0 && Utf16ToUtf8(value, -1, narrowValue, NAME_LIMIT) >= 0 &&
           strpbrk(narrowKey, "\t\n") == nullptr && strpbrk(narrowValue, "\t\n") == nullptr;
}

// The store line of a value, with its "\n"; its length.
int32_t FormatEntry(const char* key, const char* value, uint32_t type, const uint8_t* data, uint32_t size) {
    static const char kHex[] = "0123456789abcdef";
    int32_t used = snprintf(entryText, sizeof entryText, "%s\t%s\t%u\t", key, value, type);
    for (uint32_t i = 0; i < size; ++i) {
        entryText[used++] = kHex[data[i] >> 4];
        entryText[used++] = kHex[data[i] & 15];
    }
    entryText[used++] = '\n';
    return used;
}

// ----------------------------------------------------------------- writing

// Writes all bytes; 0 or a Windows error code.
int32_t WriteAll(int fd, const char* bytes, size_t count) {
    while (count > 0) {
        const ssize_t done = write(fd, bytes, count);
        if (done < 0) {
            if (errno == EINTR) continue;
            return WindowsError(errno, Access::Writing);
        }
        bytes += done;
        count -= static_cast<size_t>(done);
    }
    return PLAT_ERROR_SUCCESS;
}

// Opens the store at `path` (no link: resolved before) for reading and takes
// an exclusive lock on it, creating an empty store when there is none. The
// lock is on the file now at `path`: when another writer renamed a new store
// over it while this one waited, the new store is opened and locked instead.
int32_t OpenLockedStore(const char* path, int* fd, struct stat* info, bool* created) {
    const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    for (int32_t attempt = 0; attempt < LOCK_ATTEMPTS; ++attempt) {
        struct stat seen;
        if (lstat(path, &seen) == 0) {
            if (!S_ISREG(seen.st_mode)) return NOT_A_REGULAR_FILE;
        } else if (errno != ENOENT) {
            return WindowsError(errno, Access::Writing);
        }
        int store = open(path, flags | O_CREAT | O_EXCL, 0600);
        *created = store >= 0;
        if (store < 0 && errno == EEXIST) {
            store = open(path, flags);
            if (store < 0 && errno == ENOENT) continue;  // removed in between: look again
        }
        if (store < 0) return WindowsError(errno, Access::Writing);
        if (fstat(store, info) != 0 || !S_ISREG(info->st_mode)) {
            close(store);
            return NOT_A_REGULAR_FILE;
        }
        while (flock(store, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            const int32_t code = WindowsError(errno, Access::Writing);
            close(store);
            return code;
        }
        struct stat now;
        if (lstat(path, &now) == 0 && now.st_dev == info->st_dev && now.st_ino == info->st_ino) {
            *fd = store;
            return PLAT_ERROR_SUCCESS;
        }
        close(store);
    }
    return ERROR_CANTWRITE;
}

// Creates a new, empty file with a name of its own beside `path`, never
// through a link; its name goes to `temporary`.
int32_t CreateTemporary(const char* path, char* temporary, size_t size, int* fd) {
    static uint32_t counter = 0;
    for (int32_t attempt = 0; attempt < TEMPORARY_ATTEMPTS; ++attempt) {
        const int length = snprintf(temporary, size, "%s.%ld.%u.tmp", path, static_cast<long>(getpid()), ++counter);
        if (length < 0 || static_cast<size_t>(length) >= size) return ERROR_FILENAME_EXCED_RANGE;
        *fd = open(temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (*fd >= 0) return PLAT_ERROR_SUCCESS;
        if (errno != EEXIST) return WindowsError(errno, Access::Writing);
    }
    return ERROR_CANTWRITE;
}

// Gives the new file the old one's mode and, where allowed, its owner.
int32_t CopyModeAndOwner(int fd, const struct stat& old) {
    if ((old.st_uid != geteuid() || old.st_gid != getegid()) && fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Only a privileged writer can give the file away; otherwise the new
        // file is the writer's, as any replaced file would be.
    }
    if (fchmod(fd, old.st_mode & 07777) != 0) return WindowsError(errno, Access::Writing);
    return PLAT_ERROR_SUCCESS;
}

// Copies the store to `out` line by line; the first line of the value
// becomes `entry` and later lines of it are dropped; without one, `entry`
// goes last. Every other byte is copied unchanged.
int32_t CopyReplacing(int store, int out, const char* key, const char* value, const char* entry, size_t entryLength) {
    LineReader reader = StartReading(store);
    const char* piece = nullptr;
    size_t length = 0;
    bool wholeLine = false;
    bool replaced = false;
    char lastByte = '\n';
    while (NextPiece(&reader, &piece, &length, &wholeLine)) {
        StoreLine line;
        if (wholeLine && IsLineOf(piece, length, key, value, &line)) {
            if (replaced) continue;
            replaced = true;
            // The value's line keeps its line end, or lack of one.
            const bool ended = piece[length - 1] == '\n';
            const int32_t code = WriteAll(out, entry, ended ? entryLength : entryLength - 1);
            if (code != PLAT_ERROR_SUCCESS) return code;
            lastByte = ended ? '\n' : 'x';
            continue;
        }
        const int32_t code = WriteAll(out, piece, length);
        if (code != PLAT_ERROR_SUCCESS) return code;
        lastByte = piece[length - 1];
    }
    if (reader.error != 0) return WindowsError(reader.error, Access::Reading);
    if (replaced) return PLAT_ERROR_SUCCESS;
    if (lastByte != '\n') {
        const int32_t code = WriteAll(out, "\n", 1);
        if (code != PLAT_ERROR_SUCCESS) return code;
    }
    return WriteAll(out, entry, entryLength);
}

// Makes a finished new file durable and puts it in the store's place; then
// makes the rename durable too. `renamed` tells whether the store was replaced.
int32_t CommitTemporary(int out, const char* temporary, const char* path, bool* renamed) {
    if (fsync(out) != 0) return WindowsError(errno, Access::Writing);
    if (rename(temporary, path) != 0) return WindowsError(errno, Access::Writing);
    *renamed = true;
    char folder[PATH_LIMIT];
    FolderOf(path, folder);
    const int directory = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0) return WindowsError(errno, Access::Writing);
    const bool synced = fsync(directory) == 0;
    const int error = errno;
    close(directory);
    return synced ? PLAT_ERROR_SUCCESS : WindowsError(error, Access::Writing);
}

// The read-modify-write of one value, under the store's lock.
int32_t RewriteStore(const char* path, const char* key, const char* value, const char* entry, size_t entryLength) {
    int store = -1;
    struct stat info;
    bool created = false;
    int32_t code = OpenLockedStore(path, &store, &info, &created);
    if (code != PLAT_ERROR_SUCCESS) return code;

    char temporary[PATH_LIMIT + 64];
    int out = -1;
    code = CreateTemporary(path, temporary, sizeof temporary, &out);
    bool renamed = false;
    if (code == PLAT_ERROR_SUCCESS) {
        code = CopyModeAndOwner(out, info);
        if (code == PLAT_ERROR_SUCCESS) code = CopyReplacing(store, out, key, value, entry, entryLength);
        if (code == PLAT_ERROR_SUCCESS) code = CommitTemporary(out, temporary, path, &renamed);
        if (close(out) != 0 && code == PLAT_ERROR_SUCCESS) code = WindowsError(errno, Access::Writing);
        if (!renamed) unlink(temporary);
    }
    // An empty store made only to hold the lock goes again when nothing came of it.
    if (code != PLAT_ERROR_SUCCESS && created && !renamed) unlink(path);
    close(store);
    return code;
}

}  // namespace

namespace platform_default {

int32_t RegistryRead(const char16_t* key, const char16_t* value, uint32_t* type, uint8_t* data, uint32_t* size) {
    char path[PATH_LIMIT];
    char narrowKey[NAME_LIMIT];
    char narrowValue[NAME_LIMIT];
    if (!StorePath(path, false)) return PLAT_ERROR_FILE_NOT_FOUND;
    if (!NarrowNames(key, value, narrowKey, narrowValue)) return PLAT_ERROR_FILE_NOT_FOUND;

    // Links are followed; what they end at must be a plain file, checked
    // before opening and again on what was opened.
    struct stat info;
    if (stat(path, &info) != 0) return WindowsError(errno, Access::Reading);
    if (!S_ISREG(info.st_mode)) return NOT_A_REGULAR_FILE;
    const int store = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (store < 0) return WindowsError(errno, Access::Reading);
    if (fstat(store, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(store);
        return NOT_A_REGULAR_FILE;
    }

    LineReader reader = StartReading(store);
    const char* piece = nullptr;
    size_t length = 0;
    bool wholeLine = false;
    int32_t code = PLAT_ERROR_FILE_NOT_FOUND;
    while (NextPiece(&reader, &piece, &length, &wholeLine)) {
        StoreLine line;
        if (!wholeLine || !IsLineOf(piece, length, narrowKey, narrowValue, &line) || line.valueLength == 0) continue;
        code = AnswerRead(line, type, data, size);
        break;
    }
    if (reader.error != 0) code = WindowsError(reader.error, Access::Reading);
    close(store);
    return code;
}

int32_t RegistryWrite(const char16_t* key, const char16_t* value, uint32_t type, const uint8_t* data, uint32_t size) {
    char path[PATH_LIMIT];
    char narrowKey[NAME_LIMIT];
    char narrowValue[NAME_LIMIT];
    if (!StorePath(path, true)) return PLAT_ERROR_FILE_NOT_FOUND;
    if (!NarrowNames(key, value, narrowKey, narrowValue) || size > VALUE_LIMIT) return PLAT_ERROR_INVALID_DATA;
    const int32_t resolved = ResolveLinks(path);
    if (resolved != PLAT_ERROR_SUCCESS) return resolved;
    const int32_t entryLength = FormatEntry(narrowKey, narrowValue, type, data, size);
    return RewriteStore(path, narrowKey, narrowValue, entryText, static_cast<size_t>(entryLength));
}

}  // namespace platform_default

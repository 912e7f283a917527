// POSIX stand-ins for the help viewer: a program named plumquist-viewer,
// found in the absolute directories of PATH, runs as a child process with
// the command line split into its arguments. It is ended only while it is
// still this process's own unreaped child, and always reaped, so no zombie
// stays and no stranger's process is ever signalled. It counts as idle for
// input once it sleeps. There are no windows here: finding one reports
// none, and messages go nowhere.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/platform.h"
#include "abi/utf8.h"

namespace {

constexpr char kViewerName[] = "plumquist-viewer";

// The viewer's path and command line in UTF-8, and its argument vector; kept
// static because the child uses them after fork, where nothing may allocate.
constexpr int32_t NARROW_LEN = 3 * MAX_ARG_LEN;
constexpr int32_t MAX_VIEWER_ARGS = 64;
char narrowApplication[NARROW_LEN];
char narrowCommandLine[NARROW_LEN];
char* viewerArguments[MAX_VIEWER_ARGS + 1];

// The most descriptors closed one by one where the system cannot mark them
// all at once.
constexpr long DESCRIPTOR_LIMIT = 65536;

// Splits a command line in place the way a Windows program reads its own:
// blanks separate arguments outside double quotes, and the quotes group and
// are dropped. Returns the number of arguments, or -1 for too many.
int32_t SplitCommandLine(char* line, char** arguments, int32_t most) {
    int32_t count = 0;
    char* read = line;
    for (;;) {
        while (*read == ' ' || *read == '\t') ++read;
        if (*read == 0) break;
        if (count == most) return -1;
        char* write = read;
        arguments[count++] = write;
        bool quoted = false;
        while (*read != 0 && (quoted || (*read != ' ' && *read != '\t'))) {
            if (*read == '"') {
                quoted = !quoted;
                ++read;
                continue;
            }
            *write++ = *read++;
        }
        const bool more = *read != 0;
        *write = 0;
        if (more) ++read;
    }
    arguments[count] = nullptr;
    return count;
}

// In the child, before exec: every descriptor but 0, 1, 2 and keep is
// closed or marked to close, as a Windows process inherits no handles.
void DropInheritedDescriptors(int keep, long limit) {
#ifdef SYS_close_range
    constexpr unsigned CLOSE_RANGE_CLOEXEC_FLAG = 4;  // keep stays open until exec
    if (syscall(SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC_FLAG) == 0) return;
#endif
    for (long fd = 3; fd < limit; ++fd) {
        if (fd != keep) close(static_cast<int>(fd));
    }
}

// The child's side of StartProcess: standard streams on /dev/null, exec, and
// on failure the error number through the status pipe. Async-signal-safe
// calls only.
[[noreturn]] void RunViewerChild(int statusWrite, long descriptorLimit) {
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        if (null > 2) close(null);
    }
    DropInheritedDescriptors(statusWrite, descriptorLimit);
    execv(narrowApplication, viewerArguments);
    const int error = errno;
    ssize_t ignored = write(statusWrite, &error, sizeof error);
    (void)ignored;
    _exit(127);
}

// How often WaitInputIdle looks at the process.
constexpr uint32_t IDLE_POLL_MS = 10;

// The state letter of a process from its /proc stat file; 0 when unreadable.
char ProcessState(const char* statPath) {
    const int file = open(statPath, O_RDONLY | O_CLOEXEC);
    if (file < 0) return 0;
    char text[512];
    const ssize_t got = read(file, text, sizeof text - 1);
    close(file);
    if (got <= 0) return 0;
    text[got] = 0;
    // The name in parentheses may hold anything; the state follows the last ")".
    const char* end = strrchr(text, ')');
    return end != nullptr && end[1] == ' ' ? end[2] : 0;
}

void Reap(pid_t child) {
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

namespace platform_default {

int32_t FindViewerProgram(char16_t* destination, int32_t size) {
    if (destination == nullptr || size <= 0) return 0;
    destination[0] = 0;
    const char* path = getenv("PATH");
    if (path == nullptr) return 0;
    char candidate[4096];
    while (*path != 0) {
        const char* end = strchr(path, ':');
        const size_t length = end != nullptr ? static_cast<size_t>(end - path) : strlen(path);
        // Relative entries (and the empty one, the current directory) would
        // let whoever controls the current directory choose the viewer.
        if (length > 0 && path[0] == '/' && length + 1 + sizeof kViewerName <= sizeof candidate) {
            memcpy(candidate, path, length);
            candidate[length] = '/';
            memcpy(candidate + length + 1, kViewerName, sizeof kViewerName);
            struct stat info;
            if (stat(candidate, &info) == 0 && S_ISREG(info.st_mode) && access(candidate, X_OK) == 0) {
                const int32_t converted = Utf8ToUtf16(candidate, destination, size);
                if (converted > 0) return converted;
                destination[0] = 0;
                return 0;
            }
        }
        if (end == nullptr) break;
        path = end + 1;
    }
    return 0;
}

int32_t StartProcess(const char16_t* application, char16_t* commandLine, uint32_t* processId,
                     ProcessHandle* process) {
    if (application == nullptr || commandLine == nullptr) return 0;
    if (Utf16ToUtf8(application, -1, narrowApplication, NARROW_LEN) < 0) return 0;
    if (Utf16ToUtf8(commandLine, -1, narrowCommandLine, NARROW_LEN) < 0) return 0;
    if (SplitCommandLine(narrowCommandLine, viewerArguments, MAX_VIEWER_ARGS) <= 0) return 0;

    long descriptorLimit = sysconf(_SC_OPEN_MAX);
    if (descriptorLimit < 0 || descriptorLimit > DESCRIPTOR_LIMIT) descriptorLimit = DESCRIPTOR_LIMIT;

    // The status pipe closes itself at exec: nothing comes through it when
    // the program runs, the error number when it could not be started.
    int status[2];
    if (pipe2(status, O_CLOEXEC) != 0) return 0;
    const pid_t child = fork();
    if (child == 0) RunViewerChild(status[1], descriptorLimit);
    close(status[1]);
    if (child < 0) {
        close(status[0]);
        return 0;
    }
    int error = 0;
    ssize_t got;
    do {
        got = read(status[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(status[0]);
    if (got > 0) {
        Reap(child);
        return 0;
    }
    *processId = static_cast<uint32_t>(child);
    *process = static_cast<ProcessHandle>(child);
    return 1;
}

// A pid is only ever signalled while waitpid still knows it as this
// process's unreaped child: until it is reaped no other process can get that
// number. A child that has already ended is reaped instead; a pid that is no
// child of ours is left alone. The exit code of a killed program is the
// signal's, so exitCode has no use here.
int32_t EndProcess(ProcessHandle process, uint32_t /*exitCode*/) {
    if (process <= 0) return 0;
    const pid_t child = static_cast<pid_t>(process);
    pid_t state;
    do {
        state = waitpid(child, nullptr, WNOHANG);
    } while (state < 0 && errno == EINTR);
    if (state != 0) return 0;  // reaped just now, or not our child
    if (kill(child, SIGKILL) != 0) return 0;
    Reap(child);
    return 1;
}

// A pid holds no resource of its own; EndProcess has reaped the child.
void CloseProcess(ProcessHandle /*process*/) {}

// A program idle for input is blocked waiting for it: the nearest POSIX sign
// of that is a process asleep ("S" in /proc/PID/stat). Without /proc, or
// once the process has ended, there is nothing to wait for.
uint32_t WaitInputIdle(ProcessHandle process, uint32_t milliseconds) {
    if (process <= 0) return PLAT_WAIT_FAILED;
    char path[64];
    snprintf(path, sizeof path, "/proc/%ld/stat", static_cast<long>(process));
    for (uint32_t waited = 0;; waited += IDLE_POLL_MS) {
        switch (ProcessState(path)) {
            case 'S':
                return PLAT_WAIT_IDLE;
            case 0:
            case 'Z':
            case 'X':
                return PLAT_WAIT_FAILED;
            default:
                break;
        }
        if (waited >= milliseconds) return PLAT_WAIT_TIMEOUT;
        SleepMs(IDLE_POLL_MS);
    }
}

WindowHandle FindTopWindow(uint32_t /*processId*/, const char16_t* /*className*/) { return 0; }

WindowHandle FindDescendant(WindowHandle /*window*/, const char16_t* /*className*/, int32_t /*controlId*/) {
    return 0;
}

int32_t PostWindowMessage(WindowHandle /*window*/, uint32_t /*message*/, uintptr_t /*wParam*/,
                          intptr_t /*lParam*/) {
    return 0;
}

intptr_t SendWindowMessage(WindowHandle /*window*/, uint32_t /*message*/, uintptr_t /*wParam*/,
                           intptr_t /*lParam*/) {
    return 0;
}

void SleepMs(uint32_t milliseconds) {
    struct timespec remaining = {static_cast<time_t>(milliseconds / 1000),
                                 static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

}  // namespace platform_default

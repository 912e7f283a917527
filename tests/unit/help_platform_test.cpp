// The backends' own help-viewer entries: full paths, plain files, where the
// viewer program is taken from and, on POSIX, that only our own child is
// ever ended, and always reaped.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/platform.h"
#include "test_support.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

namespace {

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

TEST(HelpPlatform, FullPathsNeedNoCurrentDriveOrDirectory) {
    struct PathCase {
        const char16_t* path;
        bool full;
    };
#if defined(_WIN32)
    const PathCase cases[] = {
        {u"C:\\help\\Plumquist.chm", true},
        {u"z:\\x", true},
        {u"\\\\server\\share\\Plumquist.chm", true},
        {u"\\\\server\\share", false},
        {u"\\\\server\\\\x", false},
        {u"\\\\\\share\\x", false},
        {u"\\Plumquist.chm", false},
        {u"C:Plumquist.chm", false},
        {u"help\\Plumquist.chm", false},
        {u"/help/Plumquist.chm", false},
        {u"1:\\x", false},
        {u"", false},
        {nullptr, false},
    };
#else
    const PathCase cases[] = {
        {u"/help/Plumquist.chm", true},
        {u"\\help\\Plumquist.chm", false},
        {u"help/Plumquist.chm", false},
        {nullptr, false},
    };
#endif
    for (const PathCase& c : cases) {
        EXPECT_EQ(PlatIsFullPath(c.path) != 0, c.full) << (c.path ? Narrow(c.path) : "null");
    }
}

TEST(HelpPlatform, PlainFilesAreNeitherDirectoriesNorDevices) {
    WriteFile("plain-file.chm", "x");
    struct FileCase {
        const char16_t* path;
        bool plain;
    };
    const FileCase cases[] = {
        {u"plain-file.chm", true},
        {u".", false},
        {u"no-such-file.chm", false},
        {u"", false},
        {nullptr, false},
#if !defined(_WIN32)
        {u"/dev/null", false},
#endif
    };
    for (const FileCase& c : cases) {
        EXPECT_EQ(PlatIsPlainFile(c.path) != 0, c.plain) << (c.path ? Narrow(c.path) : "null");
    }
    std::remove("plain-file.chm");
}

#if defined(_WIN32)

// hh.exe is taken from the Windows directory even when the application's
// directory and the current directory hold one too.
TEST(HelpPlatform, ViewerComesFromTheWindowsDirectoryOnly) {
    wchar_t directory[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(directory, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::u16string expected = std::u16string(reinterpret_cast<char16_t*>(directory), length) + u"\\hh.exe";
    ASSERT_NE(GetFileAttributesW(reinterpret_cast<const wchar_t*>(expected.c_str())), INVALID_FILE_ATTRIBUTES)
        << "the Wine prefix has no " << Narrow(expected);

    wchar_t program[MAX_PATH];
    const DWORD programLength = GetModuleFileNameW(nullptr, program, MAX_PATH);
    ASSERT_GT(programLength, 0u);
    std::wstring planted(program, programLength);
    planted = planted.substr(0, planted.find_last_of(L'\\') + 1) + L"hh.exe";
    const std::wstring plantedHere = L"hh.exe";
    for (const std::wstring& plant : {planted, plantedHere}) {
        HANDLE file = CreateFileW(plant.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }

    char16_t found[MAX_ARG_LEN];
    const int32_t foundLength = PlatFindViewerProgram(found, MAX_ARG_LEN);
    DeleteFileW(planted.c_str());
    DeleteFileW(plantedHere.c_str());
    EXPECT_EQ(std::u16string(found), expected);
    EXPECT_EQ(foundLength, static_cast<int32_t>(expected.size()));
    EXPECT_EQ(PlatFindViewerProgram(found, static_cast<int32_t>(expected.size())), 0) << "no room: none";
}

#else

std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// Sets PATH for the life of the object.
class PathScope {
public:
    explicit PathScope(const std::string& path) {
        const char* old = getenv("PATH");
        hadPath_ = old != nullptr;
        if (hadPath_) old_ = old;
        setenv("PATH", path.c_str(), 1);
    }
    ~PathScope() {
        if (hadPath_) {
            setenv("PATH", old_.c_str(), 1);
        } else {
            unsetenv("PATH");
        }
    }

private:
    bool hadPath_ = false;
    std::string old_;
};

std::string CurrentDirectory() {
    char directory[4096];
    return getcwd(directory, sizeof directory) != nullptr ? directory : "";
}

// A program in a new directory under the working folder; its full path.
std::string MakeProgram(const std::string& directory, const std::string& script, mode_t mode) {
    mkdir(directory.c_str(), 0700);
    const std::string path = directory + "/plumquist-viewer";
    WriteFile(path, script);
    chmod(path.c_str(), mode);
    return CurrentDirectory() + "/" + path;
}

TEST(HelpPlatform, ViewerComesFromAbsolutePathDirectoriesOnly) {
    const std::string script = "#!/bin/sh\nexit 0\n";
    const std::string usable = MakeProgram("viewer-usable", script, 0700);
    MakeProgram("viewer-relative", script, 0700);
    MakeProgram("viewer-not-executable", script, 0600);
    WriteFile("plumquist-viewer", script);
    chmod("plumquist-viewer", 0700);
    const std::string here = CurrentDirectory();
    const std::string notExecutableDirectory = here + "/viewer-not-executable";
    struct SearchCase {
        std::string path;
        std::string found;
    };
    const SearchCase cases[] = {
        {here + "/viewer-usable", usable},
        {notExecutableDirectory + ":" + here + "/viewer-usable", usable},
        {"viewer-relative", ""},
        {".", ""},
        {":", ""},
        {"", ""},
        {notExecutableDirectory, ""},
        {"viewer-relative::" + here + "/viewer-usable", usable},
    };
    for (const SearchCase& c : cases) {
        SCOPED_TRACE("PATH=" + c.path);
        PathScope path(c.path);
        char16_t found[MAX_ARG_LEN] = {u'#', 0};
        const int32_t length = PlatFindViewerProgram(found, MAX_ARG_LEN);
        EXPECT_EQ(Narrow(found), c.found);
        EXPECT_EQ(length, static_cast<int32_t>(c.found.size()));
    }
    std::remove("plumquist-viewer");
}

TEST(HelpPlatform, StartedViewerGetsItsArgumentsAndIsEndedAndReaped) {
    const std::string program =
        MakeProgram("viewer-arguments", "#!/bin/sh\nprintf '%s|' \"$@\" > arguments.txt\nexec sleep 30\n", 0700);
    std::remove("arguments.txt");
    std::u16string commandLine = u"\"" + Widen(program) + u"\" \"a b\" c\t\"\"d";
    uint32_t processId = 0;
    ProcessHandle process = 0;
    ASSERT_NE(PlatStartProcess(Widen(program).c_str(), &commandLine[0], &processId, &process), 0);
    EXPECT_EQ(static_cast<intptr_t>(processId), process);
    std::string arguments;
    for (int tries = 0; tries < 500 && arguments.empty(); ++tries) {
        std::ifstream file("arguments.txt");
        std::getline(file, arguments);
        if (arguments.empty()) PlatSleepMs(10);
    }
    EXPECT_EQ(arguments, "a b|c|d|");
    // Asleep in "sleep 30": waiting, as a viewer waits for input.
    EXPECT_EQ(PlatWaitInputIdle(process, 8000), PLAT_WAIT_IDLE);

    EXPECT_NE(PlatEndProcess(process, 0), 0);
    errno = 0;
    EXPECT_EQ(waitpid(static_cast<pid_t>(process), nullptr, WNOHANG), -1) << "reaped";
    EXPECT_EQ(errno, ECHILD);
    EXPECT_EQ(PlatEndProcess(process, 0), 0) << "a second end touches nothing";
    EXPECT_EQ(PlatWaitInputIdle(process, 8000), PLAT_WAIT_FAILED) << "gone: nothing to wait for";
    PlatCloseProcess(process);
}

TEST(HelpPlatform, AViewerThatNeverWaitsIsNotIdle) {
    std::u16string commandLine = u"\"/bin/sh\" -c \"while :; do :; done\"";
    uint32_t processId = 0;
    ProcessHandle process = 0;
    ASSERT_NE(PlatStartProcess(u"/bin/sh", &commandLine[0], &processId, &process), 0);
    EXPECT_EQ(PlatWaitInputIdle(process, 100), PLAT_WAIT_TIMEOUT);
    EXPECT_NE(PlatEndProcess(process, 0), 0);
}

TEST(HelpPlatform, AProgramThatCannotRunIsNotStartedAndLeavesNoChild) {
    const std::string notExecutable = MakeProgram("viewer-cannot-run", "#!/bin/sh\n", 0600);
    for (const std::string& program : {notExecutable, std::string("/no/such/viewer")}) {
        SCOPED_TRACE(program);
        std::u16string commandLine = u"\"" + Widen(program) + u"\"";
        uint32_t processId = 0;
        ProcessHandle process = 0;
        EXPECT_EQ(PlatStartProcess(Widen(program).c_str(), &commandLine[0], &processId, &process), 0);
        EXPECT_EQ(process, 0);
        errno = 0;
        EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "no child left, not even a zombie";
        EXPECT_EQ(errno, ECHILD);
    }
}

// True while the process runs (a zombie no longer does).
bool IsRunning(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const size_t state = line.rfind(')') + 2;
    return state < line.size() && line[state] != 'Z' && line[state] != 'X';
}

TEST(HelpPlatform, OnlyOurOwnUnreapedChildIsEverEnded) {
    // A child that has ended by itself is reaped, not signalled.
    std::u16string commandLine = u"\"/bin/sh\" -c \"exit 0\"";
    uint32_t processId = 0;
    ProcessHandle process = 0;
    ASSERT_NE(PlatStartProcess(u"/bin/sh", &commandLine[0], &processId, &process), 0);
    // Wait for its exit without reaping it: it stays a zombie, our child.
    for (int tries = 0; tries < 500; ++tries) {
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(process), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0) {
            break;
        }
        PlatSleepMs(10);
    }
    EXPECT_EQ(PlatEndProcess(process, 0), 0);
    errno = 0;
    EXPECT_EQ(waitpid(static_cast<pid_t>(process), nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    // A grandchild is no child of ours: it is left running.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const pid_t grandchild = fork();
        if (grandchild == 0) {
            execl("/bin/sleep", "sleep", "30", static_cast<char*>(nullptr));
            _exit(127);
        }
        ssize_t ignored = write(pipeEnds[1], &grandchild, sizeof grandchild);
        (void)ignored;
        _exit(0);
    }
    pid_t grandchild = 0;
    ASSERT_EQ(read(pipeEnds[0], &grandchild, sizeof grandchild), static_cast<ssize_t>(sizeof grandchild));
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(PlatEndProcess(static_cast<ProcessHandle>(grandchild), 0), 0);
    PlatSleepMs(50);
    EXPECT_TRUE(IsRunning(grandchild)) << "a stranger's process is never signalled";
    kill(grandchild, SIGKILL);
    EXPECT_EQ(PlatEndProcess(0, 0), 0);
}

TEST(HelpPlatform, AMessageBoxIsALineOnStandardError) {
    // Without windows, the message for a missing help file is told on the
    // process's standard error (descriptor 2), caption first.
    const std::string path = "message-box.txt";
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(file, 0);
    const int saved = dup(2);
    ASSERT_GE(saved, 0);
    dup2(file, 2);
    PlatShowMessageBox(u"Cannot find \x201CPlumquist.chm\x201D\r\n%s", u"Plumquist \xD83D\xDCD6");
    dup2(saved, 2);
    close(saved);
    close(file);
    std::ifstream written(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "Plumquist \xF0\x9F\x93\x96: Cannot find \xE2\x80\x9CPlumquist.chm\xE2\x80\x9D\r\n%s\n");
    std::remove(path.c_str());
}

#endif

}  // namespace

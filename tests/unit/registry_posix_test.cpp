// The POSIX backend's file of registry values, seen as a file: whatever it
// holds besides the value written survives byte for byte, concurrent writers
// lose nothing, and only a regular file is ever read or replaced.
#if !defined(_WIN32)

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "abi/exports.h"
#include "captured_output.h"
#include "charset/registry_store.h"
#include "charset/unsafe_command.h"
#include "charset/unsafe_set.h"
#include "platform/platform.h"
#include "test_support.h"

extern "C" int32_t PLUM_CALL InitializePlugin(void);

// Durability failures on demand: the test program is linked with
// --wrap=fsync, so every fsync in it (the store's among them) comes here
// first. While armed, the syncs of the chosen kind of file fail with EIO.
enum class FsyncFault { NONE, FILE, FOLDER };
static FsyncFault fsyncFault = FsyncFault::NONE;
static int fsyncFailures = 0;

extern "C" int __real_fsync(int fd);
extern "C" int __wrap_fsync(int fd) {
    struct stat info;
    if (fsyncFault != FsyncFault::NONE && fstat(fd, &info) == 0 &&
        S_ISDIR(info.st_mode) == (fsyncFault == FsyncFault::FOLDER)) {
        ++fsyncFailures;
        errno = EIO;
        return -1;
    }
    return __real_fsync(fd);
}

namespace {

namespace fs = std::filesystem;

constexpr int32_t ERROR_PATH_NOT_FOUND = 3;
constexpr int32_t ERROR_IO_DEVICE = 1117;
constexpr int32_t ERROR_CANT_RESOLVE_FILENAME = 1921;

const char kFolder[] = "posix-store";
const char kUnsafeKey[] = "SOFTWARE\\VIDaveruz\\Plumquist\tUnsafe";

std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
}

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

// The store line of the unsafe set, as the backend writes it.
std::string UnsafeLine(const std::string& bytes) { return std::string(kUnsafeKey) + "\t3\t" + Hex(bytes) + "\n"; }

// `count` lines of other values, `hexLength` hex digits each.
std::string OtherValues(int count, size_t hexLength, const char* prefix = "Other") {
    std::string lines;
    for (int i = 0; i < count; ++i) {
        lines += "SOFTWARE\\Elsewhere\t" + std::string(prefix) + std::to_string(i) + "\t3\t" +
                 std::string(hexLength, "0123456789abcdef"[i % 16]) + "\n";
    }
    return lines;
}

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

int32_t WriteValue(const std::string& name, const std::string& bytes) {
    return PlatRegistryWrite(u"SOFTWARE\\Elsewhere", Wide(name).c_str(), PLAT_REG_BINARY,
                             reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
}

int32_t ReadValue(const std::string& name, std::string* bytes) {
    uint8_t data[4096];
    uint32_t size = sizeof data;
    const int32_t code = PlatRegistryRead(u"SOFTWARE\\Elsewhere", Wide(name).c_str(), nullptr, data, &size);
    if (code == 0) bytes->assign(reinterpret_cast<const char*>(data), size);
    return code;
}

// The set whose only dangerous character is the space, and its 12 bytes.
const std::string kSpaceOnly("\x01\0\0\0\0\0\0\0\0\0\0\0", 12);

void SetSpaceOnly() {
    for (int32_t& flag : unsafeSet) flag = 0;
    unsafeSet[0] = 1;
}

// Runs `body` in a child process and gives its exit status; a child still
// running after `seconds` (blocked, for example on a FIFO) is killed and
// gives -1.
int RunInChild(const std::function<int()>& body, int seconds) {
    const pid_t child = fork();
    if (child == 0) _exit(body());
    for (int waited = 0; waited < seconds * 100; ++waited) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -2;
        usleep(10000);
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    return -1;
}

// Names in the folder that a writer may have left behind.
std::vector<std::string> LeftOvers(const std::string& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.find(".tmp") != std::string::npos) names.push_back(name);
    }
    return names;
}

class PosixStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* previous = getenv("PLUMQUIST_REGISTRY");
        hadPrevious_ = previous != nullptr;
        if (hadPrevious_) previous_ = previous;
        fs::remove_all(kFolder);
        fs::create_directory(kFolder);
        UseStore(Path("registry"));
        SetDefaultUnsafe();
    }
    void TearDown() override {
        if (hadPrevious_) {
            setenv("PLUMQUIST_REGISTRY", previous_.c_str(), 1);
        } else {
            unsetenv("PLUMQUIST_REGISTRY");
        }
        PlatRestoreAll();
        SetDefaultUnsafe();
        fsyncFault = FsyncFault::NONE;
        fs::remove_all(kFolder);
    }

    static std::string Path(const std::string& name) { return std::string(kFolder) + "/" + name; }
    static void UseStore(const std::string& path) { setenv("PLUMQUIST_REGISTRY", path.c_str(), 1); }

private:
    bool hadPrevious_ = false;
    std::string previous_;
};

TEST_F(PosixStoreTest, SavingKeepsEveryOtherByteOfTheStore) {
    // "{old}" is a line of the unsafe set before the save, "{new}" the line
    // the save writes; every other byte must come out as it went in.
    std::string random;
    uint32_t seed = 12345;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245u + 12345u;
        random += static_cast<char>(seed >> 16);
    }
    const std::string big = OtherValues(500, 200);  // about 110 KB
    struct Case {
        const char* label;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"500 other values", big, big + "{new}"},
        {"the value amid 110 KB", big + "{old}" + big, big + "{new}" + big},
        {"3000 random bytes", random, random + (random.back() == '\n' ? "" : "\n") + "{new}"},
        {"a NUL byte", std::string("SOFTWARE\\Elsewhere\tNul\t3\t00\0ff\n", 31) + "{old}tail\n",
         std::string("SOFTWARE\\Elsewhere\tNul\t3\t00\0ff\n", 31) + "{new}tail\n"},
        {"lines the store does not write",
         "no tabs\ntwo\tfields\nbad\ttype\tx\t00\nSOFTWARE\\Elsewhere\tCr\t3\t00\r\n\n\n{old}",
         "no tabs\ntwo\tfields\nbad\ttype\tx\t00\nSOFTWARE\\Elsewhere\tCr\t3\t00\r\n\n\n{new}"},
        {"a line longer than any value line", std::string(40000, 'x') + "\n{old}" + std::string(20000, '\t'),
         std::string(40000, 'x') + "\n{new}" + std::string(20000, '\t')},
        {"no line end at the end", "last line", "last line\n{new}"},
        {"the value twice", "a\n{old}b\n{old}c\n", "a\n{new}b\nc\n"},
        {"the value in another case", "SOFTWARE\\VIDAVERUZ\\plumquist\tUNSAFE\t3\t00\n", "{new}"},
    };
    const std::string oldLine = UnsafeLine(std::string(12, '\xff'));
    const std::string newLine = UnsafeLine(kSpaceOnly);
    auto fill = [&](std::string text) {
        for (size_t at; (at = text.find("{old}")) != std::string::npos;) text.replace(at, 5, oldLine);
        for (size_t at; (at = text.find("{new}")) != std::string::npos;) text.replace(at, 5, newLine);
        return text;
    };
    for (const Case& c : cases) {
        WriteFile(Path("registry"), fill(c.before));
        SetSpaceOnly();
        ASSERT_EQ(SaveUnsafeSet(), 0) << c.label;
        const std::string after = FileBytes(Path("registry"));
        EXPECT_EQ(after.size(), fill(c.after).size()) << c.label;
        EXPECT_TRUE(after == fill(c.after)) << c.label;
        SetDefaultUnsafe();
        EXPECT_EQ(LoadUnsafeSet(), 0) << c.label;
        EXPECT_NE(IsDangerous(u' '), 0) << c.label;
        EXPECT_EQ(IsDangerous(u'<'), 0) << c.label;
    }
    EXPECT_TRUE(LeftOvers(kFolder).empty());
}

TEST_F(PosixStoreTest, ValuesAreFoundAnywhereInTheStore) {
    const std::string store = std::string("junk\0junk\n", 10) + std::string(70000, 'y') + "\n" + OtherValues(500, 200);
    WriteFile(Path("registry"), store);
    std::string bytes;
    ASSERT_EQ(ReadValue("Other499", &bytes), 0) << "the last value, beyond 64 KiB";
    EXPECT_EQ(bytes, std::string(100, '\x33'));
    EXPECT_EQ(ReadValue("Other500", &bytes), PLAT_ERROR_FILE_NOT_FOUND);
}

TEST_F(PosixStoreTest, ValueLinesAreReadStrictly) {
    // A line written by hand or by another program: its type must be a
    // 32-bit decimal number and its bytes pairs of hexadecimal digits of
    // either case; anything else is invalid data, never a guess.
    struct Case {
        const char* line;  // the fields after the key and the value name
        int32_t code;
        std::string bytes;
    };
    const Case cases[] = {
        {"3\tABcd09", 0, "\xAB\xCD\x09"},
        {"3\t", 0, ""},
        {"4294967295\t00", 0, std::string(1, '\0')},
        {"4294967296\t00", PLAT_ERROR_INVALID_DATA, ""},
        {"x\t00", PLAT_ERROR_INVALID_DATA, ""},
        {"\t00", PLAT_ERROR_INVALID_DATA, ""},
        {"3\t0", PLAT_ERROR_INVALID_DATA, ""},
        {"3\t0g", PLAT_ERROR_INVALID_DATA, ""},
        {"3\t00 ", PLAT_ERROR_INVALID_DATA, ""},
    };
    for (const Case& c : cases) {
        WriteFile(Path("registry"), std::string("SOFTWARE\\Elsewhere\tHand\t") + c.line + "\n");
        std::string bytes;
        EXPECT_EQ(ReadValue("Hand", &bytes), c.code) << c.line;
        if (c.code == 0) {
            EXPECT_EQ(bytes, c.bytes) << c.line;
        }
    }
}

TEST_F(PosixStoreTest, WithoutAStorePathTheHomeFolderHoldsIt) {
    const char* home = getenv("HOME");
    const std::string previousHome = home != nullptr ? home : "";
    unsetenv("PLUMQUIST_REGISTRY");
    setenv("HOME", fs::absolute(Path("home")).c_str(), 1);
    ASSERT_TRUE(fs::create_directory(Path("home")));

    // The folders are made on the first write.
    std::string bytes;
    EXPECT_EQ(ReadValue("Other0", &bytes), PLAT_ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(WriteValue("Other0", "\x42"), 0);
    EXPECT_EQ(FileBytes(Path("home/.config/plumquist/registry")), "SOFTWARE\\Elsewhere\tOther0\t3\t42\n");
    EXPECT_EQ(ReadValue("Other0", &bytes), 0);
    EXPECT_EQ(bytes, "\x42");

    // With neither a store path nor a home folder there is no store.
    unsetenv("HOME");
    EXPECT_EQ(ReadValue("Other0", &bytes), PLAT_ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(WriteValue("Other0", "\x43"), PLAT_ERROR_FILE_NOT_FOUND);
    if (home != nullptr) setenv("HOME", previousHome.c_str(), 1);
    EXPECT_EQ(FileBytes(Path("home/.config/plumquist/registry")), "SOFTWARE\\Elsewhere\tOther0\t3\t42\n");
}

TEST_F(PosixStoreTest, LoadingNeverRewritesTheStore) {
    const std::string store = std::string("junk\0junk\n", 10) + std::string(70000, 'y') + "\nhalf a line\t" +
                              "\n" + UnsafeLine(kSpaceOnly) + OtherValues(3, 8);
    WriteFile(Path("registry"), store);
    struct stat before;
    ASSERT_EQ(stat(Path("registry").c_str(), &before), 0);
    HostLine(u"set noloadmsg=1");
    const int32_t initialized = InitializePlugin();
    HostLine(u"set noloadmsg=");
    ASSERT_EQ(initialized, 0);
    EXPECT_NE(IsDangerous(u' '), 0) << "the saved set is loaded";
    EXPECT_EQ(IsDangerous(u'<'), 0) << "the saved set is loaded";
    struct stat after;
    ASSERT_EQ(stat(Path("registry").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the store is not replaced";
    EXPECT_TRUE(FileBytes(Path("registry")) == store);
}

TEST_F(PosixStoreTest, ConcurrentWritersLoseNothing) {
    constexpr int kWriters = 3;
    constexpr int kSaves = 20;
    const std::string others = OtherValues(200, 24);
    WriteFile(Path("registry"), others);
    std::vector<pid_t> children;
    for (int writer = 0; writer < kWriters; ++writer) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int failures = 0;
            for (int save = 0; save < kSaves; ++save) {
                const std::string bytes = {static_cast<char>(writer), static_cast<char>(save)};
                if (WriteValue("Writer" + std::to_string(writer), bytes) != 0) ++failures;
            }
            _exit(failures);
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "saves that failed in one writer";
    }
    for (int i = 0; i < 200; ++i) {
        std::string bytes;
        ASSERT_EQ(ReadValue("Other" + std::to_string(i), &bytes), 0) << i;
        EXPECT_EQ(bytes, std::string(12, "\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xaa\xbb\xcc\xdd\xee\xff"[i % 16]));
    }
    for (int writer = 0; writer < kWriters; ++writer) {
        std::string bytes;
        ASSERT_EQ(ReadValue("Writer" + std::to_string(writer), &bytes), 0) << writer;
        EXPECT_EQ(bytes, std::string({static_cast<char>(writer), static_cast<char>(kSaves - 1)})) << writer;
    }
    EXPECT_TRUE(FileBytes(Path("registry")).compare(0, others.size(), others) == 0);
    EXPECT_TRUE(LeftOvers(kFolder).empty());
}

TEST_F(PosixStoreTest, AWriteThatCannotBeMadeDurableFails) {
    // A failed sync of the new file leaves the old store as it was; a failed
    // sync of the folder comes after the rename, so the new store is in
    // place, but the write still fails: nobody is told that a value is safe
    // when it may not survive a crash.
    const std::string line0 = "SOFTWARE\\Elsewhere\tOther0\t3\t00000000\n";
    const std::string line1 = "SOFTWARE\\Elsewhere\tOther1\t3\t11111111\n";
    const std::string line2 = "SOFTWARE\\Elsewhere\tOther2\t3\t22222222\n";
    const std::string updated = "SOFTWARE\\Elsewhere\tOther1\t3\tabcd\n";
    const std::string others = line0 + line1 + line2;
    struct Case {
        const char* label;
        FsyncFault fault;
        bool storeExists;
        std::string after;  // the store afterwards; "-" when there is none
    };
    const Case cases[] = {
        {"file sync fails", FsyncFault::FILE, true, others},
        {"file sync fails, no store yet", FsyncFault::FILE, false, "-"},
        {"folder sync fails", FsyncFault::FOLDER, true, line0 + updated + line2},
        {"folder sync fails, no store yet", FsyncFault::FOLDER, false, updated},
    };
    for (const Case& c : cases) {
        fs::remove(Path("registry"));
        if (c.storeExists) WriteFile(Path("registry"), others);
        fsyncFault = c.fault;
        fsyncFailures = 0;
        EXPECT_EQ(WriteValue("Other1", "\xAB\xCD"), ERROR_IO_DEVICE) << c.label;
        fsyncFault = FsyncFault::NONE;
        EXPECT_EQ(fsyncFailures, 1) << c.label << ": the sync was not failed (is --wrap=fsync linked?)";
        EXPECT_EQ(fs::exists(Path("registry")), c.after != "-") << c.label;
        if (c.after != "-") {
            EXPECT_EQ(FileBytes(Path("registry")), c.after) << c.label;
        }
        EXPECT_TRUE(LeftOvers(kFolder).empty()) << c.label;
    }
}

TEST_F(PosixStoreTest, OnlyARegularFileIsUsed) {
    // A device node of the null device, made here so that no real device is
    // ever at stake; only a privileged user can make one, and only such a
    // user could replace /dev/null.
    std::string device = Path("null");
    if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        ASSERT_NE(geteuid(), 0u) << "could not make a device node to test with";
        device = "/dev/null";
    }
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(Path("folder").c_str(), 0700), 0);
    struct Case {
        std::string path;
        mode_t type;
    };
    const Case cases[] = {{device, S_IFCHR}, {Path("fifo"), S_IFIFO}, {Path("folder"), S_IFDIR}};
    for (const Case& c : cases) {
        UseStore(c.path);
        // In a child process, so that a call that blocks fails the test
        // instead of hanging it.
        const int status = RunInChild(
            [] {
                uint8_t bytes[12] = {};
                uint32_t size = sizeof bytes;
                int failures = 0;
                if (PlatRegistryRead(UNSAFE_REGISTRY_KEY, UNSAFE_REGISTRY_VALUE, nullptr, bytes, &size) !=
                    PLAT_ERROR_ACCESS_DENIED) {
                    failures |= 1;
                }
                HostLine(u"set noloadmsg=1");
                if (InitializePlugin() != 0) failures |= 2;
                if (SaveUnsafeSet() != PLAT_ERROR_ACCESS_DENIED) failures |= 4;
                return failures;
            },
            20);
        EXPECT_EQ(status, 0) << c.path << ": -1 blocked; else bits 1 read, 2 load, 4 save not refused";
        struct stat info;
        ASSERT_EQ(lstat(c.path.c_str(), &info), 0) << c.path;
        EXPECT_EQ(info.st_mode & S_IFMT, c.type) << c.path << " was replaced";
    }
    EXPECT_TRUE(LeftOvers(kFolder).empty());

    // UNSAFE /S reports the refusal with the system's text.
    UseStore(device);
    CapturedOutput output;
    CapturedStderr err;
    std::u16string arguments = u" /S";
    arguments.resize(MAX_ARG_LEN, u'\0');
    EXPECT_EQ(unsafe(arguments.data()), 1);
    EXPECT_EQ(err.Bytes(), "Plumquist plugin: Error saving data to registry:\r\nAccess is denied.\r\n");
    EXPECT_EQ(output.Out(), u"");
}

TEST_F(PosixStoreTest, SymbolicLinksAreWrittenThrough) {
    fs::create_directory(Path("target"));
    fs::create_directory(Path("links"));
    struct Case {
        const char* label;
        std::vector<std::pair<std::string, std::string>> links;  // link, what it points to
        std::string store;                                       // the store's name
        std::string target;                                      // the file written
        bool targetExists;
    };
    const Case cases[] = {
        {"relative link", {{"links/store", "../target/registry"}}, "links/store", "target/registry", true},
        {"chain of links", {{"links/a", "b"}, {"links/b", "../target/registry"}}, "links/a", "target/registry", true},
        {"absolute link", {{"links/store", fs::absolute(Path("target/registry")).string()}}, "links/store",
         "target/registry", true},
        {"dangling link", {{"links/store", "../target/new"}}, "links/store", "target/new", false},
    };
    for (const Case& c : cases) {
        fs::remove_all(Path("links"));
        fs::remove_all(Path("target"));
        fs::create_directory(Path("target"));
        fs::create_directory(Path("links"));
        const std::string others = OtherValues(2, 4);
        if (c.targetExists) {
            WriteFile(Path(c.target), others);
            ASSERT_EQ(chmod(Path(c.target).c_str(), 0640), 0);
        }
        for (const auto& link : c.links) ASSERT_EQ(symlink(link.second.c_str(), Path(link.first).c_str()), 0);
        UseStore(Path(c.store));

        SetSpaceOnly();
        ASSERT_EQ(SaveUnsafeSet(), 0) << c.label;
        for (const auto& link : c.links) {
            EXPECT_TRUE(fs::is_symlink(Path(link.first))) << c.label << ": " << link.first << " is no longer a link";
        }
        EXPECT_TRUE(FileBytes(Path(c.target)) == (c.targetExists ? others : "") + UnsafeLine(kSpaceOnly))
            << c.label;
        struct stat info;
        ASSERT_EQ(stat(Path(c.target).c_str(), &info), 0) << c.label;
        if (c.targetExists) {
            EXPECT_EQ(info.st_mode & 07777, 0640u) << c.label << ": the mode is kept";
        }
        SetDefaultUnsafe();
        EXPECT_EQ(LoadUnsafeSet(), 0) << c.label;
        EXPECT_EQ(IsDangerous(u'<'), 0) << c.label;
        EXPECT_TRUE(LeftOvers(Path("target")).empty()) << c.label;
        EXPECT_TRUE(LeftOvers(Path("links")).empty()) << c.label;
    }
}

TEST_F(PosixStoreTest, PathsThatCannotBeUsedAreRefused) {
    ASSERT_EQ(symlink("loop-b", Path("loop-a").c_str()), 0);
    ASSERT_EQ(symlink("loop-a", Path("loop-b").c_str()), 0);
    struct Case {
        std::string store;
        int32_t readCode;
        int32_t writeCode;
    };
    const Case cases[] = {
        {Path("loop-a"), ERROR_CANT_RESOLVE_FILENAME, ERROR_CANT_RESOLVE_FILENAME},
        {Path("missing/registry"), PLAT_ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        UseStore(c.store);
        uint8_t bytes[12] = {};
        uint32_t size = sizeof bytes;
        EXPECT_EQ(PlatRegistryRead(UNSAFE_REGISTRY_KEY, UNSAFE_REGISTRY_VALUE, nullptr, bytes, &size), c.readCode)
            << c.store;
        EXPECT_EQ(SaveUnsafeSet(), c.writeCode) << c.store;
    }
    EXPECT_FALSE(fs::exists(Path("missing")));
}

TEST_F(PosixStoreTest, ALinkPlantedBesideTheStoreIsNeverFollowed) {
    // Another user may plant a link in a shared folder, at a name a writer
    // might use for its new file.
    WriteFile(Path("victim"), "keep me\n");
    ASSERT_EQ(symlink("victim", Path("registry.tmp").c_str()), 0);
    ASSERT_EQ(SaveUnsafeSet(), 0);
    EXPECT_EQ(FileBytes(Path("victim")), "keep me\n");
    EXPECT_EQ(LoadUnsafeSet(), 0);
}

}  // namespace

#endif  // !_WIN32

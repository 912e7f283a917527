#include "scratch.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#if defined(_WIN32)
#include <process.h>
#define PLUM_PROCESS_ID _getpid
#else
#include <unistd.h>
#define PLUM_PROCESS_ID getpid
#endif

#include "host_os.h"

namespace fs = std::filesystem;

namespace {

fs::path scratchFolder;
std::string storePath;
const char kStoreName[] = "registry";

// The files inputs may name: lines of text with dangerous characters and
// their safe forms in UTF-8, in UTF-16LE with a byte-order mark, and in
// ISO 8859-1 (not valid UTF-8).
struct Fixture {
    const char* name;
    std::string bytes;
};

const Fixture& FixtureAt(size_t i) {
    static const Fixture fixtures[] = {
        {"lines.txt", "one <1> & \"uno\"\r\ntwo |2| ^ `dos`\r\n\xEF\xBC\x9C" "three\xEF\xBC\x9E %3%\r\n"},
        {"utf16.txt", std::string("\xFF\xFE" "a\0<\0b\0>\0\r\0\n\0&\0\"\0c\0\"\0\r\0\n\0", 26)},
        {"latin1.txt", "caf\xE9 <x> & \xABy\xBB\n"},
    };
    return fixtures[i];
}
constexpr size_t FIXTURE_COUNT = 3;

bool IsFixture(const std::string& name) {
    for (size_t i = 0; i < FIXTURE_COUNT; ++i) {
        if (name == FixtureAt(i).name) return true;
    }
    return false;
}

void RemoveScratchFolder() {
    std::error_code ignored;
    fs::current_path(scratchFolder.parent_path(), ignored);
    fs::remove_all(scratchFolder, ignored);
}

fs::path ScratchParent() {
    if (const char* chosen = std::getenv("PLUM_FUZZ_SCRATCH")) {
        if (chosen[0] != 0) return fs::path(chosen);
    }
#if !defined(_WIN32)
    std::error_code error;
    if (fs::is_directory("/dev/shm", error)) return fs::path("/dev/shm");
#endif
    return fs::temp_directory_path();
}

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

void EnterScratchFolder() {
    const fs::path parent = ScratchParent();
    fs::create_directories(parent);
    const std::string stem = "plumquist-fuzz-" + std::to_string(PLUM_PROCESS_ID());
    for (int attempt = 0;; ++attempt) {
        scratchFolder = parent / (stem + "-" + std::to_string(attempt));
        if (fs::create_directory(scratchFolder)) break;
    }
    scratchFolder = fs::absolute(scratchFolder);
    fs::current_path(scratchFolder);
    storePath = (scratchFolder / kStoreName).string();
    plumhost::os::SetEnv(u"PLUMQUIST_REGISTRY", Wide(storePath));
    std::atexit(RemoveScratchFolder);
}

const std::string& RegistryStorePath() { return storePath; }

void ResetScratchFiles() {
    for (const fs::directory_entry& entry : fs::directory_iterator(".")) {
        const std::string name = entry.path().filename().string();
        if (name == kStoreName || IsFixture(name)) continue;
        std::error_code ignored;
        fs::remove_all(entry.path(), ignored);
    }
    // A fixture is written again only when an input may have changed it:
    // its size or time of change differs from what the last writing left.
    static fs::file_time_type written[FIXTURE_COUNT];
    for (size_t i = 0; i < FIXTURE_COUNT; ++i) {
        const Fixture& fixture = FixtureAt(i);
        std::error_code error;
        const uintmax_t size = fs::file_size(fixture.name, error);
        if (!error && size == fixture.bytes.size() && fs::last_write_time(fixture.name, error) == written[i] && !error) {
            continue;
        }
        {
            std::ofstream file(fixture.name, std::ios::binary | std::ios::trunc);
            file << fixture.bytes;
        }
        written[i] = fs::last_write_time(fixture.name, error);
    }
}

// fuzz_replay: runs every file of the given corpus folders through its
// target once (a folder named after a target is its corpus; any other folder
// holds such folders) and fails when a check fails.
//
//   fuzz_replay [--transcript] FOLDER...
//
// With --transcript it prints one record per input, in sorted order, for
// comparing builds byte for byte:
//   == <target>/<file>
//   out <what the plug-in printed on standard output>   (when it printed)
//   err <... on standard error>
//   event <a write to a handle, or a message box>
//   result <code>
//   text <the buffer's text>
// Texts are UTF-8 with control characters, unpaired surrogates and
// U+FFFD..U+FFFF as \uXXXX. What differs between builds by design is
// written the same in every build: the build's date and time (PLUMQUISTHELP
// /V) as <date> and <time>, its processor tag "(x64)" or "(x86)" as
// "(<arch>)". Targets of one platform's backend are left out of transcripts.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "abi/abi.h"
#include "harness.h"
#include "input.h"
#include "shared/build_stamp.h"
#include "shared/usage_texts.h"
#include "shared/version_display.h"
#include "targets.h"

namespace fs = std::filesystem;

namespace {

struct CorpusFile {
    const Target* target;
    std::string label;  // target/file
    std::string bytes;
};

std::string currentLabel;
int failures = 0;

void ReportFailure(const std::string& what) {
    std::fprintf(stderr, "fuzz_replay: %s: check failed: %s\n", currentLabel.c_str(), what.c_str());
    ++failures;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Adds the files of one target's folder, sorted by name.
void AddTargetFolder(const Target& target, const fs::path& folder, std::vector<CorpusFile>& files) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) files.push_back({&target, target.name + "/" + name, ReadBytes(folder / name)});
}

// A target's folder, or a folder of target folders; false for anything else.
bool AddFolder(const fs::path& folder, std::vector<CorpusFile>& files) {
    if (!fs::is_directory(folder)) {
        std::fprintf(stderr, "fuzz_replay: not a folder: %s\n", folder.string().c_str());
        return false;
    }
    if (const Target* target = FindTarget(folder.filename().string())) {
        AddTargetFolder(*target, folder, files);
        return true;
    }
    std::vector<fs::path> folders;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.is_directory()) folders.push_back(entry.path());
    }
    std::sort(folders.begin(), folders.end());
    bool ok = true;
    for (const fs::path& sub : folders) {
        const Target* target = FindTarget(sub.filename().string());
        if (!target) {
            std::fprintf(stderr, "fuzz_replay: no target is named %s\n", sub.filename().string().c_str());
            ok = false;
            continue;
        }
        AddTargetFolder(*target, sub, files);
    }
    return ok;
}

void ReplaceAll(std::u16string& text, const std::u16string& from, const std::u16string& to) {
    if (from.empty()) return;
    for (size_t at = text.find(from); at != std::u16string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// The output with the build's own date, time and processor tag replaced.
std::u16string Normalized(std::u16string text) {
    char16_t date[MAX_ARG_LEN] = {};
    if (BuildDateIso(date) == 0) ReplaceAll(text, date, u"<date>");
    const std::string time = BUILD_TIME;
    ReplaceAll(text, std::u16string(time.begin(), time.end()), u"<time>");
    ReplaceAll(text, u"(" + std::u16string(kPlatformTag) + u")", u"(<arch>)");
    return text;
}

void PrintRecord(const CorpusFile& file, const Record& record) {
    std::string text = "== " + file.label + "\n";
    if (!record.out.empty()) text += "out " + Escaped(Normalized(record.out)) + "\n";
    if (!record.err.empty()) text += "err " + Escaped(Normalized(record.err)) + "\n";
    for (const std::string& event : record.events) text += "event " + event + "\n";
    text += "result " + std::to_string(record.result) + "\n";
    text += "text " + Escaped(record.text) + "\n";
    std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
    bool transcript = false;
    std::vector<CorpusFile> files;
    bool ok = true;
    int folders = 0;
    // Every file is read before the harness moves to its scratch folder, so
    // relative folder names keep their meaning.
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--transcript") {
            transcript = true;
            continue;
        }
        ++folders;
        ok = AddFolder(fs::absolute(argument), files) && ok;
    }
    if (folders == 0) {
        std::fprintf(stderr, "usage: fuzz_replay [--transcript] FOLDER...\n");
        return 2;
    }
    if (!ok) return 2;

#if defined(_WIN32)
    // Records and messages end in LF alone on every system.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    SetFailureHandler(ReportFailure);
    StartHarness();
    int replayed = 0;
    int skipped = 0;
    for (const CorpusFile& file : files) {
        if (file.target->run == nullptr || (transcript && !file.target->everyPlatform)) {
            ++skipped;
            continue;
        }
        currentLabel = file.label;
        Record record;
        RunTarget(*file.target, reinterpret_cast<const uint8_t*>(file.bytes.data()), file.bytes.size(), record);
        if (transcript) PrintRecord(file, record);
        ++replayed;
    }
    std::fflush(stdout);
    std::fprintf(stderr, "fuzz_replay: %d inputs replayed, %d skipped (other platform), %d checks failed\n", replayed,
                 skipped, failures);
    return failures == 0 ? 0 : 1;
}

// Every exported function and command, called the way the host calls it:
// one buffer of MAX_ARG_LEN code units holding an argument of about 1K or
// 16K code units, with the host emulator linked in to answer the plug-in's
// service calls (variables, files, the clipboard, arrays, output). Each row
// reports its time per call; scripts/bench_summary.py turns that into the
// cost per code unit at both sizes, so growth worse than linear shows.
//
// An export that takes text is a row of kExports: its name, the export, how
// its argument of n units is made (and what host state it needs), and what
// must follow each call. The internal variables take no argument and are
// left out.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "abi/exports.h"
#include "abi/utf8.h"
#include "bench_text.h"
#include "charset/unsafe_set.h"
#include "host_os.h"
#include "plumhost.h"
#include "shared/parse_args.h"

namespace {

using ExportFn = int32_t(PLUM_CALL*)(char16_t*);

// The sizes of the argument, in code units: 1K, and 16K less room for the
// longest prefix an export adds to it.
constexpr int64_t SMALL_UNITS = 1024;
constexpr int64_t LARGE_UNITS = 16000;

const char16_t kVariable[] = u"PLUMBENCH";
const char16_t kLineFile[] = u"plumbench-line.txt";
const char16_t kReadFile[] = u"plumbench-read.txt";
const char16_t kArray[] = u"PLUMBENCH";
// @FILEREAD reads the file's lines in turn; it is opened again after this many.
constexpr int32_t READ_FILE_LINES = 64;

std::string Utf8(const std::u16string& text) {
    std::string bytes(text.size() * 3 + 1, '\0');
    const int32_t length =
        Utf16ToUtf8(text.c_str(), static_cast<int32_t>(text.size()), &bytes[0], static_cast<int32_t>(bytes.size()));
    bytes.resize(length < 0 ? 0 : static_cast<size_t>(length));
    return bytes;
}

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

void WriteLines(const std::u16string& path, const std::u16string& line, int32_t count) {
    std::ofstream file(Narrow(path), std::ios::binary | std::ios::trunc);
    const std::string bytes = Utf8(line);
    for (int32_t i = 0; i < count; ++i) file << bytes << "\r\n";
}

std::u16string Expanded(const std::u16string& expression) {
    std::u16string result;
    plumhost::ExpandString(expression, result);
    return result;
}

std::u16string Decimal(int64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// ------------------------------------------------------- arguments and state

std::u16string PlainArgument(size_t units) { return BenchPlainText(units); }
std::u16string SafeArgument(size_t units) { return BenchSafeText(units); }

// A variable of the process environment holding the text; the argument names it.
std::u16string PlainVariable(size_t units) {
    plumhost::os::SetEnv(kVariable, BenchPlainText(units));
    return kVariable;
}

std::u16string SafeVariable(size_t units) {
    plumhost::os::SetEnv(kVariable, BenchSafeText(units));
    return kVariable;
}

// Line 0 of a file, for @LINE.
std::u16string LineOfFile(size_t units) {
    WriteLines(kLineFile, BenchPlainText(units), 1);
    return std::u16string(kLineFile) + u",0";
}

// The next line of an open file, for @FILEREAD.
HostHandle readHandle = 0;
int32_t linesRead = 0;

void OpenReadFile() {
    if (readHandle != 0) Expanded(u"%@fileclose[" + Decimal(readHandle) + u"]");
    readHandle = std::stoll(Narrow(Expanded(u"%@fileopen[" + std::u16string(kReadFile) + u",r]")));
    linesRead = 0;
}

std::u16string HandleOfFile(size_t units) {
    WriteLines(kReadFile, BenchPlainText(units), READ_FILE_LINES);
    OpenReadFile();
    return Decimal(readHandle);
}

void NextLineOfFile() {
    if (++linesRead == READ_FILE_LINES) OpenReadFile();
}

// The clipboard holding the text, for @CLIP line 0.
std::u16string ClipboardLine(size_t units) {
    plumhost::os::SetClipboardText(BenchPlainText(units));
    return u"0";
}

// A handle of the null device and the text to write to it.
HostHandle nullHandle = 0;

std::u16string NullDeviceAndText(size_t units) {
#if defined(_WIN32)
    const char16_t* nullDevice = u"NUL";
#else
    const char16_t* nullDevice = u"/dev/null";
#endif
    if (nullHandle == 0) nullHandle = plumhost::os::OpenFile(nullDevice, plumhost::os::OpenMode::Append);
    return Decimal(nullHandle) + u"," + BenchSafeText(units);
}

// Selector 2 of @PLUMQUISTINFO: the text after the comma, remapped.
std::u16string RemapSelector(size_t units) { return u"2," + BenchPlainText(units); }

// UNSAFE disabling a list of characters that are not in the set anyway.
std::u16string CharacterList(size_t units) {
    std::u16string list = u"/D:";
    while (list.size() + 2 <= units) list += list.size() % 4 == 3 ? u"a;" : u"b,";
    return list;
}

// SAFEARRAY over an array of eight elements that hold the text between
// them, in safe form; each call remaps them and a second call turns them back.
std::u16string ArrayOfText(size_t units) {
    plumhost::RunCommandLine(u"unsetarray *");
    plumhost::RunCommandLine(u"setarray " + std::u16string(kArray) + u"[8]");
    for (int32_t i = 0; i < 8; ++i) {
        plumhost::RunCommandLine(u"set " + std::u16string(kArray) + u"[" + Decimal(i) + u"]=" +
                                 BenchSafeText(units / 8 - i));
    }
    return u"/U " + std::u16string(kArray);
}

void RemapArrayBack() {
    std::u16string buffer(kArray);
    buffer.resize(MAX_ARG_LEN);
    safearray(&buffer[0]);
}

// Words of fifteen letters, for the tokenizer on its own.
std::u16string Words(size_t units) {
    std::u16string text;
    while (text.size() + 16 <= units) text += u"/Dabcdefghijklm ";
    return text;
}

// An attribute name and a tag of about n units whose last attribute is the
// one asked for, so the scan reads the whole tag.
std::u16string TagWithAttribute(size_t units) {
    std::u16string text = u"href,<a";
    while (text.size() + 32 <= units) text += u" title=\"a quoted value\"";
    text += u" href=\"x\">";
    return text;
}

// The tokenizer is no export; it runs as UNSAFE runs it.
int32_t PLUM_CALL TokenizeAsUnsafe(char16_t* buffer) {
    return ParseArgs(buffer, PA_SPACES | PA_SPLIT_SWITCHES | PA_QUOTE_AS_COLON);
}

// ------------------------------------------------------------------- the rows

struct ExportRow {
    const char* name;
    ExportFn fn;
    std::u16string (*argument)(size_t units);  // also sets up what the export reads
    void (*afterCall)(void);                   // puts back what a call used up; may be null
};

const ExportRow kExports[] = {
    {"f_countsafe", f_countsafe, SafeArgument, nullptr},
    {"f_countsafex", f_countsafex, SafeVariable, nullptr},
    {"f_countunsafe", f_countunsafe, PlainArgument, nullptr},
    {"f_countunsafex", f_countunsafex, PlainVariable, nullptr},
    {"f_plumquistinfo", f_plumquistinfo, RemapSelector, nullptr},
    {"f_safeclip", f_safeclip, ClipboardLine, nullptr},
    {"f_safeclipw", f_safeclipw, SafeArgument, nullptr},
    {"f_safeenv", f_safeenv, PlainVariable, nullptr},
    {"f_safeexp", f_safeexp, PlainVariable, nullptr},
    {"f_safeline", f_safeline, LineOfFile, nullptr},
    {"f_saferead", f_saferead, HandleOfFile, NextLineOfFile},
    {"f_safewrite", f_safewrite, NullDeviceAndText, nullptr},
    {"f_unsafe", f_unsafe, SafeArgument, nullptr},
    {"f_unsafeesc", f_unsafeesc, SafeArgument, nullptr},
    {"safearray", safearray, ArrayOfText, RemapArrayBack},
    {"safeecho", safeecho, SafeArgument, nullptr},
    {"safeechos", safeechos, SafeArgument, nullptr},
    {"unsafe", unsafe, CharacterList, nullptr},
    {"ParseArgs", TokenizeAsUnsafe, Words, nullptr},
    {"f_uquotes", f_uquotes, PlainArgument, nullptr},
    {"f_tagattr", f_tagattr, TagWithAttribute, nullptr},
};

void CallExport(benchmark::State& state, const ExportRow* row) {
    SetDefaultUnsafe();
    const size_t units = static_cast<size_t>(state.range(0));
    const std::u16string argument = row->argument(units);
    std::u16string buffer(MAX_ARG_LEN, u'\0');
    // What the echo commands print is kept here, emptied after each call.
    std::u16string out;
    std::u16string err;
    plumhost::CaptureOutput(&out, &err);
    for (auto _ : state) {
        std::copy(argument.begin(), argument.end(), buffer.begin());
        buffer[argument.size()] = 0;
        benchmark::DoNotOptimize(row->fn(&buffer[0]));
        benchmark::ClobberMemory();
        if (row->afterCall != nullptr) row->afterCall();
        out.clear();
        err.clear();
    }
    plumhost::CaptureOutput(nullptr, nullptr);
    if (!err.empty()) state.SkipWithError(Narrow(err.substr(0, 120)).c_str());
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(units));
}

int RegisterExportBenchmarks() {
    for (const ExportRow& row : kExports) {
        benchmark::RegisterBenchmark((std::string("exports/") + row.name).c_str(), CallExport, &row)
            ->Arg(SMALL_UNITS)
            ->Arg(LARGE_UNITS);
    }
    return 0;
}

const int registered = RegisterExportBenchmarks();

}  // namespace

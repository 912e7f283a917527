#include "harness.h"

#include <algorithm>
#include <vector>

#include "abi/exports.h"
#include "abi/host_services.h"
#include "charset/registry_store.h"
#include "charset/unsafe_set.h"
#include "host_os.h"
#include "platform/platform.h"
#include "platform_fakes.h"
#include "shared/help_viewer.h"
#include "plumhost.h"
#include "scratch.h"

namespace {


// The variables the harness and the targets set, and those the machine's
// environment must not bring in; all are removed before every input.
std::vector<std::u16string>& ManagedVariables() {
    static std::vector<std::u16string> names = {u"FUZZVAR", u"FUZZSAFE", u"PlumquistHelp", u"PluginHelp"};
    return names;
}

const char16_t kDangerousText[] = u"a <b> & \"c\" %x ^| (y) [z] `q`";
const char16_t kSafeText[] = u"a \uFF1Cb\uFF1E \uFF06 \uFF02c\uFF02 \uFF05x \uFF3E\uFF5C \uFF08y\uFF09 \uFF3Bz\uFF3D \uFF40q\uFF40";
const char16_t kClipboardText[] = u"first <line>\r\nsecond & \"line\"\r\n\uFF1Csafe\uFF1E";
const char16_t* const kCodePages[] = {u"65001", u"1252", u"437", u"x"};

// The plug-in linked into the program: its exports by name, from the export table.
#define PLUM_STRING_OF(x) #x
#define PLUM_STRING(x) PLUM_STRING_OF(x)
struct NamedExport {
    const char* name;
    void* address;
};
#define PLUM_NAMED_EXPORT(kind, name, bytes) \
    {PLUM_STRING(PLUM_SYMBOL(kind, name)), reinterpret_cast<void*>(&PLUM_SYMBOL(kind, name))},
const NamedExport kExports[] = {PLUM_EXPORT_TABLE(PLUM_NAMED_EXPORT)};
#undef PLUM_NAMED_EXPORT

void* FindExport(const char* name) {
    for (const NamedExport& entry : kExports) {
        if (std::string(entry.name) == name) return entry.address;
    }
    return nullptr;
}

void RunSetupLine(const std::u16string& line) {
    if (plumhost::RunCommandLine(line) != 0) Fail("the harness's setup line failed: " + Escaped(line));
}

// Arrays with texts that hold dangerous characters and safe forms, set with
// every line feature off so that the texts arrive as they are.
void DefineArrays() {
    RunSetupLine(u"setarray FUZZ[2,3] LIST[4]");
    RunSetupLine(u"setdos /x-35678");
    const char16_t* const cells[] = {u"a<b>c", u"\"q\"", u"x&y|z", u"%pct%", u"\uFF1Csafe\uFF1E", u"^caret"};
    for (int i = 0; i < 6; ++i) {
        const std::u16string index = std::u16string(1, static_cast<char16_t>(u'0' + i / 3)) + u"," +
                                     std::u16string(1, static_cast<char16_t>(u'0' + i % 3));
        RunSetupLine(u"set FUZZ[" + index + u"]=" + cells[i]);
        if (i < 4) RunSetupLine(u"set LIST[" + std::u16string(1, static_cast<char16_t>(u'0' + i)) + u"]=" + cells[5 - i]);
    }
    RunSetupLine(u"setdos /x0");
}

// The stored set before the plug-in initialises: the defaults, all twelve
// bytes set, a value one byte short, or one of the wrong type. Written only
// when it differs from what the harness wrote last and nothing else wrote
// since: most inputs leave the registry alone.
int lastStoredSet = -1;

void WriteStoredSet(int which) {
    if (!TakeRegistryWritten() && which == lastStoredSet) return;
    uint8_t bytes[UNSAFE_VALUE_SIZE];
    SetDefaultUnsafe();
    PackUnsafeSet(bytes);
    uint32_t type = PLAT_REG_BINARY;
    uint32_t size = UNSAFE_VALUE_SIZE;
    if (which == 1) {
        for (uint8_t& byte : bytes) byte = 0xFF;
    } else if (which == 2) {
        size = UNSAFE_VALUE_SIZE - 1;
    } else if (which == 3) {
        type = PLAT_REG_SZ;
    }
    if (PlatRegistryWrite(UNSAFE_REGISTRY_KEY, UNSAFE_REGISTRY_VALUE, type, bytes, size) != PLAT_ERROR_SUCCESS) {
        Fail("the harness cannot write the stored unsafe set");
    }
    TakeRegistryWritten();
    lastStoredSet = which;
}

// What a fresh load of the plug-in would hold: no help viewer, and the set
// its initialisation takes from the registry: the stored one when whole
// (only the full set is), else the defaults.
void RestorePluginState(int storedSet) {
    CloseHelpViewer();
    SetDefaultUnsafe();
    if (storedSet == 1) {
        const uint8_t full[UNSAFE_VALUE_SIZE] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
        UnpackUnsafeSet(full);
    }
}

void ApplyUnsafeChoice(uint8_t flags) {
    const bool wide = (flags & HOST_WIDE_SET) != 0;
    const bool empty = (flags & HOST_EMPTY_SET) != 0;
    if (!wide && !empty) return;
    for (int32_t c = UNSAFE_FIRST; c < UNSAFE_FIRST + UNSAFE_COUNT; ++c) {
        const bool punctuation = (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
                                 (c >= 0x7B && c <= 0x7E);
        bool dangerous = wide && !empty && punctuation;
        if (wide && empty) dangerous = c == u'%' || c == u'"';
        unsafeSet[c - UNSAFE_FIRST] = dangerous ? 1 : 0;
    }
}

std::u16string DisabledDigits(uint8_t disabled) {
    std::u16string digits;
    for (int d = 1; d <= 8; ++d) {
        if (disabled & (1 << (d - 1))) digits += static_cast<char16_t>(u'0' + d);
    }
    return digits;
}

Record* capturing = nullptr;

}  // namespace

void StoreReplaced() { lastStoredSet = -1; }

void StartHarness() {
    EnterScratchFolder();
    plumhost::ConfineFiles(true);
    // Paths and settings of the machine stay out of what inputs see.
    for (const char16_t* name : {u"PLUMHOST_CLIPBOARD", u"OPENQUOTE", u"CLOSEQUOTE", u"OPENSQUOTE", u"CLOSESQUOTE",
                                 u"APOSTROPHE", u"PRIME", u"DOUBLEPRIME", u"'OKINA"}) {
        plumhost::os::SetEnv(name, u"");
    }
    plumhost::os::SetEnv(u"noloadmsg", u"1");
    // Registered once: inputs cannot load or unload plug-ins, and what
    // initialisation does to the plug-in's state is redone before every
    // input (RestorePluginState).
    if (plumhost::RegisterPlugin(u"Plumquist", &FindExport) != 0) Fail("the plug-in did not register");
}

HostChoice ReadHostChoice(FuzzInput& input) {
    HostChoice choice;
    choice.disabled = input.Byte();
    choice.flags = input.Byte();
    choice.fill = input.Byte();
    choice.extra = input.Byte();
    return choice;
}

void SetManagedVariable(const std::u16string& name, const std::u16string& value) {
    std::vector<std::u16string>& names = ManagedVariables();
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    plumhost::os::SetEnv(name, value);
}

void PrepareLight(Record& record) {
    plumhost::CaptureOutput(nullptr, nullptr);
    plumhost::ResetHostState();
    PlatRestoreAll();
    InstallPlatformFakes(FakeSettings{}, &record);
    capturing = &record;
    plumhost::CaptureOutput(&record.out, &record.err);
}

void PrepareHost(const HostChoice& choice, Record& record) {
    plumhost::CaptureOutput(nullptr, nullptr);
    plumhost::ResetHostState();
    PlatRestoreAll();
    FakeSettings fakes;
    fakes.helpFilePresent = (choice.flags & HOST_HELP_FILE) != 0;
    fakes.viewerStarts = (choice.flags & HOST_VIEWER_FAILS) == 0;
    InstallPlatformFakes(fakes, &record);
    ResetScratchFiles();

    // Setup output is not the input's: it goes to strings of its own, which
    // must stay empty.
    std::u16string setupOut, setupErr;
    plumhost::CaptureOutput(&setupOut, &setupErr);
    for (const std::u16string& name : ManagedVariables()) plumhost::os::SetEnv(name, u"");
    if (choice.flags & HOST_VARIABLES) {
        plumhost::os::SetEnv(u"FUZZVAR", kDangerousText);
        plumhost::os::SetEnv(u"FUZZSAFE", kSafeText);
    }
    plumhost::os::SetClipboardText((choice.flags & HOST_CLIPBOARD) ? kClipboardText : u"");
    const int storedSet = (choice.extra >> 2) & 3;
    WriteStoredSet(storedSet);

    plumhost::SetHostVariable(u"_cmdspec", u"C:\\host\\plumhost.exe");
    plumhost::SetHostVariable(u"windir", u"C:\\WINDOWS");
    plumhost::SetHostVariable(u"_codepage", kCodePages[choice.extra & 3]);
    plumhost::SetHostVariable(u"_unicode", (choice.flags & HOST_UNICODE) ? u"1" : u"0");
    if (choice.flags & HOST_ARRAYS) DefineArrays();
    RestorePluginState(storedSet);
    ApplyUnsafeChoice(choice.flags);
    if (choice.disabled != 0) plumhost::SetHostVariable(u"_expansion", DisabledDigits(choice.disabled));
    plumhost::CaptureOutput(nullptr, nullptr);
    if (!setupOut.empty() || !setupErr.empty()) Fail("the harness's setup printed: " + Escaped(setupOut + setupErr));

    capturing = &record;
    plumhost::CaptureOutput(&record.out, &record.err);
}

void RecordArrays(Record& record) {
    // Elements are read as stored: with nested expansion off, "%pct%" stays.
    plumhost::SetHostVariable(u"_expansion", u"4");
    const char16_t* const elements[] = {u"FUZZ[0,0]", u"FUZZ[0,1]", u"FUZZ[0,2]", u"FUZZ[1,0]", u"FUZZ[1,1]",
                                        u"FUZZ[1,2]", u"LIST[0]",   u"LIST[1]",   u"LIST[2]",   u"LIST[3]"};
    for (const char16_t* element : elements) {
        std::u16string value;
        plumhost::ExpandString(u"%" + std::u16string(element), value);
        record.events.push_back("array " + Escaped(element) + "=" + Escaped(value));
    }
}

void FinishInput() {
    plumhost::CaptureOutput(nullptr, nullptr);
    capturing = nullptr;
}

void CallOnBuffer(ExportFn fn, const std::u16string& argument, Record& record) {
    std::vector<char16_t> buffer(MAX_ARG_LEN + CANARY_UNITS, CANARY);
    std::fill(buffer.begin(), buffer.begin() + MAX_ARG_LEN, u'\0');
    const size_t units = std::min(argument.size(), static_cast<size_t>(MAX_ARG_LEN - 1));
    std::copy(argument.begin(), argument.begin() + static_cast<std::ptrdiff_t>(units), buffer.begin());

    record.result = fn(buffer.data());

    for (size_t i = MAX_ARG_LEN; i < buffer.size(); ++i) {
        if (buffer[i] != CANARY) Fail("a canary unit after the buffer was overwritten");
    }
    const auto end = std::find(buffer.begin(), buffer.begin() + MAX_ARG_LEN, u'\0');
    if (end == buffer.begin() + MAX_ARG_LEN) Fail("no terminator within the buffer's MAX_ARG_LEN units");
    record.text.assign(buffer.begin(), end);
}

#include "fault_injection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

#include "platform/platform.h"

namespace {

// How an entry fails where 0 is not its failure, or where the reason is worth
// saying. Out-parameters are left as they were: a caller that reads them
// after a failure reads whatever it put there itself.
struct FailureRow {
    const char* name;
    int64_t value;
};
const FailureRow kFailures[] = {
    {"GetEnvironment", 0},                                      // the variable is not found
    {"StandardOutput", -1},                                     // INVALID_HANDLE_VALUE: the handle cannot be had
    {"StandardError", -1},                                      // the same; what is written to it is lost
    {"FileSize", 0},                                            // no file information
    {"WriteHandle", 0},                                         // nothing written
    {"WideToCodePage", 0},                                      // no conversion
    {"OemCodePage", 0},                                         // no code page: CP_ACP, the ANSI page, on Windows
    {"ConsoleWidth", 0},                                        // the screen buffer cannot be read
    {"ModuleFileName", 0},                                      // no file name
    {"IsPlainFile", 0},                                         // the attributes cannot be read
    {"IsFullPath", 0},                                          // not taken for a full path
    {"WindowsDirectory", 0},                                    // no directory
    {"RegistryRead", PLAT_ERROR_ACCESS_DENIED},                 // the key cannot be opened
    {"RegistryWrite", PLAT_ERROR_ACCESS_DENIED},                // the key cannot be created
    {"SystemErrorText", 0},                                     // no text for the code
    {"FindViewerProgram", 0},                                   // no viewer installed
    {"StartProcess", 0},                                        // the process cannot start
    {"EndProcess", 0},                                          // it cannot be ended
    {"WaitInputIdle", static_cast<int64_t>(PLAT_WAIT_FAILED)},  // no input queue
    {"FindTopWindow", 0},                                       // no such window
    {"FindDescendant", 0},                                      // no such control
    {"PostWindowMessage", 0},                                   // the message is not queued
    {"SendWindowMessage", 0},                                   // the window is gone: nothing handled it
    // ShowMessageBox, CloseProcess and SleepMs have no result: failing, they
    // show nothing, release nothing and return at once.
};

struct InjectorState {
    bool alive = false;
    bool armed = false;
    int32_t target = 0;
    FaultMode mode = FaultMode::ONCE;
    int32_t calls = 0;
    std::vector<std::string> failed;
};
InjectorState state;

// Counts one call of the entry and tells whether it fails.
bool FailThisCall(const char* name) {
    if (!state.armed) return false;
    ++state.calls;
    const bool fail =
        state.calls == state.target || (state.mode == FaultMode::PERSISTENT && state.calls > state.target);
    if (fail) state.failed.emplace_back(name);
    return fail;
}

template <typename Result>
Result Failure(const char* name) {
    if constexpr (std::is_void_v<Result>) {
        static_cast<void>(name);
    } else {
        return static_cast<Result>(PlatFailureValue(name));
    }
}

// Per entry: the function found when the injector was made, and the
// counting wrapper installed in its place.
#define FAULT_WRAPPER(result, name, params, args)               \
    Plat##name##Fn passOn##name = nullptr;                      \
    result Counted##name params {                               \
        if (FailThisCall(#name)) return Failure<result>(#name); \
        return passOn##name args;                               \
    }
PLAT_CALLS(FAULT_WRAPPER)
#undef FAULT_WRAPPER

#define FAULT_ENTRY_NAME(result, name, params, args) #name,
const char* const kEntryNames[] = {PLAT_CALLS(FAULT_ENTRY_NAME)};
#undef FAULT_ENTRY_NAME

bool IsEntryName(const char* name) {
    for (const char* entry : kEntryNames) {
        if (std::strcmp(entry, name) == 0) return true;
    }
    return false;
}

}  // namespace

int64_t PlatFailureValue(const char* name) {
    for (const FailureRow& row : kFailures) {
        if (std::strcmp(row.name, name) == 0) return row.value;
    }
    return 0;
}

FaultInjector::FaultInjector() {
    EXPECT_FALSE(state.alive) << "one fault injector at a time";
    // A misspelt row would leave its entry answering 0, which for the
    // registry calls is success rather than failure.
    for (const FailureRow& row : kFailures) EXPECT_TRUE(IsEntryName(row.name)) << row.name << " is no platform entry";
    state = InjectorState();
    state.alive = true;
#define FAULT_INSTALL(result, name, params, args) \
    passOn##name = PlatCurrent##name();           \
    PlatSet##name(&Counted##name);
    PLAT_CALLS(FAULT_INSTALL)
#undef FAULT_INSTALL
}

FaultInjector::~FaultInjector() {
#define FAULT_REMOVE(result, name, params, args) PlatSet##name(passOn##name);
    PLAT_CALLS(FAULT_REMOVE)
#undef FAULT_REMOVE
    state = InjectorState();
}

void FaultInjector::Arm(int32_t callNumber, FaultMode mode) {
    state.armed = true;
    state.target = callNumber;
    state.mode = mode;
    state.calls = 0;
    state.failed.clear();
}

void FaultInjector::Disarm() { state.armed = false; }

int32_t FaultInjector::Calls() const { return state.calls; }

bool FaultInjector::Met() const { return state.target >= 1 && state.calls >= state.target; }

bool FaultInjector::Failed(const char* name) const {
    for (const std::string& failed : state.failed) {
        if (failed == name) return true;
    }
    return false;
}

const std::vector<std::string>& FaultInjector::FailedCalls() const { return state.failed; }

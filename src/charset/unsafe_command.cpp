#include "charset/unsafe_command.h"

#include "abi/exports.h"
#include "abi/host_services.h"
#include "charset/character_list.h"
#include "charset/registry_store.h"
#include "charset/unsafe_set.h"
#include "core/char_classes.h"
#include "core/errors.h"
#include "core/numbers.h"
#include "core/text.h"
#include "platform/platform.h"
#include "shared/parse_args.h"
#include "shared/usage_texts.h"

namespace {

constexpr uint16_t UNSAFE_PARSE_FLAGS = PA_SPACES | PA_SPLIT_SWITCHES | PA_QUOTE_AS_COLON;
constexpr int32_t DEFAULT_WIDTH = 80;
constexpr int32_t NARROWEST_WIDTH = 40;
constexpr int32_t WIDEST_WIDTH = 256;
constexpr int32_t ITEM_LEN = 32;

// The set as it was before the call, put back when the save that ends the
// call fails: a failing call leaves the set as it was.
int32_t undoSet[UNSAFE_COUNT];

void SaveUndo(void) {
    for (int32_t i = 0; i < UNSAFE_COUNT; ++i) undoSet[i] = unsafeSet[i];
}

void RestoreUndo(void) {
    for (int32_t i = 0; i < UNSAFE_COUNT; ++i) unsafeSet[i] = undoSet[i];
}

// "/D" or "/E" followed by a list, with an optional ":" or "=" before it;
// applied to set, or only checked when set is null.
ListFault ReadListOption(const char16_t* argument, int32_t* set) {
    const int32_t flag = AsciiToUpper(argument[1]) == u'E' ? 1 : 0;
    const char16_t* list = argument + 2;
    if (IsOptionValueSeparator(list[0])) ++list;
    return ReadCharacterList(list, flag, set);
}

// The message, its "%s" filled with the system's text for the code.
template <size_t N>
void ReportRegistryFailure(const char16_t (&message)[N], int32_t code) {
    char16_t text[SYSTEM_ERROR_TEXT_LEN];
    FormatSystemError(text, code);
    ReportError(message, text);
}

void ListUnsafeSet(void) {
    // The console is asked for its width only when standard output is one.
    const bool toConsole = QueryIsConsole(PlatStandardOutput()) != 0;
    const int32_t width = UnsafeListingWidth(toConsole, toConsole ? PlatConsoleWidth() : 0);
    QPuts(u"\nUnsafe characters:\n");
    int32_t column = 0;
    bool any = false;
    for (int32_t c = UNSAFE_FIRST; c < UNSAFE_FIRST + UNSAFE_COUNT; ++c) {
        if (unsafeSet[c - UNSAFE_FIRST] == 0) continue;
        // At most 17 code units: "'c' (127, 0x7f)  ".
        char16_t item[ITEM_LEN];
        Sprintf(item, u"'%c' (%u, 0x%02x)  ", c, static_cast<uint32_t>(c), static_cast<uint32_t>(c));
        const int32_t length = TextLength(item);
        if (column + length >= width) {
            CrLf();
            column = 0;
        }
        QPuts(item);
        column += length;
        any = true;
    }
    if (any) {
        CrLf();
    } else {
        QPuts(u"- none -\r\n");
    }
}

bool IsListOption(const char16_t* argument) {
    return TextStartsWithIgnoreAsciiCase(argument, u"/D") || TextStartsWithIgnoreAsciiCase(argument, u"/E");
}

// What the arguments ask for, once every one of them has been checked.
struct Request {
    bool restore;  // /R
    bool reset;    // /Z
    bool save;     // /S
    bool edit;     // at least one /D or /E list
};

// The first pass: a usage request anywhere wins (answered here, returns 0);
// /R and /Z are noted. Returns -1 when the command goes on.
int32_t ReadUsageAndResets(Request* request) {
    for (int32_t k = 0; k < parseResult.argCount; ++k) {
        if (parseResult.argLength[k] == 0) continue;
        const char16_t* argument = parseResult.argStart[k];
        if (AnswerHelpOption(argument, u"unsafe")) return 0;
        if (TextEqualsIgnoreAsciiCase(argument, u"/R")) {
            request->restore = true;
        } else if (TextEqualsIgnoreAsciiCase(argument, u"/Z")) {
            request->reset = true;
        }
    }
    return -1;
}

// The second pass: every argument must be an option and every list well
// formed before anything is changed. Reports the first fault and returns
// false.
bool CheckArguments(Request* request) {
    for (int32_t k = 0; k < parseResult.argCount; ++k) {
        if (parseResult.argLength[k] == 0) continue;
        const char16_t* argument = parseResult.argStart[k];
        if (IsListOption(argument)) {
            const ListFault fault = ReadListOption(argument, nullptr);
            if (fault == ListFault::RANGE) {
                ReportError(u"Character must be in range %u - %u \"%s\"\r\n", LOWEST_CHARACTER, HIGHEST_CHARACTER,
                            argument);
                return false;
            }
            if (fault == ListFault::SYNTAX) {
                ReportError(u"Syntax error \"%s\"\r\n", argument);
                return false;
            }
            request->edit = true;
        } else if (TextEqualsIgnoreAsciiCase(argument, u"/S")) {
            request->save = true;
        } else if (TextEqualsIgnoreAsciiCase(argument, u"/R") || TextEqualsIgnoreAsciiCase(argument, u"/Z")) {
            // Noted by the first pass.
        } else if (argument[0] == u'/') {
            ReportError(u"Unknown option \"%s\"\r\n", argument);
            return false;
        } else {
            ReportError(u"Syntax error \"%s\"\r\n", argument);
            return false;
        }
    }
    return true;
}

// Applies the /D and /E lists in the order written; they have been checked.
void ApplyLists(void) {
    for (int32_t k = 0; k < parseResult.argCount; ++k) {
        if (parseResult.argLength[k] == 0) continue;
        const char16_t* argument = parseResult.argStart[k];
        if (IsListOption(argument)) ReadListOption(argument, unsafeSet);
    }
}

}  // namespace

int32_t UnsafeListingWidth(bool outputIsConsole, int32_t consoleWidth) {
    if (!outputIsConsole || consoleWidth < NARROWEST_WIDTH || consoleWidth > WIDEST_WIDTH) return DEFAULT_WIDTH;
    return consoleWidth;
}

// The arguments are all checked before anything changes, and a failure on
// the way (the registry) puts the set back: a call that fails leaves the set
// and the registry as they were. The messages of /R and /Z come once the
// call has succeeded.
PLUM_EXPORT int32_t PLUM_CALL unsafe(char16_t* buffer) {
    if (buffer == nullptr) return 1;
    // The tokenizer has reported a text it could not hold; with no arguments
    // the command would list the set as if none had been given.
    if (ParseArgs(buffer, UNSAFE_PARSE_FLAGS) < 0) return 1;
    if (parseResult.argsDropped) {
        ReportError(u"Too many arguments (at most %d)\r\n", MAX_ARGS);
        return 1;
    }

    Request request = {};
    const int32_t usage = ReadUsageAndResets(&request);
    if (usage >= 0) return usage;
    if (request.restore && request.reset) {
        ReportError(u"Can\u2019t combine /R and /Z\r\n");
        return 1;
    }
    if (!CheckArguments(&request)) return 1;

    SaveUndo();
    if (request.restore) {
        // A failed load leaves the set as it was.
        const int32_t code = LoadUnsafeSet();
        if (code != 0) {
            ReportRegistryFailure(u"Error restoring data from registry:\r\n%s\r\n", code);
            return 1;
        }
    } else if (request.reset) {
        SetDefaultUnsafe();
    }
    ApplyLists();

    if (request.save) {
        const int32_t code = SaveUnsafeSet();
        if (code != 0) {
            RestoreUndo();
            ReportRegistryFailure(u"Error saving data to registry:\r\n%s\r\n", code);
            return 1;
        }
    }
    if (request.restore) QPuts(u"Restored.\r\n");
    if (request.reset) QPuts(u"Reset to plugin defaults.\r\n");
    if (request.save) {
        QPuts(u"Saved.\r\n");
    } else if (!request.restore && !request.reset && !request.edit) {
        ListUnsafeSet();
    }
    return 0;
}

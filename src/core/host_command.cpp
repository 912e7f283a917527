#include "core/host_command.h"

#include "abi/abi.h"
#include "abi/host_services.h"
#include "core/errors.h"
#include "core/host_query.h"
#include "core/text.h"

namespace {

constexpr int32_t EXPANSION_TEXT_LEN = 32;

char16_t savedExpansion[EXPANSION_TEXT_LEN];
char16_t restoreArgument[EXPANSION_TEXT_LEN];
// The host can call back into the plug-in while the plug-in expands (an
// expression that calls another of its functions), so guards can nest.
int32_t guardDepth = 0;

bool ContainsUnit(const char16_t* text, char16_t unit) {
    for (; *text != 0; ++text) {
        if (*text == unit) return true;
    }
    return false;
}

}  // namespace

int32_t RunHostCommand(const char16_t* command, const char16_t* arguments) {
    if (command == nullptr || command[0] == 0) return -1;

    // One buffer holds first the expansion state, then the line: host calls
    // nest, and each level of them has this frame on the stack.
    char16_t line[MAX_ARG_LEN];
    ExpandHostText(line, MAX_ARG_LEN, u"%_expansion");
    const bool star = command[0] != u'*' && !ContainsUnit(line, u'1');

    line[0] = 0;
    int32_t length = 0;
    if (star) length = TextAppend(line, MAX_ARG_LEN, u"*");
    int32_t needed = length + TextLength(command);
    if (arguments != nullptr && arguments[0] != 0) {
        needed += (IsWideSpace(arguments[0]) ? 0 : 1) + TextLength(arguments);
    }
    // A line that would be cut could run a different command than asked for.
    if (needed > MAX_ARG_LEN - 1) return -1;

    TextAppend(line, MAX_ARG_LEN, command);
    if (arguments != nullptr && arguments[0] != 0) {
        if (!IsWideSpace(arguments[0])) TextAppend(line, MAX_ARG_LEN, u" ");
        TextAppend(line, MAX_ARG_LEN, arguments);
    }
    return Command(line, 0);
}

int32_t BeginExpansionGuard(void) {
    if (guardDepth++ > 0) return 0;
    ExpandHostText(savedExpansion, EXPANSION_TEXT_LEN, u"%_expansion");
    if (savedExpansion[0] == 0) TextCopy(savedExpansion, EXPANSION_TEXT_LEN, u"0");
    RunHostCommand(u"setdos", u" /x-1478+3");
    return 0;
}

int32_t EndExpansionGuard(void) {
    if (guardDepth == 0) return 0;
    if (--guardDepth > 0) return 0;
    TextCopy(restoreArgument, EXPANSION_TEXT_LEN, u"/X");
    TextAppend(restoreArgument, EXPANSION_TEXT_LEN, savedExpansion);
    RunHostCommand(u"setdos", restoreArgument);
    return 0;
}

int32_t ExpandGuarded(char16_t* result, const char16_t* prefix, const char16_t* text, const char16_t* suffix,
                      int32_t flag, const char16_t* tooLongMessage) {
    const int32_t length = TextBoundedLength(prefix, MAX_ARG_LEN) + TextBoundedLength(text, MAX_ARG_LEN) +
                           TextBoundedLength(suffix, MAX_ARG_LEN);
    if (length > MAX_ARG_LEN - 1) {
        ReportError(u"%s", tooLongMessage);
        return INVALID_ARGUMENT_RESULT;
    }

    result[0] = 0;
    TextAppend(result, MAX_ARG_LEN, prefix);
    TextAppend(result, MAX_ARG_LEN, text);
    TextAppend(result, MAX_ARG_LEN, suffix);

    BeginExpansionGuard();
    const int32_t expanded = ExpandVariables(result, flag);
    EndExpansionGuard();
    // The host must keep its value inside the buffer; should it fill every
    // unit, the value still ends here.
    result[MAX_ARG_LEN - 1] = 0;
    return expanded < 0 ? expanded : 0;
}

int32_t ExpansionGuardDepth(void) { return guardDepth; }

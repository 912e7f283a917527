#include "core/host_command.h"

#include "core/char_classes.h"

#include "abi/abi.h"
#include "abi/host_services.h"
#include "core/errors.h"
#include "core/host_query.h"
#include "core/text.h"

namespace {

constexpr int32_t EXPANSION_TEXT_LEN = 32;

// The outermost guard's query buffer for %_expansion, and the SETDOS
// argument its end runs: "/X" and the disabled digits it found, "/x-3" when
// it only knows that it turned variable expansion on, or nothing.
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

// A state as %_expansion lists it: decimal digits only (empty for none).
bool IsDigitList(const char16_t* text) {
    for (; *text != 0; ++text) {
        if (*text < u'0' || *text > u'9') return false;
    }
    return true;
}

// Puts digit into an ascending list of digits that lacks it.
void InsertDigit(char16_t* digits, char16_t digit) {
    int32_t at = 0;
    while (digits[at] != 0 && digits[at] < digit) ++at;
    for (int32_t i = TextLength(digits); i >= at; --i) digits[i + 1] = digits[i];
    digits[at] = digit;
}

// Finds out which features the user has disabled and sets restoreArgument
// to put exactly that back. With variable expansion (3) off, %_expansion
// is not expanded either: the guard turns 3 on, reads the state, and
// remembers that 3 was off. Returns false when the state stays unknown;
// restoreArgument then undoes only what was done here.
bool SaveExpansionState(void) {
    restoreArgument[0] = 0;
    bool threeWasOff = false;
    HostQuery query = QueryHostText(savedExpansion, EXPANSION_TEXT_LEN, u"%_expansion");
    if (query == HostQuery::NOT_EXPANDED) {
        RunHostCommand(u"setdos", u" /x+3");
        threeWasOff = true;
        TextCopy(restoreArgument, EXPANSION_TEXT_LEN, u" /x-3");
        query = QueryHostText(savedExpansion, EXPANSION_TEXT_LEN, u"%_expansion");
    }
    // Only digits go back to SETDOS: its line is expanded again when it runs.
    if (query != HostQuery::EXPANDED || !IsDigitList(savedExpansion) ||
        TextLength(savedExpansion) > EXPANSION_TEXT_LEN - 4) {
        return false;
    }
    if (threeWasOff && !ContainsUnit(savedExpansion, u'3')) InsertDigit(savedExpansion, u'3');
    if (savedExpansion[0] == 0) TextCopy(savedExpansion, EXPANSION_TEXT_LEN, u"0");
    TextCopy(restoreArgument, EXPANSION_TEXT_LEN, u"/X");
    TextAppend(restoreArgument, EXPANSION_TEXT_LEN, savedExpansion);
    return true;
}

}  // namespace

int32_t RunHostCommand(const char16_t* command, const char16_t* arguments) {
    if (command == nullptr || command[0] == 0) return -1;

    // One buffer holds first the expansion state, then the line: host calls
    // nest, and each level of them has this frame on the stack. Without a
    // state to read (expansion off) the "*" goes in: no alias runs by
    // accident.
    char16_t line[MAX_ARG_LEN];
    const bool aliasesOff =
        QueryHostText(line, MAX_ARG_LEN, u"%_expansion") == HostQuery::EXPANDED && ContainsUnit(line, u'1');
    const bool star = command[0] != u'*' && !aliasesOff;

    line[0] = 0;
    int32_t length = 0;
    if (star) length = TextAppend(line, MAX_ARG_LEN, u"*");
    int32_t needed = length + TextLength(command);
    if (arguments != nullptr && arguments[0] != 0) {
        needed += (CharIsSpace(arguments[0]) ? 0 : 1) + TextLength(arguments);
    }
    // A line that would be cut could run a different command than asked for.
    if (needed > MAX_ARG_LEN - 1) return -1;

    TextAppend(line, MAX_ARG_LEN, command);
    if (arguments != nullptr && arguments[0] != 0) {
        if (!CharIsSpace(arguments[0])) TextAppend(line, MAX_ARG_LEN, u" ");
        TextAppend(line, MAX_ARG_LEN, arguments);
    }
    return Command(line, 0);
}

int32_t BeginExpansionGuard(void) {
    if (guardDepth++ > 0) return 0;
    if (SaveExpansionState()) RunHostCommand(u"setdos", u" /x-1478+3");
    return 0;
}

int32_t EndExpansionGuard(void) {
    if (guardDepth == 0) return 0;
    if (--guardDepth > 0) return 0;
    if (restoreArgument[0] != 0) RunHostCommand(u"setdos", restoreArgument);
    return 0;
}

HostQuery QueryHostGuarded(char16_t* buffer, int32_t size, const char16_t* expression) {
    const HostQuery query = QueryHostText(buffer, size, expression);
    if (query != HostQuery::NOT_EXPANDED) return query;
    BeginExpansionGuard();
    const HostQuery guarded = QueryHostText(buffer, size, expression);
    EndExpansionGuard();
    return guarded;
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

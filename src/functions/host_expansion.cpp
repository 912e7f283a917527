#include "functions/host_expansion.h"

#include "charset/unsafe_set.h"
#include "plugin/abi.h"
#include "plugin/errors.h"
#include "plugin/host_command.h"
#include "plugin/host_services.h"
#include "plugin/wide.h"

int32_t BoundedLength(const char16_t* text, int32_t limit) {
    int32_t length = 0;
    while (length < limit && text[length] != 0) ++length;
    return length;
}

int32_t ExpandThroughHost(char16_t* argument, const char16_t* prefix, const char16_t* text,
                          const char16_t* suffix, int32_t flag, const char16_t* tooLongMessage) {
    // Checked before anything is built: a cut expression would ask the host
    // for something other than what the user wrote.
    const int32_t length = BoundedLength(prefix, MAX_ARG_LEN) + BoundedLength(text, MAX_ARG_LEN) +
                           BoundedLength(suffix, MAX_ARG_LEN);
    if (length > MAX_ARG_LEN - 1) {
        ReportError(tooLongMessage);
        return INVALID_ARGUMENT_RESULT;
    }

    char16_t work[MAX_ARG_LEN] = {};
    WideAppend(work, MAX_ARG_LEN, prefix);
    WideAppend(work, MAX_ARG_LEN, text);
    WideAppend(work, MAX_ARG_LEN, suffix);
    work[MAX_ARG_LEN - 1] = 0;

    BeginExpansionGuard();
    const int32_t result = ExpandVariables(work, flag);
    EndExpansionGuard();
    if (result < 0) return result;

    // The host must keep its value inside the buffer; should it fill every
    // unit, the value still ends here.
    work[MAX_ARG_LEN - 1] = 0;
    Remap(work, argument);
    return 0;
}

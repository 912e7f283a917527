#include "functions/host_expansion.h"

#include "abi/abi.h"
#include "charset/unsafe_set.h"
#include "core/host_command.h"

int32_t ExpandThroughHost(char16_t* argument, const char16_t* prefix, const char16_t* text, const char16_t* suffix,
                          int32_t flag, const char16_t* tooLongMessage) {
    char16_t work[MAX_ARG_LEN];
    const int32_t result = ExpandGuarded(work, prefix, text, suffix, flag, tooLongMessage);
    if (result < 0) return result;
    Remap(work, argument);
    return 0;
}

#include "core/host_query.h"

#include "abi/host_services.h"
#include "core/text.h"

int32_t ExpandHostText(char16_t* buffer, int32_t size, const char16_t* expression) {
    TextCopy(buffer, size, expression);
    const int32_t result = ExpandVariables(buffer, 1);
    buffer[size - 1] = 0;
    return result;
}

#include "core/host_query.h"

#include "abi/host_services.h"
#include "core/text.h"

HostQuery QueryHostText(char16_t* buffer, int32_t size, const char16_t* expression) {
    TextCopy(buffer, size, expression);
    const int32_t result = ExpandVariables(buffer, 1);
    buffer[size - 1] = 0;
    HostQuery query = HostQuery::EXPANDED;
    if (result < 0) {
        query = HostQuery::FAILED;
    } else if (TextCompare(buffer, expression) == 0) {
        query = HostQuery::NOT_EXPANDED;
    }
    if (query != HostQuery::EXPANDED) buffer[0] = 0;
    return query;
}

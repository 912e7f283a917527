#include "core/errors.h"

#include "abi/plugin_version.h"
#include "platform/platform.h"
#include "abi/host_services.h"
#include "core/text.h"

int32_t PrintErrorPrefix(void) {
    Qprintf(PlatStandardError(), u"%s plugin: ", PLUGIN_NAME);

    char16_t buffer[MAX_ARG_LEN];
    WideCopy(buffer, MAX_ARG_LEN, u"%_batch");
    ExpandVariables(buffer, 1);
    if (buffer[0] != u'0') {
        WideCopy(buffer, MAX_ARG_LEN, u"%_batchname [%_batchline]  ");
        ExpandVariables(buffer, 1);
        // The batch file's name is data: it travels as an argument, so a "%"
        // in it is never taken for a directive.
        Qprintf(PlatStandardError(), u"%s", buffer);
    }
    return 0;
}

int32_t FormatSystemError(char16_t* buffer, int32_t code) {
    if (buffer == nullptr) return -1;
    if (code == -1) {
        WideCopy(buffer, SYSTEM_ERROR_TEXT_LEN, u"Unknown error");
    } else if (PlatSystemErrorText(code, buffer, SYSTEM_ERROR_TEXT_LEN) == 0) {
        Sprintf(buffer, u"Error %d", code);
    }
    int32_t length = WideLength(buffer);
    while (length > 0 && IsWideSpace(buffer[length - 1])) buffer[--length] = 0;
    return 0;
}

#include "core/char_classes.h"
#include "core/errors.h"

#include "abi/host_services.h"
#include "abi/plugin_version.h"
#include "core/host_query.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

// The batch file's name and line are expanded here, not on the stack: a name
// may be as long as the host's buffer, and an error path should not take
// another 32 KiB of a stack that nested calls share. Only one report uses it
// at a time: expanding the name can call back into the plug-in (a "%" in it
// is expanded again while nested expansion is on), and an error reported
// from there gets the name alone rather than overwriting the text the outer
// report is still expanding.
char16_t batchText[MAX_ARG_LEN];
bool batchTextInUse = false;

}  // namespace

int32_t PrintErrorPrefix(void) {
    Qprintf(PlatStandardError(), u"%s plugin: ", PLUGIN_NAME);
    if (batchTextInUse) return 0;

    // When the host does not expand (variable expansion is off) or fails,
    // the prefix is the one used outside a batch file: the references
    // themselves are no batch file name.
    batchTextInUse = true;
    if (QueryHostText(batchText, MAX_ARG_LEN, u"%_batch") == HostQuery::EXPANDED && batchText[0] != u'0' &&
        QueryHostText(batchText, MAX_ARG_LEN, u"%_batchname [%_batchline]  ") == HostQuery::EXPANDED) {
        // The batch file's name is data: it travels as an argument, so a "%"
        // in it is never taken for a directive.
        Qprintf(PlatStandardError(), u"%s", batchText);
    }
    batchTextInUse = false;
    return 0;
}

int32_t FormatSystemError(char16_t* buffer, int32_t code) {
    if (buffer == nullptr) return -1;
    if (code == -1) {
        TextCopy(buffer, SYSTEM_ERROR_TEXT_LEN, u"Unknown error");
    } else if (PlatSystemErrorText(code, buffer, SYSTEM_ERROR_TEXT_LEN) == 0) {
        Sprintf(buffer, u"Error %d", code);
    }
    int32_t length = TextLength(buffer);
    while (length > 0 && CharIsSpace(buffer[length - 1])) buffer[--length] = 0;
    return 0;
}

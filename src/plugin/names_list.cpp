#include "charset/unsafe_set.h"
#include "abi/abi.h"
#include "abi/host_services.h"
#include "core/text.h"
#include "plugin/names_list.h"

// Every name the plug-in provides, in the order the host lists them.
#define INITIAL_NAMES \
    u"@countsafe,@countsafex,@countunsafe,@countunsafex,@plumquistinfo,@safeclip,@safeclipw," \
    u"@safeenv,@safeexp,@safeline,@saferead,@safewrite,@tagattr,@unsafe,@unsafeesc,@uquotes," \
    u"_amp,_bq,_caret,_closebrk,_closepat,_gt,_lt,_openbrk,_openpat,_pct,_quote,_vbar," \
    u"safearray,plumquisthelp,safeecho,safeechos,unsafe"

namespace {

const char16_t kInitialNames[] = INITIAL_NAMES;

// True when the entry of the given length starting at entry equals name,
// folding ASCII letters.
bool EntryMatches(const char16_t* entry, int32_t length, const char16_t* name) {
    for (int32_t i = 0; i < length; ++i) {
        if (name[i] == 0 || WideToUpper(entry[i]) != WideToUpper(name[i])) return false;
    }
    return name[length] == 0;
}

}  // namespace

char16_t pluginNames[] = INITIAL_NAMES;

void ResetNameList(void) {
    WideCopy(pluginNames, static_cast<int32_t>(sizeof(pluginNames) / sizeof(pluginNames[0])), kInitialNames);
}

bool HostSupportsArrays(void) {
    char16_t buffer[SHORT_QUERY_LEN];
    WideCopy(buffer, SHORT_QUERY_LEN, u"%_4ver");
    ExpandVariables(buffer, 1);
    const int32_t version = WideToLong(buffer);
    WideCopy(buffer, SHORT_QUERY_LEN, u"%_cmdproc");
    ExpandVariables(buffer, 1);
    return static_cast<uint32_t>(version) - 10u <= 245u && !WideEqualsIgnoreCase(buffer, u"TCCLE");
}

int32_t RemoveNameFromList(const char16_t* name) { return RemoveNameFrom(pluginNames, name); }

int32_t RemoveNameFrom(char16_t* list, const char16_t* name) {
    if (list[0] == 0) return -1;

    int32_t start = 0;
    while (list[start] != 0) {
        int32_t end = start;
        while (list[end] != 0 && !IsListSeparator(list[end])) ++end;
        if (EntryMatches(list + start, end - start, name)) {
            if (list[end] != 0) {
                // Move the rest, terminator included, over the entry and its separator.
                int32_t from = end + 1;
                int32_t to = start;
                while ((list[to++] = list[from++]) != 0) {
                }
            } else {
                list[start] = 0;
            }
            break;
        }
        if (list[end] == 0) break;
        start = end + 1;
    }

    const int32_t length = WideLength(list);
    if (length > 0 && IsListSeparator(list[length - 1])) list[length - 1] = 0;
    return 0;
}

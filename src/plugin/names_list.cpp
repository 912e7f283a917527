#include "plugin/names_list.h"

#include "abi/abi.h"
#include "abi/export_table.h"
#include "abi/host_services.h"
#include "charset/unsafe_set.h"
#include "core/host_command.h"
#include "core/host_query.h"
#include "core/numbers.h"
#include "core/text.h"

namespace {

// The names list is the FUNCTION, VARIABLE and COMMAND rows of the export
// table: "@" and the name for a function, the name itself otherwise. Each
// entry is put down with a separator before it; the list starts after the
// first one.
#define PLUM_NAME_ENTRY(name)
#define PLUM_NAME_HOOK(name)
#define PLUM_NAME_FUNCTION(name) u",@" #name
#define PLUM_NAME_VARIABLE(name) u"," #name
#define PLUM_NAME_COMMAND(name) u"," #name
#define PLUM_NAME(kind, name, bytes) PLUM_NAME_##kind(name)
constexpr char16_t kSeparatedNames[] = PLUM_EXPORT_TABLE(PLUM_NAME);
#undef PLUM_NAME

// Code units of the list, terminator included.
constexpr int32_t NAMES_LIST_SIZE = static_cast<int32_t>(sizeof kSeparatedNames / sizeof kSeparatedNames[0]) - 1;

struct NamesList {
    char16_t text[NAMES_LIST_SIZE];
};

constexpr NamesList InitialNames(void) {
    NamesList list = {};
    for (int32_t i = 0; i < NAMES_LIST_SIZE; ++i) list.text[i] = kSeparatedNames[i + 1];
    return list;
}

constexpr NamesList kInitialNames = InitialNames();
// Modifiable: the host may lose "safearray" from it at run time.
NamesList namesList = kInitialNames;

// True when the entry of the given length starting at entry equals name,
// folding ASCII letters.
bool EntryMatches(const char16_t* entry, int32_t length, const char16_t* name) {
    for (int32_t i = 0; i < length; ++i) {
        if (name[i] == 0 || AsciiToUpper(entry[i]) != AsciiToUpper(name[i])) return false;
    }
    return name[length] == 0;
}

}  // namespace

char16_t* const pluginNames = namesList.text;

void ResetNameList(void) { namesList = kInitialNames; }

bool HostSupportsArrays(void) {
    char16_t buffer[SHORT_QUERY_LEN];
    QueryHostGuarded(buffer, SHORT_QUERY_LEN, u"%_4ver");
    int64_t version = 0;
    ReadNumber(buffer, RUNTIME_LONG, &version, nullptr);
    QueryHostGuarded(buffer, SHORT_QUERY_LEN, u"%_cmdproc");
    return static_cast<uint32_t>(version) - 10u <= 245u && !TextEqualsIgnoreAsciiCase(buffer, u"TCCLE");
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
                while ((list[to++] = list[from++]) != 0) {}
            } else {
                list[start] = 0;
            }
            break;
        }
        if (list[end] == 0) break;
        start = end + 1;
    }

    const int32_t length = TextLength(list);
    if (length > 0 && IsListSeparator(list[length - 1])) list[length - 1] = 0;
    return 0;
}

#include "shared/version_display.h"

#include "abi/host_services.h"
#include "abi/plugin_version.h"
#include "core/text.h"
#include "shared/build_stamp.h"
#include "shared/parse_args.h"
#include "shared/usage_texts.h"

const char NEW_HELP_VERSION[] = "1.0.8.14";

namespace {

// The module and stamp texts are widened into buffers of this size.
constexpr int32_t WIDE_TEXT_LEN = 1024;

const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// 13 dots with single spaces between; a module line takes its tail.
const char16_t kLeader[] = u". . . . . . . . . . . . .";
constexpr int32_t LEADER_LEN = 25;

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Position 1..12 of the month named by the first three characters, or 0.
uint32_t MonthOf(const char* date) {
    for (uint32_t i = 0; i < 12; ++i) {
        // A mismatch stops at the latest at the text's terminator.
        int32_t k = 0;
        while (k < 3 && FoldAscii(date[k]) == FoldAscii(kMonths[i][k])) ++k;
        if (k == 3) return i + 1;
    }
    return 0;
}

// Reads decimal digits at *text; stops counting above 99999 so that a long
// run of digits cannot wrap into range.
uint32_t ReadNumber(const char** text) {
    uint32_t value = 0;
    while (**text >= '0' && **text <= '9') {
        if (value <= 99999) value = value * 10 + static_cast<uint32_t>(**text - '0');
        ++*text;
    }
    return value;
}

// Widens 8-bit text through the host; empty when that fails.
void Widen(const char* text, char16_t* destination) {
    destination[0] = 0;
    if (ASCIIToUnicode(text, destination, WIDE_TEXT_LEN) != 0) destination[0] = 0;
}

}  // namespace

int32_t DateToIso(const char* date, char16_t* destination) {
    if (destination == nullptr) return -1;
    if (date == nullptr) return 1;
    const uint32_t month = MonthOf(date);
    if (month == 0) return 1;

    const char* next = date + 3;
    if (!IsBlank(*next)) return 2;
    while (IsBlank(*next)) ++next;
    const uint32_t day = ReadNumber(&next);
    if (day < 1 || day > 31) return 2;

    if (!IsBlank(*next)) return 3;
    while (IsBlank(*next)) ++next;
    const uint32_t year = ReadNumber(&next);
    if (year < 2014 || year > 2099) return 3;

    Sprintf(destination, u"%04u-%02u-%02u", year, month, day);
    return 0;
}

int32_t BuildDateIso(char16_t* destination) { return DateToIso(BUILD_DATE, destination); }

int32_t PrintModuleVersion(const char16_t* name, const char* version) {
    char16_t wide[WIDE_TEXT_LEN];
    Widen(version, wide);
    if (wide[0] == 0) return 0;
    const int32_t length = TextLength(name);
    const int32_t tail = length <= 20 ? 24 - length : 5;
    Printf(u"   %s %s %s\r\n", name, kLeader + (LEADER_LEN - tail), wide);
    return 0;
}

int32_t PrintVersionDisplay(void) {
    char16_t date[WIDE_TEXT_LEN];
    date[0] = 0;
    if (BuildDateIso(date) != 0) date[0] = 0;
    char16_t time[WIDE_TEXT_LEN];
    Widen(BUILD_TIME, time);

    Printf(u"%s plugin  %d.%d.%d.%d  %s %s  (%s)\r\n\n", PLUGIN_NAME, PLUGIN_MAJOR, PLUGIN_MINOR, PLUGIN_BUILD,
           static_cast<int32_t>(PLUGIN_REVISION), date, time, kPlatformTag);
    PrintModuleVersion(u"NewHelp", NEW_HELP_VERSION);
    PrintModuleVersion(u"ParseArgs", PARSE_ARGS_VERSION);
    return 0;
}

int32_t PrintNewHelpVersionLine(void) {
    char16_t version[WIDE_TEXT_LEN];
    Widen(NEW_HELP_VERSION, version);
    if (version[0] != 0) Printf(u"\t\t\t\tNewHelp  %s\r\n", version);
    return 0;
}

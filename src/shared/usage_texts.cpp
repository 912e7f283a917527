// The usage texts of the five commands, the "/?" and "/??" answer and the
// version line. The texts are printed unchanged, trailing spaces included;
// only the syntax line (the third) ends in CR LF.
#include "shared/usage_texts.h"

#include "abi/host_services.h"
#include "abi/plugin_version.h"
#include "core/text.h"

// The processor the library is built for, as Windows names it.
#if defined(__x86_64__) || defined(_M_X64)
const char16_t kPlatformTag[] = u"x64";
#elif defined(__i386__) || defined(_M_IX86)
const char16_t kPlatformTag[] = u"x86";
#elif defined(__aarch64__) || defined(_M_ARM64)
const char16_t kPlatformTag[] = u"arm64";
#elif defined(__arm__) || defined(_M_ARM)
const char16_t kPlatformTag[] = u"arm";
#else
#error "unknown processor: name its platform tag here"
#endif

namespace {

const char16_t kSafeArrayUsage[] =
    u"Replace dangerous characters or quote elements in an array.\n"
    u"\n"
    u"SAFEARRAY /C:n /R:n /Q /QE arrayname\r\n"
    u"\n"
    u"\t/C:  Column (2-D arrays only)\n"
    u"\t/R:  Row    (2-D arrays only)\n"
    u"\t/Q   Quote elements instead of replacing characters\n"
    u"\t/QE   ...  including Empty elements\n"
    u"\n"
    u"The arrayname is required.  The array must already exist; it\n"
    u"must have one or two dimensions.  If /C: is not specified,\n"
    u"all columns will be affected; if /R: is not specified, all\n"
    u"rows will be affected.\n";

const char16_t kPlumquistHelpUsage[] =
    u"Open the Plumquist plugin help file.\n"
    u"\n"
    u"PLUMQUISTHELP /C /F /S /S:text /V topic\r\n"
    u"\n"
    u"\t/C\tselect the Contents tab\n"
    u"\t/F\tselect the Favorites tab\n"
    u"\t/S\tselect the Search tab\n"
    u"\t/S:\tselect the Search tab and search for text\n"
    u"\t/V\tshow detailed plugin version info\n"
    u"\n"
    u"Opens this plugin\u2019s help file to the specified topic.\n"
    u"If no topic is given, opens the Overview page by default.  \n";

const char16_t kSafeEchoUsage[] =
    u"Display remapped text to standard output.\n"
    u"\n"
    u"SAFEECHO text\r\n"
    u"\n"
    u"Displays text to standard output, restoring any  \n"
    u"remapped \u2018safe\u2019 characters to their original,\n"
    u"possibly dangerous values.\n";

const char16_t kSafeEchoSUsage[] =
    u"Display remapped text to standard output.\n"
    u"\n"
    u"SAFEECHOS text\r\n"
    u"\n"
    u"Displays text to standard output, restoring any\n"
    u"remapped \u2018safe\u2019 characters to their original,\n"
    u"possibly dangerous values.  A carriage return and  \n"
    u"line feed will not be appended.\n";

const char16_t kUnsafeUsage[] =
    u"Enable, disable, save, restore, or list dangerous characters.\n"
    u"\n"
    u"UNSAFE /D:chars /E:chars /R /S /Z\r\n"
    u"\n"
    u"\t/D:  Disable (treat characters as safe)\n"
    u"\t/E:  Enable  (treat characters as dangerous)\n"
    u"\t/R   Restore list from registry\n"
    u"\t/S   Save list to registry\n"
    u"\t/Z   Reset to plugin defaults\n"
    u"\n"
    u"chars may be:  a single character, a value 32 - 127, or a  \n"
    u"hex value 0x20 - 0x7f; a range, two characters separated\n"
    u"by a minus sign; or a list of characters/ranges separated\n"
    u"by commas or semicolons.\n"
    u"\n"
    u"/S saves the current list, making it the default when the\n"
    u"plugin is reloaded in the future.  /R restores from the\n"
    u"registry; /Z resets to the original defaults.  /R and /Z\n"
    u"are mutually exclusive.\n"
    u"\n"
    u"If no options are given, UNSAFE will display the current\n"
    u"list of dangerous characters to standard output.\n";

struct UsageEntry {
    const char16_t* command;
    const char16_t* text;
};

const UsageEntry kUsages[] = {
    {u"safearray", kSafeArrayUsage}, {u"plumquisthelp", kPlumquistHelpUsage},
    {u"safeecho", kSafeEchoUsage},   {u"safeechos", kSafeEchoSUsage},
    {u"unsafe", kUnsafeUsage},
};

}  // namespace

const char16_t* UsageText(const char16_t* name) {
    if (name == nullptr) return nullptr;
    for (const UsageEntry& entry : kUsages) {
        if (TextEqualsIgnoreAsciiCase(name, entry.command)) return entry.text;
    }
    return nullptr;
}

const char16_t* UsageSyntaxPart(const char16_t* usage) {
    if (usage == nullptr) return nullptr;
    const char16_t* rest = usage;
    while (*rest != 0 && *rest != u'\n') ++rest;
    while (*rest == u'\n') ++rest;
    return rest;
}

int32_t PrintVersionLine(void) {
    Printf(u"\r\n\t\t\t\t%s  %u.%u.%u.%u (%s)\r\n", PLUGIN_NAME, static_cast<uint32_t>(PLUGIN_MAJOR),
           static_cast<uint32_t>(PLUGIN_MINOR), static_cast<uint32_t>(PLUGIN_BUILD),
           static_cast<uint32_t>(PLUGIN_REVISION), kPlatformTag);
    return 0;
}

bool AnswerHelpOption(const char16_t* option, const char16_t* command) {
    if (option == nullptr) return false;
    const bool usage = TextCompare(option, u"/?") == 0;
    const bool version = TextCompare(option, u"/??") == 0;
    if (!usage && !version) return false;
    const char16_t* text = UsageText(command);
    if (text == nullptr) return false;
    QPuts(text);
    if (version) PrintVersionLine();
    return true;
}

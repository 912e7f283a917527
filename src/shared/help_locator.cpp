#include "shared/help_locator.h"

#include "platform/platform.h"
#include "abi/abi.h"
#include "core/errors.h"
#include "abi/host_services.h"
#include "abi/plugin_version.h"
#include "core/text.h"
#include "shared/help_text.h"
#include "shared/help_viewer.h"

namespace {

// The places, in search order; "%s" is the plug-in's name and "%%" reaches
// the host's expansion as "%". A leading "~\" stands for the directory of the
// plug-in's own library file.
const char16_t* const kCandidateTemplates[] = {
    u"%%[%sHelp]\\%s.chm",
    u"%%[PluginHelp]\\%s.chm",
    u"~\\%s.chm",
    u"~\\Help\\%s.chm",
    u"%%@path[%%_cmdspec]%s.chm",
    u"%%@path[%%_cmdspec]help\\%s.chm",
    u"%%windir\\help\\%s.chm",
};

constexpr int32_t CANDIDATE_LEN = 1024;
constexpr int32_t MESSAGE_LEN = 1024;
constexpr int32_t WINDOWS_DIRECTORY_LEN = 260;

const char16_t kMissingCaption[] = u"Missing Help File";
const char16_t kMissingMessage[] =
    u"I can\u2019t find the help file %s.chm.  It should be:\n\n"
    u"    \u2022  in a directory specified in %%%sHELP\n"
    u"    \u2022  in a directory specified in %%PLUGINHELP\n"
    u"    \u2022  in the same directory as the .DLL file\n"
    u"    \u2022  in a HELP directory within the .DLL\u2019s directory  \n"
    u"    \u2022  in the same directory as the command shell\n"
    u"    \u2022  in a HELP directory within the shell\u2019s directory  \n"
    u"    \u2022  or in %s\\Help.\n";

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Rewrites "~\rest" in work as the directory of the plug-in's library
// followed by "\rest", using scratch (MAX_ARG_LEN units). False when the
// library's name cannot be read whole or the result would not fit.
bool ExpandOwnDirectory(char16_t* work, char16_t* scratch) {
    scratch[0] = 0;
    if (PlatModuleFileName(scratch, MAX_ARG_LEN) <= 0 || scratch[0] == 0) return false;
    int32_t cut = TextLength(scratch);
    while (cut > 0 && !IsSeparator(scratch[cut - 1])) --cut;
    if (cut == 0) return false;
    scratch[cut - 1] = 0;
    if (AppendWhole(scratch, MAX_ARG_LEN, work + 1) < 0) return false;
    TextCopy(work, MAX_ARG_LEN, scratch);
    return true;
}

// Turns a candidate into the full true name of the file it points at, in
// resolved; false when the place cannot be a file of ours.
bool ResolveCandidate(const char16_t* candidate, char16_t* work, char16_t* resolved) {
    if (TextBoundedLength(candidate, MAX_ARG_LEN) >= MAX_ARG_LEN) return false;
    TextCopy(work, MAX_ARG_LEN, candidate);
    if (work[0] == u'~' && work[1] == u'\\' && !ExpandOwnDirectory(work, resolved)) return false;

    const bool bracketed = work[0] == u'%' && work[1] == u'[';
    if (ExpandVariables(work, 1) < 0) return false;
    // An undefined variable leaves "\Plumquist.chm": the root of the
    // current drive, never a place of ours.
    if (bracketed && work[0] == u'\\') return false;
    if (!PlatIsFullPath(work)) return false;

    resolved[0] = 0;
    if (QueryTrueName(work, resolved) != 0 || resolved[0] == 0) return false;
    return true;
}

void ShowMissingHelpFile(void) {
    char16_t upperName[CANDIDATE_LEN];
    TextCopy(upperName, CANDIDATE_LEN, PLUGIN_NAME);
    for (int32_t i = 0; upperName[i] != 0; ++i) upperName[i] = AsciiToUpper(upperName[i]);

    char16_t windowsDirectory[WINDOWS_DIRECTORY_LEN];
    windowsDirectory[0] = 0;
    if (PlatWindowsDirectory(windowsDirectory, WINDOWS_DIRECTORY_LEN) <= 0) windowsDirectory[0] = 0;

    char16_t message[MESSAGE_LEN];
    const char16_t* const texts[] = {PLUGIN_NAME, upperName, windowsDirectory};
    FormatTexts(message, MESSAGE_LEN, kMissingMessage, texts, 3);
    PlatShowMessageBox(message, kMissingCaption);
}

// The resolved name of the candidate being tried. Static, to keep a request
// within the stack budget of one host-sized buffer per function: a help
// request is never re-entered, since the host's expansions it asks for run
// variable functions only, never a command or a help hook.
char16_t resolvedCandidate[MAX_ARG_LEN];

}  // namespace

int32_t TryHelpFile(const char16_t* candidate, const char16_t* topic, int32_t mode, const char16_t* searchText) {
    if (candidate == nullptr || topic == nullptr) return HELP_FILE_MISSING;
    char16_t work[MAX_ARG_LEN];
    char16_t* const resolved = resolvedCandidate;
    if (!ResolveCandidate(candidate, work, resolved) || !PlatIsPlainFile(resolved)) return HELP_FILE_MISSING;

    switch (LaunchHelpViewer(resolved, topic, mode, searchText)) {
        case VIEWER_STARTED:
            return HELP_OPENED;
        case VIEWER_REQUEST_TOO_LONG:
            return HELP_TOPIC_TOO_LONG;
        default:
            return HELP_VIEWER_FAILED;
    }
}

int32_t OpenHelp(const char16_t* topic, int32_t mode, const char16_t* searchText) {
    int32_t firstFailure = HELP_FILE_MISSING;
    for (const char16_t* candidateTemplate : kCandidateTemplates) {
        char16_t candidate[CANDIDATE_LEN];
        const char16_t* const names[] = {PLUGIN_NAME, PLUGIN_NAME};
        if (FormatTexts(candidate, CANDIDATE_LEN, candidateTemplate, names, 2) < 0) continue;
        const int32_t outcome = TryHelpFile(candidate, topic, mode, searchText);
        if (outcome == HELP_OPENED) return HELP_OPENED;
        if (firstFailure == HELP_FILE_MISSING) firstFailure = outcome;
    }
    switch (firstFailure) {
        case HELP_VIEWER_FAILED:
            ReportError(u"Cannot start the help viewer\r\n");
            break;
        case HELP_TOPIC_TOO_LONG:
            ReportError(u"Topic too long\r\n");
            break;
        default:
            ShowMissingHelpFile();
            break;
    }
    return firstFailure;
}

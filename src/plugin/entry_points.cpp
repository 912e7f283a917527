// The lifecycle exports: describe the plug-in, initialise it, shut it down.
#include "abi/abi.h"
#include "abi/exports.h"
#include "abi/host_services.h"
#include "abi/plugin_info.h"
#include "abi/plugin_version.h"
#include "charset/registry_store.h"
#include "charset/unsafe_set.h"
#include "core/char_classes.h"
#include "core/errors.h"
#include "core/host_command.h"
#include "core/host_query.h"
#include "core/numbers.h"
#include "core/text.h"
#include "platform/platform.h"
#include "plugin/names_list.h"
#include "shared/help_viewer.h"

namespace {

PluginInfo pluginInfo;

// The version gate catches "7.00": the single digit 7, then punctuation.
bool IsVersionSeven(const char16_t* version) {
    int64_t major = 0;
    const char16_t* end = nullptr;
    return ReadNumber(version, VERSION_NUMBER, &major, &end) == 0 && major == 7 && end == version + 1 &&
           CharIsPunct(*end);
}

}  // namespace

PLUM_EXPORT PluginInfo* PLUM_CALL GetPluginInfo(void) {
    if (!HostSupportsArrays()) RemoveNameFromList(u"safearray");

    pluginInfo.majorVersion = PLUGIN_MAJOR;
    pluginInfo.minorVersion = PLUGIN_MINOR;
    pluginInfo.build = PLUGIN_BUILD;
    pluginInfo.pluginName = PLUGIN_NAME;
    pluginInfo.author = u"The Plumquist developers";
    pluginInfo.email = u"developers@plumquist.invalid";
    pluginInfo.webAddress = u"https://plumquist.invalid/";
    pluginInfo.description = u"Read and write text containing special characters";
    pluginInfo.names = pluginNames;
    return &pluginInfo;
}

PLUM_EXPORT int32_t PLUM_CALL InitializePlugin(void) {
    // One buffer of the host's full size serves both queries: noloadmsg is
    // the user's variable and may be long. Both are answered even while the
    // user has variable expansion off; a query the host cannot answer at all
    // leaves the buffer empty: no version 7, and no load message.
    char16_t buffer[MAX_ARG_LEN];
    QueryHostGuarded(buffer, MAX_ARG_LEN, u"%_4ver");
    if (IsVersionSeven(buffer)) {
        ReportError(u"4NT / Take Command v8.0 or higher required!\r\n");
        return -1;
    }

    QueryHostGuarded(buffer, MAX_ARG_LEN, u"%[_transient]%[_pipe]%[noloadmsg]");

    SetDefaultUnsafe();
    if (LoadUnsafeSet() == PLAT_ERROR_FILE_NOT_FOUND) SaveUnsafeSet();

    if (TextCompare(buffer, u"00") == 0) {
        Printf(u"%s plugin v%d.%d.%d loaded.\n", PLUGIN_NAME, PLUGIN_MAJOR, PLUGIN_MINOR, PLUGIN_BUILD);
    }
    return 0;
}

PLUM_EXPORT int32_t PLUM_CALL ShutdownPlugin(int32_t /*endProcess*/) {
    // The help viewer is the one thing that outlives a call. Every other
    // handle and registry key is closed within the call that opened it and
    // nothing is allocated, so there is nothing else to release.
    CloseHelpViewer();
    return 0;
}

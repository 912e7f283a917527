// The lifecycle exports: describe the plug-in, initialise it, shut it down.
#include "charset/registry_store.h"
#include "charset/unsafe_set.h"
#include "platform/platform.h"
#include "plugin/abi.h"
#include "plugin/errors.h"
#include "plugin/host_services.h"
#include "plugin/plugin_info.h"
#include "plugin/wide.h"
#include "shared/help_viewer.h"

const char16_t PLUGIN_NAME[] = u"Plumquist";
void* moduleHandle = nullptr;

namespace {

PluginInfo pluginInfo;

// The version gate catches "7.00": a 7 followed by punctuation.
bool IsVersionSeven(const char16_t* version) { return version[0] == u'7' && IsWidePunct(version[1]); }

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
    char16_t buffer[SHORT_QUERY_LEN];
    WideCopy(buffer, SHORT_QUERY_LEN, u"%_4ver");
    ExpandVariables(buffer, 1);
    if (IsVersionSeven(buffer)) {
        ReportError(u"4NT / Take Command v8.0 or higher required!\r\n");
        return -1;
    }

    // noloadmsg is the user's variable and may be long: its expansion gets a
    // buffer of the host's full size.
    char16_t loadConditions[MAX_ARG_LEN];
    WideCopy(loadConditions, MAX_ARG_LEN, u"%[_transient]%[_pipe]%[noloadmsg]");
    ExpandVariables(loadConditions, 1);

    SetDefaultUnsafe();
    if (LoadUnsafeSet() == PLAT_ERROR_FILE_NOT_FOUND) SaveUnsafeSet();

    if (WideCompare(loadConditions, u"00") == 0) {
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

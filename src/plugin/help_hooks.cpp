#include "plugin/help_hooks.h"

#include "abi/plugin_version.h"
#include "core/text.h"
#include "plugin/names_list.h"
#include "shared/help_locator.h"
#include "shared/help_topic.h"
#include "shared/help_viewer.h"
#include "shared/usage_texts.h"

namespace {

// The longest topic a names-list entry can give, terminator included.
constexpr int32_t TOPIC_LEN = 1024;

// True when name equals the entry of the given length, ASCII case folded,
// and ends where the entry ends.
bool NameIsEntry(const char16_t* name, const char16_t* entry, int32_t length) {
    for (int32_t i = 0; i < length; ++i) {
        if (name[i] == 0 || AsciiToUpper(name[i]) != AsciiToUpper(entry[i])) return false;
    }
    return name[length] == 0;
}

}  // namespace

PLUM_EXPORT int32_t PLUM_CALL Help(const char16_t* name) {
    if (name == nullptr) return 0;
    const char16_t* entry = pluginNames;
    while (*entry != 0) {
        int32_t length = 0;
        while (entry[length] != 0 && entry[length] != u',') ++length;
        if (length > 0 && NameIsEntry(name, entry, length)) {
            char16_t topic[TOPIC_LEN];
            if (FormTopic(entry, length, topic, TOPIC_LEN) >= 0) OpenHelp(topic, HELP_MODE_TOPIC, nullptr);
            return 1;
        }
        entry += entry[length] != 0 ? length + 1 : length;
    }
    return 0;
}

PLUM_EXPORT int32_t PLUM_CALL Usage(const char16_t* name, char16_t* buffer) {
    if (name == nullptr || buffer == nullptr) return 0;
    const char16_t* usage = UsageText(name);
    if (usage == nullptr) return 0;
    // Every syntax part is shorter than the host's buffer (the longest has
    // 719 units), so the copy is whole.
    TextCopy(buffer, USAGE_BUFFER_LEN, UsageSyntaxPart(usage));
    return 1;
}

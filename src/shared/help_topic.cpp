#include "shared/help_topic.h"

#include "core/text.h"

int32_t FormTopic(const char16_t* name, int32_t length, char16_t* topic, int32_t size) {
    if (size <= 0) return -1;
    const char16_t* prefix = u"";
    int32_t from = 0;
    if (length > 0 && name[0] == u'@') {
        prefix = u"f_";
        from = 1;
    } else if (length > 0 && name[0] == u'_') {
        prefix = u"v";
    }
    const int32_t prefixLength = TextLength(prefix);
    const int32_t total = prefixLength + length - from;
    if (total >= size) {
        topic[0] = 0;
        return -1;
    }
    for (int32_t i = 0; i < prefixLength; ++i) topic[i] = prefix[i];
    for (int32_t i = from; i < length; ++i) topic[prefixLength + i - from] = AsciiToLower(name[i]);
    topic[total] = 0;
    return total;
}

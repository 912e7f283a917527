#include "shared/help_text.h"

#include "core/text.h"

int32_t AppendWhole(char16_t* destination, int32_t size, const char16_t* source) {
    const int32_t length = TextBoundedLength(destination, size);
    const int32_t extra = TextLength(source);
    if (length >= size || extra >= size - length) return -1;
    for (int32_t i = 0; i <= extra; ++i) destination[length + i] = source[i];
    return length + extra;
}

int32_t FormatTexts(char16_t* destination, int32_t size, const char16_t* format, const char16_t* const* texts,
                    int32_t count) {
    if (size <= 0) return -1;
    destination[0] = 0;
    int32_t used = 0;
    int32_t length = 0;
    for (int32_t i = 0; format[i] != 0; ++i) {
        char16_t single[2] = {format[i], 0};
        const char16_t* piece = single;
        if (format[i] == u'%' && format[i + 1] == u's') {
            if (used == count) {
                destination[0] = 0;
                return -1;
            }
            piece = texts[used++];
            ++i;
        } else if (format[i] == u'%' && format[i + 1] == u'%') {
            ++i;
        }
        length = AppendWhole(destination, size, piece);
        if (length < 0) {
            destination[0] = 0;
            return -1;
        }
    }
    return length;
}

#include "plugin/numbers.h"

#include "plugin/wide.h"

namespace {

int32_t DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return 99;
}

}  // namespace

int32_t ParseNumber(const char16_t* text, uint32_t* value, const char16_t** end) {
    if (text == nullptr || value == nullptr) return -1;

    const char16_t* digits = text;
    uint32_t base = 10;
    if (text[0] == u'0' && WideToUpper(text[1]) == u'X' && IsWideHexDigit(text[2])) {
        base = 16;
        digits = text + 2;
    } else if (!IsWideDigit(text[0])) {
        return -1;
    }

    // Accumulate in 64 bits so that any value above 4294967295 is caught.
    uint64_t number = 0;
    const char16_t* p = digits;
    for (; DigitValue(*p) < static_cast<int32_t>(base); ++p) {
        number = number * base + static_cast<uint64_t>(DigitValue(*p));
        if (number > 0xFFFFFFFFu) return -1;
    }

    if (end == nullptr) {
        if (*p != 0) return -1;
    } else {
        *end = p;
    }
    *value = static_cast<uint32_t>(number);
    return 0;
}

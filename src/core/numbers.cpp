#include "core/numbers.h"

#include "core/text.h"

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
    for (int32_t digit; (digit = WideDigitValueInBase(*p, static_cast<int32_t>(base))) >= 0; ++p) {
        number = number * base + static_cast<uint64_t>(digit);
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

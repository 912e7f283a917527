#include "functions/number_text.h"

namespace {

// Appends the count units of digits (most significant first) when they fit
// with the terminator.
int32_t AppendDigits(char16_t* destination, int32_t size, const char16_t* digits, int32_t count) {
    int32_t length = 0;
    while (length < size && destination[length] != 0) ++length;
    if (length >= size || count > size - 1 - length) return length;
    for (int32_t i = 0; i < count; ++i) destination[length++] = digits[i];
    destination[length] = 0;
    return length;
}

}  // namespace

int32_t AppendDecimal(char16_t* destination, int32_t size, uint32_t value) {
    char16_t digits[10];
    int32_t count = 0;
    do {
        digits[9 - count++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    return AppendDigits(destination, size, digits + 10 - count, count);
}

int32_t AppendHex(char16_t* destination, int32_t size, uint32_t value, int32_t digits) {
    static const char16_t kHexDigits[] = u"0123456789ABCDEF";
    char16_t text[8];
    if (digits < 1) digits = 1;
    if (digits > 8) digits = 8;
    for (int32_t i = digits - 1; i >= 0; --i) {
        text[i] = kHexDigits[value & 0xF];
        value >>= 4;
    }
    return AppendDigits(destination, size, text, digits);
}

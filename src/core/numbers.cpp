#include "core/char_classes.h"
#include "core/numbers.h"

#include "core/text.h"

namespace {

// The value of c as a digit of base (10 or 16) under the policy's digits,
// or -1.
int32_t DigitValue(char16_t c, int32_t base, NumberDigits digits) {
    int32_t value = -1;
    if (c >= u'0' && c <= u'9') {
        value = c - u'0';
    } else if (digits == NumberDigits::UNICODE) {
        value = CharDigitValue(c);
    }
    if (value < 0 && base == 16) {
        if (c >= u'a' && c <= u'f') value = c - u'a' + 10;
        if (c >= u'A' && c <= u'F') value = c - u'A' + 10;
    }
    return value;
}

// Past this the magnitude no longer matters: every range ends before it.
constexpr uint64_t MAGNITUDE_CAP = uint64_t{1} << 40;

}  // namespace

int32_t ReadNumber(const char16_t* text, const NumberPolicy& policy, int64_t* value, const char16_t** end) {
    if (text == nullptr || value == nullptr) return -1;

    const char16_t* p = text;
    bool negative = false;
    if (policy.spaceAndSign) {
        while (CharIsSpace(*p)) ++p;
        if (*p == u'+' || *p == u'-') negative = *p++ == u'-';
    }
    int32_t base = 10;
    if (policy.hexPrefix && p[0] == u'0' && (p[1] == u'x' || p[1] == u'X') &&
        DigitValue(p[2], 16, policy.digits) >= 0) {
        base = 16;
        p += 2;
    }

    const char16_t* digits = p;
    uint64_t magnitude = 0;
    for (int32_t digit; (digit = DigitValue(*p, base, policy.digits)) >= 0; ++p) {
        magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (magnitude > MAGNITUDE_CAP) magnitude = MAGNITUDE_CAP;
    }

    int64_t number = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    if (p == digits) {
        if (!policy.noDigitsIsZero) return -1;
        // Nothing was converted: the end is where the text began.
        number = 0;
        p = text;
    }
    if (policy.end == NumberEnd::WHOLE_TEXT && *p != 0) return -1;
    if (number < policy.minimum || number > policy.maximum) {
        if (policy.overflow == NumberOverflow::FAIL) return -1;
        number = number < policy.minimum ? policy.minimum : policy.maximum;
    }

    *value = number;
    if (end != nullptr) *end = p;
    return 0;
}

int32_t ParseNumber(const char16_t* text, uint32_t* value, const char16_t** end) {
    if (value == nullptr) return -1;
    int64_t number = 0;
    if (ReadNumber(text, end == nullptr ? TYPED_NUMBER : TYPED_NUMBER_START, &number, end) != 0) return -1;
    *value = static_cast<uint32_t>(number);
    return 0;
}

#include "abi/utf8.h"

#include <cstring>

namespace {

constexpr char32_t LAST_CODE_POINT = 0x10FFFF;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The bytes after a lead byte, and the range its first continuation byte
// must lie in (the later ones are always 80..BF). The narrower ranges are
// what rule out overlong forms (E0, F0), surrogates (ED) and values above
// U+10FFFF (F4). False for a byte that cannot lead a sequence.
bool LeadByte(uint8_t lead, int32_t* extra, uint8_t* low, uint8_t* high) {
    *low = 0x80;
    *high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        *extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        *extra = 2;
        if (lead == 0xE0) *low = 0xA0;
        if (lead == 0xED) *high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        *extra = 3;
        if (lead == 0xF0) *low = 0x90;
        if (lead == 0xF4) *high = 0x8F;
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool Utf8Decode(const char* bytes, size_t length, char32_t* codePoint, size_t* used) {
    const auto* b = reinterpret_cast<const uint8_t*>(bytes);
    *used = 1;
    *codePoint = UNICODE_REPLACEMENT;
    if (b[0] < 0x80) {
        *codePoint = b[0];
        return true;
    }
    int32_t extra = 0;
    uint8_t low = 0;
    uint8_t high = 0;
    if (!LeadByte(b[0], &extra, &low, &high)) return false;

    char32_t value = b[0] & (0x3F >> extra);
    for (int32_t k = 1; k <= extra; ++k) {
        if (static_cast<size_t>(k) >= length || b[k] < low || b[k] > high) return false;
        value = (value << 6) | (b[k] & 0x3F);
        *used = static_cast<size_t>(k) + 1;
        low = 0x80;
        high = 0xBF;
    }
    *codePoint = value;
    return true;
}

int32_t Utf8Encode(char32_t c, char* out) {
    if (IsSurrogate(c) || c > LAST_CODE_POINT) c = UNICODE_REPLACEMENT;
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

char32_t Utf16Decode(const char16_t* units, size_t available, size_t* used) {
    *used = 1;
    const char32_t first = units[0];
    if (!IsSurrogate(first)) return first;
    if (first <= 0xDBFF && available > 1 && units[1] >= 0xDC00 && units[1] <= 0xDFFF) {
        *used = 2;
        return 0x10000 + ((first - 0xD800) << 10) + (units[1] - 0xDC00u);
    }
    return UNICODE_REPLACEMENT;
}

int32_t Utf16Encode(char32_t c, char16_t* out) {
    if (c >= 0x10000 && c <= LAST_CODE_POINT) {
        c -= 0x10000;
        out[0] = static_cast<char16_t>(0xD800 + (c >> 10));
        out[1] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        return 2;
    }
    out[0] = static_cast<char16_t>(c > LAST_CODE_POINT ? UNICODE_REPLACEMENT : c);
    return 1;
}

int32_t Utf16ToUtf8(const char16_t* text, int32_t length, char* destination, int32_t size) {
    size_t count = 0;
    if (length < 0) {
        while (text[count] != 0) ++count;
    } else {
        count = static_cast<size_t>(length);
    }
    int32_t out = 0;
    for (size_t i = 0; i < count;) {
        size_t used = 0;
        char encoded[4];
        const int32_t bytes = Utf8Encode(Utf16Decode(text + i, count - i, &used), encoded);
        if (bytes > size - out) return -1;
        std::memcpy(destination + out, encoded, static_cast<size_t>(bytes));
        out += bytes;
        i += used;
    }
    if (out < size) destination[out] = 0;
    return out;
}

int32_t Utf8ToUtf16(const char* text, char16_t* destination, int32_t size) {
    const size_t length = std::strlen(text);
    int32_t out = 0;
    for (size_t i = 0; i < length;) {
        size_t used = 0;
        char32_t c = 0;
        Utf8Decode(text + i, length - i, &c, &used);
        char16_t units[2];
        const int32_t count = Utf16Encode(c, units);
        i += used;
        // Without a destination the units are only counted.
        if (destination == nullptr) {
            out += count;
            continue;
        }
        // The terminator needs its unit too.
        if (count > size - 1 - out) return -1;
        for (int32_t k = 0; k < count; ++k) destination[out++] = units[k];
    }
    if (destination != nullptr && size > 0) destination[out] = 0;
    return out;
}

int32_t Utf8ToUtf16Length(const char* text) { return Utf8ToUtf16(text, nullptr, 0); }

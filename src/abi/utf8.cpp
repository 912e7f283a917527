#include "abi/utf8.h"

int32_t Utf16ToUtf8(const char16_t* text, int32_t length, char* destination, int32_t size) {
    int32_t out = 0;
    auto put = [&](uint32_t byte) {
        if (out >= size) return false;
        destination[out++] = static_cast<char>(byte);
        return true;
    };
    for (int32_t i = 0; length < 0 ? text[i] != 0 : i < length; ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && (length < 0 || i + 1 < length) && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        bool ok;
        if (c < 0x80) {
            ok = put(c);
        } else if (c < 0x800) {
            ok = put(0xC0 | (c >> 6)) && put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            ok = put(0xE0 | (c >> 12)) && put(0x80 | ((c >> 6) & 0x3F)) && put(0x80 | (c & 0x3F));
        } else {
            ok = put(0xF0 | (c >> 18)) && put(0x80 | ((c >> 12) & 0x3F)) && put(0x80 | ((c >> 6) & 0x3F)) &&
                 put(0x80 | (c & 0x3F));
        }
        if (!ok) return -1;
    }
    if (out < size) destination[out] = 0;
    return out;
}

int32_t Utf8ToUtf16(const char* text, char16_t* destination, int32_t size) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    int32_t out = 0;
    auto put = [&](uint32_t unit) {
        if (out >= size - 1) return false;
        destination[out++] = static_cast<char16_t>(unit);
        return true;
    };
    for (int32_t i = 0; bytes[i] != 0;) {
        uint32_t c = bytes[i];
        int32_t extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (c >= 0x80 && c < 0xC0) extra = -1;
        uint32_t value = extra == 3 ? (c & 0x07) : extra == 2 ? (c & 0x0F) : extra == 1 ? (c & 0x1F) : c;
        int32_t used = 1;
        bool valid = extra >= 0 && c < 0xF8;
        for (int32_t k = 1; valid && k <= extra; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            value = (value << 6) | (bytes[i + k] & 0x3F);
            used = k + 1;
        }
        if (!valid || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) value = 0xFFFD;
        i += used;
        bool ok;
        if (value >= 0x10000) {
            value -= 0x10000;
            ok = put(0xD800 + (value >> 10)) && put(0xDC00 + (value & 0x3FF));
        } else {
            ok = put(value);
        }
        if (!ok) return -1;
    }
    if (size > 0) destination[out] = 0;
    return out;
}

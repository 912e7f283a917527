#include "core/text.h"

int32_t TextLength(const char16_t* text) {
    int32_t length = 0;
    while (text[length] != 0) ++length;
    return length;
}

int32_t TextBoundedLength(const char16_t* text, int32_t limit) {
    int32_t length = 0;
    while (length < limit && text[length] != 0) ++length;
    return length;
}

int32_t TextCopy(char16_t* destination, int32_t size, const char16_t* source) {
    if (size <= 0) return 0;
    int32_t i = 0;
    for (; i < size - 1 && source[i] != 0; ++i) destination[i] = source[i];
    destination[i] = 0;
    return i;
}

int32_t TextAppend(char16_t* destination, int32_t size, const char16_t* source) {
    int32_t length = 0;
    while (length < size && destination[length] != 0) ++length;
    if (length >= size) return length;
    return length + TextCopy(destination + length, size - length, source);
}

int32_t TextFromAscii(char16_t* destination, int32_t size, const char* source) {
    if (size <= 0) return 0;
    int32_t i = 0;
    for (; i < size - 1 && source[i] != 0; ++i) destination[i] = static_cast<unsigned char>(source[i]);
    destination[i] = 0;
    return i;
}

int32_t TextCompare(const char16_t* left, const char16_t* right) {
    int32_t i = 0;
    while (left[i] != 0 && left[i] == right[i]) ++i;
    return static_cast<int32_t>(left[i]) - static_cast<int32_t>(right[i]);
}

char16_t AsciiToUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c; }

char16_t AsciiToLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c; }

bool TextEqualsIgnoreAsciiCase(const char16_t* left, const char16_t* right) {
    int32_t i = 0;
    while (left[i] != 0 && AsciiToUpper(left[i]) == AsciiToUpper(right[i])) ++i;
    return left[i] == 0 && right[i] == 0;
}

bool TextStartsWithIgnoreAsciiCase(const char16_t* text, const char16_t* prefix) {
    for (int32_t i = 0; prefix[i] != 0; ++i) {
        if (AsciiToUpper(text[i]) != AsciiToUpper(prefix[i])) return false;
    }
    return true;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

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

namespace {

struct WideRange {
    char16_t first;
    char16_t last;
};

template <int32_t N>
bool InRanges(char16_t c, const WideRange (&ranges)[N]) {
    for (const WideRange& range : ranges) {
        if (c >= range.first && c <= range.last) return true;
    }
    return false;
}

// Unicode white space above U+00FF.
const WideRange kSpaceRanges[] = {{0x1680, 0x1680}, {0x2000, 0x2006}, {0x2008, 0x200A},
                                  {0x2028, 0x2029}, {0x205F, 0x205F}, {0x3000, 0x3000}};

// Unicode punctuation and symbols above U+00FF that the plug-in meets: general
// punctuation (typographic quotes and dashes included), letter-like symbols
// and arrows, CJK punctuation and the fullwidth ASCII punctuation.
const WideRange kPunctRanges[] = {
    {0x02C2, 0x02C5}, {0x02D2, 0x02DF}, {0x037E, 0x037E}, {0x0387, 0x0387}, {0x055A, 0x055F}, {0x0589, 0x058A},
    {0x05BE, 0x05BE}, {0x05C0, 0x05C0}, {0x05C3, 0x05C3}, {0x05F3, 0x05F4}, {0x060C, 0x060D}, {0x061B, 0x061F},
    {0x066A, 0x066D}, {0x06D4, 0x06D4}, {0x0964, 0x0965}, {0x0E4F, 0x0E4F}, {0x0E5A, 0x0E5B}, {0x2010, 0x2027},
    {0x2030, 0x205E}, {0x207A, 0x207E}, {0x208A, 0x208E}, {0x20A0, 0x20C0}, {0x2100, 0x2101}, {0x2103, 0x2106},
    {0x2108, 0x2109}, {0x2114, 0x2114}, {0x2116, 0x2118}, {0x211E, 0x2123}, {0x2125, 0x2125}, {0x2127, 0x2127},
    {0x2129, 0x2129}, {0x212E, 0x212E}, {0x2190, 0x23FF}, {0x2500, 0x27FF}, {0x2900, 0x2BFF}, {0x2E00, 0x2E5D},
    {0x3001, 0x3004}, {0x3008, 0x3020}, {0x3030, 0x3030}, {0xFD3E, 0xFD3F}, {0xFE10, 0xFE19}, {0xFE30, 0xFE52},
    {0xFE54, 0xFE66}, {0xFE68, 0xFE6B}, {0xFF01, 0xFF0F}, {0xFF1A, 0xFF20}, {0xFF3B, 0xFF40}, {0xFF5B, 0xFF65},
    {0xFFE0, 0xFFEE}};

// Unicode decimal digits above U+00FF (the fullwidth and the common scripts).
const WideRange kDigitRanges[] = {{0x0660, 0x0669}, {0x06F0, 0x06F9}, {0x0966, 0x096F},
                                  {0x09E6, 0x09EF}, {0x0E50, 0x0E59}, {0xFF10, 0xFF19}};

// Letters above U+00FF: the alphabetic blocks of the Basic Multilingual Plane.
const WideRange kAlphaRanges[] = {
    {0x0100, 0x02C1}, {0x02C6, 0x02D1}, {0x02E0, 0x02E4}, {0x0370, 0x0373}, {0x0376, 0x0377}, {0x037A, 0x037D},
    {0x037F, 0x037F}, {0x0386, 0x0386}, {0x0388, 0x03FF}, {0x0400, 0x0481}, {0x048A, 0x052F}, {0x0531, 0x0556},
    {0x0560, 0x0588}, {0x05D0, 0x05EA}, {0x0620, 0x064A}, {0x0671, 0x06D3}, {0x0904, 0x0939}, {0x0E01, 0x0E30},
    {0x10A0, 0x10FF}, {0x1100, 0x11FF}, {0x1E00, 0x1FFF}, {0x2C00, 0x2DFF}, {0x3041, 0x3096}, {0x30A1, 0x30FA},
    {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xA000, 0xA48C}, {0xA640, 0xA66E}, {0xA722, 0xA788}, {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF}, {0xFB00, 0xFB06}, {0xFF21, 0xFF3A}, {0xFF41, 0xFF5A}, {0xFF66, 0xFFDC}};

}  // namespace

bool IsWideSpace(char16_t c) {
    if (c < 0x100) return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0xA0;
    return InRanges(c, kSpaceRanges);
}

bool IsWideDigit(char16_t c) {
    if (c < 0x100) return (c >= u'0' && c <= u'9') || c == 0xB2 || c == 0xB3 || c == 0xB9;
    return InRanges(c, kDigitRanges);
}

bool IsWideHexDigit(char16_t c) {
    if (c < 0x100) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    }
    return (c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF26) || (c >= 0xFF41 && c <= 0xFF46);
}

bool IsWideAlpha(char16_t c) {
    if (c < 0x100) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= 0xC0 && c <= 0xD6) ||
               (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8);
    }
    if (c == 0xFFFF) return false;
    return InRanges(c, kAlphaRanges);
}

bool IsWideAlnum(char16_t c) { return IsWideAlpha(c) || IsWideDigit(c); }

bool IsWidePunct(char16_t c) {
    if (c < 0x100) {
        return (c >= 0x21 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
               (c >= 0x7B && c <= 0x7E) || (c >= 0xA1 && c <= 0xBF) || c == 0xD7 || c == 0xF7;
    }
    return InRanges(c, kPunctRanges);
}

int32_t WideDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c < 0x100) return -1;
    // Each range starts at its script's zero.
    for (const WideRange& range : kDigitRanges) {
        if (c >= range.first && c <= range.last) return c - range.first;
    }
    return -1;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

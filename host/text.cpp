#include "text.h"

#include <limits>

namespace plumhost {

namespace {

constexpr char32_t REPLACEMENT = 0xFFFD;

void AppendCodePoint(std::u16string& out, char32_t cp) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (cp >> 10));
        out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
        out += static_cast<char16_t>(cp);
    }
}

// Decodes one UTF-8 sequence at `i`; advances `i` past it. Returns false for
// a malformed sequence (then `i` moves by one byte).
bool DecodeOne(std::string_view bytes, size_t& i, char32_t& cp) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    int extra;
    char32_t min;
    if (b < 0x80) {
        cp = b;
        ++i;
        return true;
    } else if ((b & 0xE0) == 0xC0) {
        extra = 1;
        cp = b & 0x1F;
        min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        extra = 2;
        cp = b & 0x0F;
        min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        extra = 3;
        cp = b & 0x07;
        min = 0x10000;
    } else {
        ++i;
        return false;
    }
    if (i + extra >= bytes.size()) {
        ++i;
        return false;
    }
    for (int k = 1; k <= extra; ++k) {
        unsigned char c = static_cast<unsigned char>(bytes[i + k]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return false;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return false;
    }
    i += extra + 1;
    return true;
}

}  // namespace

std::u16string FromUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        char32_t cp;
        if (!DecodeOne(bytes, i, cp)) cp = REPLACEMENT;
        AppendCodePoint(out, cp);
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        char32_t cp;
        if (!DecodeOne(bytes, i, cp)) return false;
    }
    return true;
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = REPLACEMENT;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::u16string FromLatin1(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (char b : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(b));
    return out;
}

std::u16string FromPointer(const char16_t* text) {
    return text ? std::u16string(text) : std::u16string();
}

char16_t AsciiUpper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
}

char16_t AsciiLower(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
}

std::u16string UpperAscii(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = AsciiUpper(c);
    return out;
}

std::u16string LowerAscii(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) c = AsciiLower(c);
    return out;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    }
    return true;
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsSpace(char16_t c) {
    return c == u' ' || (c >= 0x09 && c <= 0x0D);
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool IsNameChar(char16_t c) {
    return IsDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' ||
           c == u'$';
}

bool IsValidName(std::u16string_view name) {
    if (name.empty() || IsDigit(name[0])) return false;
    for (char16_t c : name) {
        if (!IsNameChar(c)) return false;
    }
    return true;
}

std::u16string_view TrimLeft(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    return text.substr(i);
}

std::u16string_view TrimRight(std::u16string_view text) {
    size_t n = text.size();
    while (n > 0 && IsSpace(text[n - 1])) --n;
    return text.substr(0, n);
}

std::u16string_view Trim(std::u16string_view text) {
    return TrimRight(TrimLeft(text));
}

bool ParseInteger(std::u16string_view text, int64_t& value) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) {
        negative = text[0] == u'-';
        text.remove_prefix(1);
    }
    if (text.empty()) return false;
    int64_t v = 0;
    for (char16_t c : text) {
        if (!IsDigit(c)) return false;
        if (v > (std::numeric_limits<int64_t>::max() - (c - u'0')) / 10) return false;
        v = v * 10 + (c - u'0');
    }
    value = negative ? -v : v;
    return true;
}

std::u16string ToDecimal(int64_t value) {
    std::u16string digits;
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) digits.insert(digits.begin(), u'-');
    return digits;
}

std::vector<std::u16string> SplitWords(std::u16string_view text) {
    std::vector<std::u16string> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSpace(text[i])) ++i;
        if (i >= text.size()) break;
        std::u16string word;
        bool quoted = false;
        while (i < text.size() && (quoted || !IsSpace(text[i]))) {
            if (text[i] == u'"') {
                quoted = !quoted;
            } else {
                word += text[i];
            }
            ++i;
        }
        words.push_back(word);
    }
    return words;
}

std::u16string_view Unquote(std::u16string_view text) {
    if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"') {
        return text.substr(1, text.size() - 2);
    }
    return text;
}

std::u16string DecodeFileText(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string out;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            out += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        return out;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    return IsValidUtf8(bytes) ? FromUtf8(bytes) : FromLatin1(bytes);
}

}  // namespace plumhost

#include "text.h"

#include <limits>

#include "abi/utf8.h"

namespace plumhost {

std::u16string FromUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        char32_t c = 0;
        size_t used = 0;
        Utf8Decode(bytes.data() + i, bytes.size() - i, &c, &used);
        char16_t units[2];
        out.append(units, static_cast<size_t>(Utf16Encode(c, units)));
        i += used;
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        char32_t c = 0;
        size_t used = 0;
        if (!Utf8Decode(bytes.data() + i, bytes.size() - i, &c, &used)) return false;
        i += used;
    }
    return true;
}

std::string ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t used = 0;
        char encoded[4];
        out.append(encoded,
                   static_cast<size_t>(Utf8Encode(Utf16Decode(text.data() + i, text.size() - i, &used), encoded)));
        i += used;
    }
    return out;
}

std::u16string FromLatin1(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (char b : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(b));
    return out;
}

std::u16string FromPointer(const char16_t* text) { return text ? std::u16string(text) : std::u16string(); }

char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c; }

char16_t AsciiLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c; }

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

bool IsSpace(char16_t c) { return c == u' ' || (c >= 0x09 && c <= 0x0D); }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsNameChar(char16_t c) {
    return IsDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c == u'$';
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

std::u16string_view Trim(std::u16string_view text) { return TrimRight(TrimLeft(text)); }

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

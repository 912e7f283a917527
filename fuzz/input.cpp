#include "input.h"

#include <cstdio>

#include "abi/abi.h"

namespace {

constexpr size_t TEXT_LIMIT = MAX_ARG_LEN - 1;

bool IsContinuation(uint8_t byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed-enough sequence at data[0], or 0 when the
// lead byte stands for itself.
size_t SequenceLength(const uint8_t* data, size_t size) {
    const uint8_t lead = data[0];
    size_t length = 0;
    if (lead >= 0xC0 && lead <= 0xDF) length = 2;
    if (lead >= 0xE0 && lead <= 0xEF) length = 3;
    if (lead >= 0xF0 && lead <= 0xF4) length = 4;
    if (length == 0 || length > size) return 0;
    for (size_t i = 1; i < length; ++i) {
        if (!IsContinuation(data[i])) return 0;
    }
    return length;
}

void AppendEscape(std::string& out, uint32_t unit) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\u%04X", unit);
    out += hex;
}

void AppendUtf8(std::string& out, uint32_t point) {
    if (point < 0x80) {
        out += static_cast<char>(point);
    } else if (point < 0x800) {
        out += static_cast<char>(0xC0 | (point >> 6));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += static_cast<char>(0xE0 | (point >> 12));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (point >> 18));
        out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (point & 0x3F));
    }
}

}  // namespace

uint8_t FuzzInput::Byte() { return position_ < size_ ? data_[position_++] : 0; }

uint16_t FuzzInput::Word() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | (Byte() << 8));
}

std::u16string FuzzInput::Text() {
    std::u16string text = DecodeText(data_ + position_, size_ - position_);
    position_ = size_;
    return text;
}

std::u16string DecodeText(const uint8_t* data, size_t size) {
    std::u16string text;
    size_t i = 0;
    while (i < size && data[i] != 0 && text.size() < TEXT_LIMIT) {
        const size_t length = SequenceLength(data + i, size - i);
        const uint8_t* p = data + i;
        if (length == 2) {
            text += static_cast<char16_t>(((p[0] & 0x1F) << 6) | (p[1] & 0x3F));
        } else if (length == 3) {
            text += static_cast<char16_t>(((p[0] & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F));
        } else if (length == 4) {
            const uint32_t point = ((p[0] & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
            if (point < 0x10000 || point > 0x10FFFF) {
                text += static_cast<char16_t>(p[0]);
                ++i;
                continue;
            }
            text += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
            if (text.size() < TEXT_LIMIT) text += static_cast<char16_t>(0xDC00 + ((point - 0x10000) & 0x3FF));
        } else {
            text += static_cast<char16_t>(p[0]);
        }
        i += length == 0 ? 1 : length;
    }
    return text;
}

std::u16string Filled(const std::u16string& text, uint8_t fill) {
    if (fill < 0xE0 || text.empty()) return text;
    const size_t wanted = static_cast<size_t>(MAX_ARG_LEN - (fill & 0x0F));
    if (text.size() >= wanted) return text;
    if (fill >= 0xF0) return text + std::u16string(wanted - text.size(), text.back());
    std::u16string result;
    result.reserve(wanted + text.size());
    while (result.size() < wanted) result += text;
    result.resize(wanted);
    return result;
}

std::string Escaped(const std::u16string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((unit - 0xD800u) << 10) + (text[i + 1] - 0xDC00u));
            ++i;
        } else if (high || low || unit < 0x20 || (unit >= 0x7F && unit <= 0x9F) || unit >= 0xFFFD) {
            AppendEscape(out, unit);
        } else if (unit == u'\\') {
            out += "\\\\";
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::string EscapedBytes(const void* bytes, size_t count) {
    std::string out;
    const auto* p = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < count; ++i) {
        if (p[i] >= 0x20 && p[i] < 0x7F && p[i] != '\\') {
            out += static_cast<char>(p[i]);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", p[i]);
            out += hex;
        }
    }
    return out;
}

// A fuzz input read front to back: a few bytes that choose settings, then
// the rest as the text of an argument.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    // The next byte; 0 once the input is used up.
    uint8_t Byte();
    uint16_t Word();
    // The rest of the input as UTF-16 (see DecodeText).
    std::u16string Text();

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// Bytes to UTF-16 code units, so that seeds and dictionaries stay readable
// while every unit stays reachable: a UTF-8 sequence of two or three bytes
// gives its unit (overlong and surrogate forms too), one of four bytes a
// surrogate pair, and any other byte the unit of the same value. A zero byte
// ends the text. At most MAX_ARG_LEN - 1 units are kept.
std::u16string DecodeText(const uint8_t* data, size_t size);

// Lengthens an argument towards the end of the host's buffer, so that short
// inputs reach its limits. Only a fill byte of 0xE0 or more acts (one
// random byte in eight, so that most inputs stay short and fast): the text
// grows to MAX_ARG_LEN - (fill & 0x0F) units (the call truncates to what
// fits), repeating the whole text (0xE0..0xEF) or its last unit (0xF0..0xFF).
std::u16string Filled(const std::u16string& text, uint8_t fill);

// UTF-16 as UTF-8 for a transcript: control characters, unpaired
// surrogates and U+FFFD..U+FFFF as \uXXXX, a backslash doubled.
std::string Escaped(const std::u16string& text);
// Bytes for a transcript: printable ASCII as it is, every other byte as \xNN.
std::string EscapedBytes(const void* bytes, size_t count);

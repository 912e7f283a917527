// Text helpers of the host emulator: UTF-8/UTF-16 conversion, ASCII case
// folding, trimming and number parsing. The emulator keeps all text as UTF-16
// (char16_t) and converts only at the operating-system boundary.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plumhost {

// Decodes UTF-8 (abi/utf8.h, the codec the plug-in uses too); every
// ill-formed sequence becomes U+FFFD.
std::u16string FromUtf8(std::string_view bytes);
// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view bytes);
// One code unit per byte (ISO 8859-1).
std::u16string FromLatin1(std::string_view bytes);
// The UTF-16 text at `text`, or an empty text for a null pointer.
std::u16string FromPointer(const char16_t* text);

// Case folding touches the ASCII letters only.
char16_t AsciiUpper(char16_t c);
char16_t AsciiLower(char16_t c);
std::u16string UpperAscii(std::u16string_view text);
std::u16string LowerAscii(std::u16string_view text);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);
bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix);

// Space, tab, CR, LF, vertical tab and form feed.
bool IsSpace(char16_t c);
bool IsDigit(char16_t c);
// The characters of a variable, array or function name: ASCII letters,
// digits, "_" and "$".
bool IsNameChar(char16_t c);
bool IsValidName(std::u16string_view name);

std::u16string_view TrimLeft(std::u16string_view text);
std::u16string_view TrimRight(std::u16string_view text);
std::u16string_view Trim(std::u16string_view text);

// Reads a whole text (surrounding white space allowed) as a signed decimal
// integer; false when it is empty, holds anything else or overflows.
// This is the host's own reading of the numbers its functions and commands
// take (@LINE, @CLIP, array indices, EXIT), which is not the plug-in's: ASCII
// digits only, 64-bit, white space on both sides. So the emulator keeps it
// rather than the plug-in's number reader (which it may not include either:
// it sees only src/abi/).
bool ParseInteger(std::u16string_view text, int64_t& value);
std::u16string ToDecimal(int64_t value);

// Splits at white space; a double-quoted part may hold white space, and its
// quotes are removed.
std::vector<std::u16string> SplitWords(std::u16string_view text);

// Removes one pair of surrounding double quotes.
std::u16string_view Unquote(std::u16string_view text);

// Splits a file's text into lines at LF, CR LF or a lone CR; a line end at
// the very end does not start another (empty) line.
template <typename Fn>
void ForEachLine(std::u16string_view text, Fn&& fn) {
    size_t start = 0;
    size_t i = 0;
    while (i < text.size()) {
        char16_t c = text[i];
        if (c == u'\n' || c == u'\r') {
            if (!fn(text.substr(start, i - start))) return;
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) fn(text.substr(start));
}

// Decodes the bytes of a text file: UTF-16LE after FF FE, UTF-8 after its
// byte-order mark or when well-formed, ISO 8859-1 otherwise.
std::u16string DecodeFileText(std::string_view bytes);

}  // namespace plumhost

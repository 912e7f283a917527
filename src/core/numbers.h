// The numbers the plug-in reads, from users and from the host: one reader,
// run under a named policy that says which digits count, whether "0x"
// selects hexadecimal, where the number must end and what a value out of
// range does.
//
// A digit is a code unit whose value the reader can tell: "0".."9", where
// the policy allows them the decimal digits of other scripts (fullwidth,
// Arabic-Indic, ...) as the C runtime's conversions read them, and in base
// 16 the letters a..f and A..F. The superscripts U+00B2, U+00B3 and U+00B9
// belong to the digit class (CharIsDigit) but have no value: no number
// begins or goes on with one.
#pragma once

#include <cstdint>

enum class NumberDigits : uint8_t {
    ASCII,    // "0".."9" only
    UNICODE,  // also the decimal digits of other scripts
};

enum class NumberEnd : uint8_t {
    WHOLE_TEXT,    // the digits must reach the end of the text
    AFTER_DIGITS,  // reading stops at the first code unit that is no digit
};

enum class NumberOverflow : uint8_t {
    FAIL,      // a value outside the range is a failure
    SATURATE,  // a value outside the range becomes the nearer end of it
};

struct NumberPolicy {
    NumberDigits digits;
    bool hexPrefix;       // "0x" or "0X" followed by a hexadecimal digit: base 16 after the prefix
    bool spaceAndSign;    // leading white space, then one "+" or "-", are read first
    bool noDigitsIsZero;  // no digits reads as 0, ending where the text began; else a failure
    NumberEnd end;
    NumberOverflow overflow;
    int64_t minimum;
    int64_t maximum;
};

// clang-format off
// What users type (ParseNumber): an unsigned 32-bit number, decimal or "0x"
// hexadecimal, with nothing before it; the whole text, or its start.
constexpr NumberPolicy TYPED_NUMBER = {
    NumberDigits::UNICODE,
    /*hexPrefix=*/true,
    /*spaceAndSign=*/false,
    /*noDigitsIsZero=*/false,
    NumberEnd::WHOLE_TEXT,
    NumberOverflow::FAIL,
    /*minimum=*/0,
    /*maximum=*/UINT32_MAX,
};
constexpr NumberPolicy TYPED_NUMBER_START = {
    NumberDigits::UNICODE,
    /*hexPrefix=*/true,
    /*spaceAndSign=*/false,
    /*noDigitsIsZero=*/false,
    NumberEnd::AFTER_DIGITS,
    NumberOverflow::FAIL,
    /*minimum=*/0,
    /*maximum=*/UINT32_MAX,
};

// A host value read as the C runtime's wide string-to-long conversion reads
// base 10 (%_4ver, @ARRAYINFO): white space and a sign first, whatever
// follows the digits ignored, no digits 0, out of range saturated.
constexpr NumberPolicy RUNTIME_LONG = {
    NumberDigits::UNICODE,
    /*hexPrefix=*/false,
    /*spaceAndSign=*/true,
    /*noDigitsIsZero=*/true,
    NumberEnd::AFTER_DIGITS,
    NumberOverflow::SATURATE,
    /*minimum=*/INT32_MIN,
    /*maximum=*/INT32_MAX,
};

// A handle of @SAFEWRITE: decimal or "0x" hexadecimal, the whole text; as
// the signed 32-bit conversion does, larger values end at its maximum.
constexpr NumberPolicy HANDLE_NUMBER = {
    NumberDigits::UNICODE,
    /*hexPrefix=*/true,
    /*spaceAndSign=*/false,
    /*noDigitsIsZero=*/false,
    NumberEnd::WHOLE_TEXT,
    NumberOverflow::SATURATE,
    /*minimum=*/0,
    /*maximum=*/INT32_MAX,
};

// The leading decimal digits of %_codepage as an unsigned 32-bit number.
constexpr NumberPolicy CODE_PAGE_NUMBER = {
    NumberDigits::UNICODE,
    /*hexPrefix=*/false,
    /*spaceAndSign=*/false,
    /*noDigitsIsZero=*/false,
    NumberEnd::AFTER_DIGITS,
    NumberOverflow::FAIL,
    /*minimum=*/0,
    /*maximum=*/UINT32_MAX,
};

// The leading ASCII digits of %_4ver, for the version gate.
constexpr NumberPolicy VERSION_NUMBER = {
    NumberDigits::ASCII,
    /*hexPrefix=*/false,
    /*spaceAndSign=*/false,
    /*noDigitsIsZero=*/false,
    NumberEnd::AFTER_DIGITS,
    NumberOverflow::SATURATE,
    /*minimum=*/0,
    /*maximum=*/INT32_MAX,
};
// clang-format on

// Reads the number at the start of text under policy. On success stores the
// value and, when end is not null, the position after the digits, and
// returns 0. Returns -1, storing nothing, for a null text or value, no
// digits (unless the policy reads that as 0), code units after the digits
// under WHOLE_TEXT, or a value out of range under FAIL.
int32_t ReadNumber(const char16_t* text, const NumberPolicy& policy, int64_t* value, const char16_t** end);

// The numbers users type: unsigned 32-bit, decimal or "0x" hexadecimal.
// Without an end place the digits must reach the end of the text; with one,
// the position after the digits is stored there. Returns 0 on success, -1 on
// failure (nothing stored then).
int32_t ParseNumber(const char16_t* text, uint32_t* value, const char16_t** end);

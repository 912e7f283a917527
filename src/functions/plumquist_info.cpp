// @PLUMQUISTINFO: the plug-in's version, the unsafe set in compact form, and
// the remapping or unremapping of a literal text.
#include "abi/abi.h"
#include "abi/exports.h"
#include "abi/plugin_version.h"
#include "charset/unsafe_set.h"
#include "core/errors.h"
#include "core/numbers.h"
#include "core/text.h"
#include "functions/number_text.h"

namespace {

constexpr uint32_t SELECTOR_VERSION = 0;
constexpr uint32_t SELECTOR_UNSAFE_SET = 1;
constexpr uint32_t SELECTOR_REMAP = 2;
constexpr uint32_t SELECTOR_UNREMAP = 3;

// The 96 flags as a 96-bit number, bit i for character 0x20 + i, in 24
// hexadecimal digits, most significant first: six groups of sixteen flags.
void WriteUnsafeSet(char16_t* buffer) {
    buffer[0] = 0;
    for (int32_t group = UNSAFE_COUNT / 16 - 1; group >= 0; --group) {
        uint32_t value = 0;
        for (int32_t index = group * 16 + 15; index >= group * 16; --index) {
            value = (value << 1) | (unsafeSet[index] != 0 ? 1u : 0u);
        }
        AppendHex(buffer, MAX_ARG_LEN, value, 4);
    }
}

}  // namespace

PLUM_EXPORT int32_t PLUM_CALL f_plumquistinfo(char16_t* buffer) {
    if (buffer == nullptr) return -1;

    uint32_t selector = 0;
    const char16_t* end = nullptr;
    if (ParseNumber(buffer, &selector, &end) != 0) {
        ReportError(u"Bad value \"%s\"\r\n", buffer);
        return -1;
    }

    switch (selector) {
        case SELECTOR_VERSION:
            buffer[0] = 0;
            AppendDecimal(buffer, MAX_ARG_LEN, PLUGIN_MAJOR);
            TextAppend(buffer, MAX_ARG_LEN, u".");
            AppendDecimal(buffer, MAX_ARG_LEN, PLUGIN_MINOR);
            TextAppend(buffer, MAX_ARG_LEN, u".");
            AppendDecimal(buffer, MAX_ARG_LEN, PLUGIN_BUILD);
            break;
        case SELECTOR_UNSAFE_SET: WriteUnsafeSet(buffer); break;
        case SELECTOR_REMAP:
        case SELECTOR_UNREMAP: {
            // The text after the separator moves to the front of the same
            // buffer; both copies run forwards, so that is safe.
            const char16_t* text = IsListSeparator(*end) ? end + 1 : nullptr;
            if (text == nullptr) {
                buffer[0] = 0;
            } else if (selector == SELECTOR_REMAP) {
                Remap(text, buffer);
            } else {
                Unremap(text, buffer);
            }
            break;
        }
        default:
            buffer[0] = u'?';
            buffer[1] = 0;
            AppendDecimal(buffer, MAX_ARG_LEN, selector);
            break;
    }
    return 0;
}

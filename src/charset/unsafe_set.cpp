#include "charset/unsafe_set.h"

#include "abi/abi.h"
#include "core/errors.h"
#include "core/host_command.h"
#include "core/text.h"

int32_t unsafeSet[UNSAFE_COUNT];

namespace {

const char16_t kDefaultUnsafe[] = u"\"%&()<>[]^`|";
// A name that does not fit the expression is a bad argument: the negated
// Windows code for an invalid parameter.

// The copy loop shared by Remap and Unremap: stops after the terminator or at
// REMAP_LIMIT, writing strictly forwards so the buffers may overlap that way.
template <typename ShouldReplace, typename Replace>
int32_t CopyReplacing(const char16_t* source, char16_t* destination, ShouldReplace shouldReplace, Replace replace) {
    if (source == nullptr || destination == nullptr) return -1;
    int32_t count = 0;
    for (int32_t i = 0;; ++i) {
        char16_t c = source[i];
        if (i >= REMAP_LIMIT) {
            // The cut: a unit that is not written is not counted either.
            c = 0;
        } else if (shouldReplace(c)) {
            c = replace(c);
            ++count;
        }
        destination[i] = c;
        if (c == 0) break;
    }
    return count;
}

}  // namespace

int32_t SetDefaultUnsafe(void) {
    for (int32_t& flag : unsafeSet) flag = 0;
    for (const char16_t* c = kDefaultUnsafe; *c != 0; ++c) unsafeSet[*c - UNSAFE_FIRST] = 1;
    return 0;
}

int32_t IsDangerous(char16_t c) {
    const uint16_t index = static_cast<uint16_t>(c - UNSAFE_FIRST);
    if (index >= UNSAFE_COUNT) return 0;
    return unsafeSet[index];
}

bool IsSafeForm(char16_t c) { return static_cast<uint16_t>(c + 0x100) < UNSAFE_COUNT; }

int32_t Remap(const char16_t* source, char16_t* destination) {
    return CopyReplacing(
        source, destination, [](char16_t c) { return IsDangerous(c) != 0; },
        [](char16_t c) { return static_cast<char16_t>(c + SAFE_FORM_OFFSET); });
}

int32_t Unremap(const char16_t* source, char16_t* destination) {
    return CopyReplacing(
        source, destination, [](char16_t c) { return IsSafeForm(c); },
        [](char16_t c) { return static_cast<char16_t>(c - SAFE_FORM_OFFSET); });
}

namespace {

// Replaces text by the host's value of "%name". Returns 1 when text now holds
// a value to count, 0 for an empty value, or a negative failure.
int32_t ExpandNameInPlace(char16_t* text) {
    const char16_t* name = NameArgument(text);
    if (name[0] == 0) {
        ReportError(u"Missing variable or function name\r\n");
        return -1;
    }
    // A name too long for "%" and the name is refused, not cut: a cut name
    // would count the value of some other variable.
    char16_t work[MAX_ARG_LEN];
    const int32_t result = ExpandGuarded(work, u"%", name, u"", 1, u"Name too long\r\n");
    if (result < 0) return result;
    if (work[0] == 0) return 0;
    TextCopy(text, MAX_ARG_LEN, work);
    return 1;
}

}  // namespace

int32_t CountChars(char16_t* text, int32_t mode, bool expand) {
    if (text == nullptr) return -1;
    if (expand) {
        const int32_t expanded = ExpandNameInPlace(text);
        if (expanded <= 0) return expanded;
    }

    int32_t safeForms = 0;
    int32_t dangerous = 0;
    for (const char16_t* c = text; *c != 0; ++c) {
        if (IsSafeForm(*c)) {
            ++safeForms;
        } else if (IsDangerous(*c)) {
            ++dangerous;
        }
    }
    if (mode == 0) return safeForms;
    if (mode == 1) return dangerous;
    return -2;
}

const char16_t* NameArgument(const char16_t* argument) { return argument[0] == u'%' ? argument + 1 : argument; }

bool IsOptionValueSeparator(char16_t c) { return c == u':' || c == u'='; }

bool IsListSeparator(char16_t c) { return c == u',' || c == u';'; }

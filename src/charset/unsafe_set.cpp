#include "charset/unsafe_set.h"

#include "abi/abi.h"
#include "charset/remap_kernels.h"
#include "core/errors.h"
#include "core/host_command.h"
#include "core/text.h"

int32_t unsafeSet[UNSAFE_COUNT];

namespace {

const char16_t kDefaultUnsafe[] = u"\"%&()<>[]^`|";

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

int32_t Remap(const char16_t* source, char16_t* destination) {
    if (source == nullptr || destination == nullptr) return -1;
    return ActiveRemapKernels()->remap(source, destination, unsafeSet);
}

int32_t Unremap(const char16_t* source, char16_t* destination) {
    if (source == nullptr || destination == nullptr) return -1;
    return ActiveRemapKernels()->unremap(source, destination);
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

    // Safe forms and dangerous characters never overlap, so each count is
    // a walk of its own.
    if (mode == 0) return ActiveRemapKernels()->countSafeForms(text);
    if (mode == 1) return ActiveRemapKernels()->countDangerous(text, unsafeSet);
    return -2;
}

const char16_t* NameArgument(const char16_t* argument) { return argument[0] == u'%' ? argument + 1 : argument; }

bool IsOptionValueSeparator(char16_t c) { return c == u':' || c == u'='; }

bool IsListSeparator(char16_t c) { return c == u',' || c == u';'; }

#include "charset/character_list.h"

#include "charset/unsafe_set.h"
#include "core/char_classes.h"
#include "core/numbers.h"

namespace {

bool EndsItem(char16_t c) { return c == 0 || c == u'-' || IsListSeparator(c); }

// Reads one item of a character list at *position: a number (two leading
// digits, or "0x") or a single character. Moves *position past it.
ListFault ReadItem(const char16_t** position, uint32_t* value) {
    const char16_t* p = *position;
    if (CharIsDigit(p[0]) && (CharIsDigit(p[1]) || p[1] == u'x' || p[1] == u'X')) {
        const char16_t* end = nullptr;
        if (ParseNumber(p, value, &end) != 0) return ListFault::SYNTAX;
        if (*value < LOWEST_CHARACTER || *value > HIGHEST_CHARACTER) return ListFault::RANGE;
        *position = end;
        return ListFault::NONE;
    }
    if (!EndsItem(p[1])) return ListFault::SYNTAX;
    *value = p[0];
    if (*value < LOWEST_CHARACTER || *value > HIGHEST_CHARACTER) return ListFault::RANGE;
    *position = p + 1;
    return ListFault::NONE;
}

}  // namespace

ListFault ReadCharacterList(const char16_t* list, int32_t flag, int32_t* set) {
    if (list[0] == 0) return ListFault::SYNTAX;
    const char16_t* p = list;
    for (;;) {
        uint32_t first = 0;
        ListFault fault = ReadItem(&p, &first);
        if (fault != ListFault::NONE) return fault;
        uint32_t last = first;
        if (*p == u'-') {
            ++p;
            if (*p == 0) return ListFault::SYNTAX;
            fault = ReadItem(&p, &last);
            if (fault != ListFault::NONE) return fault;
            if (last < first) {
                const uint32_t swap = first;
                first = last;
                last = swap;
            }
        }
        if (set != nullptr) {
            for (uint32_t c = first; c <= last; ++c) set[c - LOWEST_CHARACTER] = flag;
        }

        if (*p == 0) return ListFault::NONE;
        if (!IsListSeparator(*p)) return ListFault::SYNTAX;
        ++p;
        if (*p == 0) return ListFault::NONE;
    }
}

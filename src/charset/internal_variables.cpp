#include "charset/internal_variables.h"

#include "abi/abi.h"
#include "abi/exports.h"

int32_t ReturnSingleChar(char16_t* buffer, char16_t unit) {
    if (buffer == nullptr) return -1;
    buffer[0] = unit;
    buffer[1] = 0;
    return 0;
}

// The values are fixed safe forms: they do not follow the unsafe set, so a
// script gets the same unit whether or not the character is dangerous now.
#define PLUM_INTERNAL_VARIABLE(name, unit)                 \
    PLUM_EXPORT int32_t PLUM_CALL name(char16_t* buffer) { \
        if (buffer == nullptr) return 1;                   \
        ReturnSingleChar(buffer, unit);                    \
        return 0;                                          \
    }

PLUM_INTERNAL_VARIABLE(_amp, u'\xFF06')       // &
PLUM_INTERNAL_VARIABLE(_bq, u'\xFF40')        // `
PLUM_INTERNAL_VARIABLE(_caret, u'\xFF3E')     // ^
PLUM_INTERNAL_VARIABLE(_closebrk, u'\xFF3D')  // ]
PLUM_INTERNAL_VARIABLE(_closepat, u'\xFF09')  // )
PLUM_INTERNAL_VARIABLE(_gt, u'\xFF1E')        // >
PLUM_INTERNAL_VARIABLE(_lt, u'\xFF1C')        // <
PLUM_INTERNAL_VARIABLE(_openbrk, u'\xFF3B')   // [
PLUM_INTERNAL_VARIABLE(_openpat, u'\xFF08')   // (
PLUM_INTERNAL_VARIABLE(_pct, u'\xFF05')       // %
PLUM_INTERNAL_VARIABLE(_quote, u'\xFF02')     // "
PLUM_INTERNAL_VARIABLE(_vbar, u'\xFF5C')      // |

#undef PLUM_INTERNAL_VARIABLE

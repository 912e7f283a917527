#include "core/char_classes.h"

namespace {

constexpr uint8_t CHAR_LETTER = 0x01;
constexpr uint8_t CHAR_DIGIT = 0x02;
constexpr uint8_t CHAR_SPACE = 0x04;
constexpr uint8_t CHAR_PUNCT = 0x08;
constexpr uint8_t CHAR_HEX_DIGIT = 0x10;

// The classes of a code unit and its decimal value (-1 for none). Few
// distinct records exist, so the table stores an index to one per code unit.
struct CharRecord {
    uint8_t classes;
    int8_t digitValue;
};

// CHAR_RECORDS, CHAR_BLOCK_SHIFT, CHAR_BLOCK_OF_PAGE and CHAR_BLOCKS, made
// by scripts/gen_char_classes.py.
#include "core/char_class_table.inc"

constexpr uint32_t CHAR_BLOCK_MASK = (1u << CHAR_BLOCK_SHIFT) - 1;

static_assert(sizeof(CHAR_BLOCK_OF_PAGE) / sizeof(CHAR_BLOCK_OF_PAGE[0]) == (0x10000u >> CHAR_BLOCK_SHIFT),
              "one block number per page of the code-unit range");
static_assert(sizeof(CHAR_BLOCKS[0]) == (1u << CHAR_BLOCK_SHIFT), "one record index per code unit of a page");

const CharRecord& RecordOf(char16_t c) {
    const uint32_t unit = c;
    const uint32_t block = CHAR_BLOCK_OF_PAGE[unit >> CHAR_BLOCK_SHIFT];
    return CHAR_RECORDS[CHAR_BLOCKS[block][unit & CHAR_BLOCK_MASK]];
}

bool HasClass(char16_t c, uint8_t classes) { return (RecordOf(c).classes & classes) != 0; }

}  // namespace

bool CharIsLetter(char16_t c) { return HasClass(c, CHAR_LETTER); }

bool CharIsDigit(char16_t c) { return HasClass(c, CHAR_DIGIT); }

bool CharIsLetterOrDigit(char16_t c) { return HasClass(c, CHAR_LETTER | CHAR_DIGIT); }

bool CharIsSpace(char16_t c) { return HasClass(c, CHAR_SPACE); }

bool CharIsPunct(char16_t c) { return HasClass(c, CHAR_PUNCT); }

bool CharIsHexDigit(char16_t c) { return HasClass(c, CHAR_HEX_DIGIT); }

bool CharIsGraphic(char16_t c) { return HasClass(c, CHAR_LETTER | CHAR_DIGIT | CHAR_PUNCT); }

int32_t CharDigitValue(char16_t c) { return RecordOf(c).digitValue; }

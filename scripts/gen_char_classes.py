#!/usr/bin/env python3
"""Generates src/core/char_class_table.inc, the character-class table of the
plug-in, from the Unicode Character Database's UnicodeData.txt.

Every UTF-16 code unit 0x0000..0xFFFF gets a set of classes (letter, digit,
white space, punctuation, hexadecimal digit) and a decimal digit value:

- below U+0100 a fixed table that does not depend on the database;
- from U+0100 on the general category decides: L* letter, Nd digit,
  Zs/Zl/Zp white space, P*, S* and No punctuation; every other category
  (marks, Nl, controls, format characters, surrogates, private use) and every
  unassigned code point has no class;
- the fullwidth 0-9, A-F and a-f are hexadecimal digits too, and U+FFFF has
  no class; the typographic quotes and the em dash (punctuation) and the
  macron vowels (letters) are checked, and the script stops if the database
  ever disagrees.

The table is two-level: the code unit's high bits pick a block, the low bits
an entry in it; equal blocks are stored once, and the block size is the one
that gives the fewest bytes. Each entry is an index into a
short list of distinct (classes, digit value) records.

Usage:
    gen_char_classes.py [--ucd PATH] [-o PATH] [--stats]

The table goes to standard output, or to PATH with -o. The build does not run
this script: the generated file is committed, and a test compares it with a
fresh run when the database is installed (Debian package unicode-data).
"""

import argparse
import sys

DEFAULT_UCD = "/usr/share/unicode/UnicodeData.txt"

LETTER = 0x01
DIGIT = 0x02
SPACE = 0x04
PUNCT = 0x08
HEX_DIGIT = 0x10

FLAG_NAMES = [
    (LETTER, "CHAR_LETTER"),
    (DIGIT, "CHAR_DIGIT"),
    (SPACE, "CHAR_SPACE"),
    (PUNCT, "CHAR_PUNCT"),
    (HEX_DIGIT, "CHAR_HEX_DIGIT"),
]

NO_VALUE = -1

# Below U+0100 the classes are fixed. The superscripts two, three and one are
# digits and punctuation at once, without a decimal value.
FIXED_LOW = {
    SPACE: [(0x09, 0x0D), (0x20, 0x20), (0xA0, 0xA0)],
    DIGIT: [(0x30, 0x39), (0xB2, 0xB3), (0xB9, 0xB9)],
    HEX_DIGIT: [(0x30, 0x39), (0x41, 0x46), (0x61, 0x66)],
    LETTER: [(0x41, 0x5A), (0x61, 0x7A), (0xC0, 0xD6), (0xD8, 0xF6), (0xF8, 0xFF)],
    PUNCT: [(0x21, 0x2F), (0x3A, 0x40), (0x5B, 0x60), (0x7B, 0x7E), (0xA1, 0xBF),
            (0xD7, 0xD7), (0xF7, 0xF7)],
}

# Categories that give a class from U+0100 on.
CATEGORY_CLASSES = {
    "Lu": LETTER, "Ll": LETTER, "Lt": LETTER, "Lm": LETTER, "Lo": LETTER,
    "Nd": DIGIT,
    "Zs": SPACE, "Zl": SPACE, "Zp": SPACE,
    "Pc": PUNCT, "Pd": PUNCT, "Ps": PUNCT, "Pe": PUNCT, "Pi": PUNCT, "Pf": PUNCT, "Po": PUNCT,
    "Sm": PUNCT, "Sc": PUNCT, "Sk": PUNCT, "So": PUNCT,
    "No": PUNCT,
}

# Code units the plug-in depends on: the fullwidth hexadecimal digits gain
# that class, U+FFFF has none, and the rest are checked (see classify).
FULLWIDTH_HEX = [(0xFF10, 0xFF19), (0xFF21, 0xFF26), (0xFF41, 0xFF46)]
TYPOGRAPHIC_PUNCT = [(0x2014, 0x2014), (0x2018, 0x201D)]
MACRON_VOWELS = [0x0100, 0x0101, 0x0112, 0x0113, 0x012A, 0x012B, 0x014C, 0x014D, 0x016A, 0x016B]
NO_CLASS = [0xFFFF]


def read_categories(path):
    """Returns {code: (category, decimal value or NO_VALUE)} for the BMP,
    with the <..., First>/<..., Last> ranges expanded."""
    entries = {}
    range_start = None
    with open(path, encoding="utf-8") as ucd:
        for line_number, line in enumerate(ucd, 1):
            line = line.rstrip("\n")
            if not line:
                continue
            fields = line.split(";")
            if len(fields) != 15:
                raise SystemExit(f"{path}:{line_number}: expected 15 fields, found {len(fields)}")
            code = int(fields[0], 16)
            name, category, decimal = fields[1], fields[2], fields[6]
            value = int(decimal) if decimal else NO_VALUE
            if name.endswith(", First>"):
                range_start = code
                continue
            first = code
            if name.endswith(", Last>"):
                if range_start is None:
                    raise SystemExit(f"{path}:{line_number}: range end without a start")
                first, range_start = range_start, None
            for c in range(first, min(code, 0xFFFF) + 1):
                entries[c] = (category, value)
    if range_start is not None:
        raise SystemExit(f"{path}: range start without an end")
    return entries


def in_ranges(c, ranges):
    return any(first <= c <= last for first, last in ranges)


def fixed_low_classes(c):
    flags = 0
    for flag, ranges in FIXED_LOW.items():
        if in_ranges(c, ranges):
            flags |= flag
    value = c - 0x30 if 0x30 <= c <= 0x39 else NO_VALUE
    return flags, value


def database_classes(entry):
    if entry is None:
        return 0, NO_VALUE
    category, value = entry
    flags = CATEGORY_CLASSES.get(category, 0)
    if flags & DIGIT:
        if not 0 <= value <= 9:
            raise SystemExit(f"decimal digit without a value 0..9: {entry}")
        return flags, value
    return flags, NO_VALUE


def classify(entries):
    """Returns a list of 65536 (flags, value) pairs."""
    table = []
    for c in range(0x10000):
        if c < 0x100:
            table.append(fixed_low_classes(c))
        else:
            table.append(database_classes(entries.get(c)))
    # The typographic quotes, the em dash and the macron vowels already have
    # the classes the plug-in relies on; a database that says otherwise needs
    # a person to decide, so the generator stops.
    for first, last in TYPOGRAPHIC_PUNCT:
        for c in range(first, last + 1):
            require(table, c, PUNCT)
    for c in MACRON_VOWELS:
        require(table, c, LETTER)
    for first, last in FULLWIDTH_HEX:
        for c in range(first, last + 1):
            require(table, c, DIGIT if first == 0xFF10 else LETTER)
            flags, value = table[c]
            table[c] = (flags | HEX_DIGIT, value)
    for c in NO_CLASS:
        table[c] = (0, NO_VALUE)
    return table


def require(table, c, flags):
    if table[c][0] != flags:
        raise SystemExit(f"U+{c:04X}: the database gives classes {table[c][0]:#x}, expected {flags:#x}")


def best_split(indices):
    """Tries block sizes of 2**4..2**10 and returns the smallest layout:
    (shift, block index per page, deduplicated blocks)."""
    best = None
    for shift in range(4, 11):
        size = 1 << shift
        blocks, block_of_page, seen = [], [], {}
        for start in range(0, 0x10000, size):
            block = tuple(indices[start:start + size])
            if block not in seen:
                seen[block] = len(blocks)
                blocks.append(block)
            block_of_page.append(seen[block])
        index_bytes = 1 if len(blocks) <= 256 else 2
        total = len(block_of_page) * index_bytes + len(blocks) * size
        if best is None or total < best[0]:
            best = (total, shift, block_of_page, blocks)
    return best[1], best[2], best[3]


def flag_expression(flags):
    names = [name for flag, name in FLAG_NAMES if flags & flag]
    return " | ".join(names) if names else "0"


def emit(out, table):
    records = sorted(set(table), key=lambda r: (r[0], r[1]))
    record_index = {record: i for i, record in enumerate(records)}
    if len(records) > 256:
        raise SystemExit("more than 256 distinct class records")
    indices = [record_index[r] for r in table]
    shift, block_of_page, blocks = best_split(indices)
    size = 1 << shift
    index_type = "uint8_t" if len(blocks) <= 256 else "uint16_t"

    out.write("// Generated by scripts/gen_char_classes.py from UnicodeData.txt. Do not edit;\n")
    out.write("// run the script again instead.\n")
    out.write("//\n")
    out.write(f"// {len(records)} records, {len(block_of_page)} pages of {size} code units,"
              f" {len(blocks)} distinct blocks:\n")
    out.write(f"// {len(block_of_page) * (1 if index_type == 'uint8_t' else 2)} + {len(blocks) * size}"
              f" bytes of lookup data.\n\n")

    out.write("const CharRecord CHAR_RECORDS[] = {\n")
    for flags, value in records:
        out.write(f"    {{{flag_expression(flags)}, {value}}},\n")
    out.write("};\n\n")

    out.write(f"constexpr int32_t CHAR_BLOCK_SHIFT = {shift};\n\n")

    out.write(f"const {index_type} CHAR_BLOCK_OF_PAGE[{len(block_of_page)}] = {{\n")
    write_numbers(out, block_of_page, 16)
    out.write("};\n\n")

    out.write(f"const uint8_t CHAR_BLOCKS[{len(blocks)}][{size}] = {{\n")
    for number, block in enumerate(blocks):
        first_page = block_of_page.index(number)
        out.write(f"    {{  // {number}: first used for U+{first_page * size:04X}\n")
        write_numbers(out, block, 32, indent=8)
        out.write("    },\n")
    out.write("};\n")


def write_numbers(out, numbers, per_line, indent=4):
    for start in range(0, len(numbers), per_line):
        line = ", ".join(str(n) for n in numbers[start:start + per_line])
        out.write(" " * indent + line + ",\n")


def print_stats(table):
    counts = {}
    for flags, _ in table:
        for flag, name in FLAG_NAMES:
            if flags & flag:
                counts[name] = counts.get(name, 0) + 1
    for _, name in FLAG_NAMES:
        print(f"{name}: {counts.get(name, 0)}", file=sys.stderr)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--ucd", default=DEFAULT_UCD, help="UnicodeData.txt (default %(default)s)")
    parser.add_argument("-o", "--output", default="-", help="output file, - for standard output")
    parser.add_argument("--stats", action="store_true", help="count each class on standard error")
    args = parser.parse_args()

    table = classify(read_categories(args.ucd))
    if args.stats:
        print_stats(table)
    if args.output == "-":
        emit(sys.stdout, table)
    else:
        with open(args.output, "w", encoding="ascii", newline="\n") as out:
            emit(out, table)


if __name__ == "__main__":
    main()

#!/bin/sh
# The committed character-class table must be what the generator makes from
# the installed Unicode database. Without the database (Debian package
# unicode-data) or Python 3 there is nothing to compare: exit 77, which ctest
# reports as skipped.
# Usage: check_char_class_table.sh PYTHON GENERATOR TABLE UNICODEDATA
set -u
python=$1 generator=$2 table=$3 ucd=$4

if [ ! -r "$ucd" ]; then
    echo "skipped: $ucd is not installed (Debian package unicode-data)"
    exit 77
fi
if [ -z "$python" ] || ! "$python" --version >/dev/null 2>&1; then
    echo "skipped: no Python 3 to run $generator"
    exit 77
fi

fresh=$(mktemp) || exit 1
trap 'rm -f "$fresh"' EXIT
if ! "$python" "$generator" --ucd "$ucd" -o "$fresh"; then
    echo "the generator failed"
    exit 1
fi
if ! cmp -s "$fresh" "$table"; then
    echo "$table differs from the generator's output; run:"
    echo "    python3 scripts/gen_char_classes.py -o src/core/char_class_table.inc"
    diff "$table" "$fresh" | head -40
    exit 1
fi
echo "$table matches $ucd"

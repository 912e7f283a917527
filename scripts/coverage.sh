#!/bin/sh
# Measures how much of src/ the tests run: builds build/coverage with clang's
# source-based coverage (no sanitizers), runs every ctest test there (the unit
# tests, the script and help tests through plumhost with the instrumented
# plug-in, and whatever else ctest lists, such as a fuzz corpus replay), merges
# the profiles and prints line and branch coverage of src/ per file and in
# total. The HTML report goes to build/coverage/html/index.html.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
started=$(date +%s)

sh scripts/bootstrap.sh

dir=$root/build/coverage
profiles=$dir/profiles
echo "== building $dir (clang, source-based coverage)"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DPLUM_COVERAGE=ON -DPLUM_SANITIZE=OFF -DPLUM_WERROR=OFF >/dev/null
# Listing the unit tests after the link runs the test program: its profile
# goes aside, so that only the test runs are counted.
mkdir -p "$dir/build-profiles"
if ! LLVM_PROFILE_FILE="$dir/build-profiles/%p-%m.profraw" \
    cmake --build "$dir" -j 2 >"$dir/build.log" 2>&1; then
    cat "$dir/build.log"
    exit 1
fi
# The compiler's warnings are worth seeing; the rest of the log is not.
grep -E 'warning:' "$dir/build.log" || true
rm -rf "$dir/build-profiles"

echo "== running the tests"
rm -rf "$profiles"
mkdir -p "$profiles"
# Every process (each unit test, plumhost, the plug-in it loads) writes a
# profile of its own: %p is the process, %m the instrumented module.
status=0
LLVM_PROFILE_FILE="$profiles/%p-%m.profraw" \
    ctest --test-dir "$dir" -j 2 --output-on-failure >"$dir/ctest.log" 2>&1 || status=$?
grep -E '^[0-9]+% tests passed|tests failed|\(Failed\)|\*\*\*' "$dir/ctest.log" || true
if [ "$status" != 0 ]; then
    echo "coverage: some tests failed (see $dir/ctest.log); the figures below count what ran"
fi

echo "== merging $(find "$profiles" -name '*.profraw' | wc -l) profiles"
find "$profiles" -name '*.profraw' >"$dir/profiles.list"
llvm-profdata merge -sparse -f "$dir/profiles.list" -o "$dir/coverage.profdata"

# Every program and library of the build that carries coverage mappings
# (not the copies that tests make of them in test-work/).
find "$dir" \( -path "$dir/CMakeFiles" -o -path "$dir/test-work" \) -prune -o -type f \( -perm -u+x -o -name '*.so' \) -print |
    while IFS= read -r file; do
        if llvm-readelf --section-headers "$file" 2>/dev/null | grep -q '__llvm_covmap'; then
            echo "$file"
        fi
    done >"$dir/objects.list"
objects=$(sed '2,$s/^/-object /' "$dir/objects.list" | tr '\n' ' ')
if [ -z "$objects" ]; then
    echo "coverage: no instrumented program found in $dir"
    exit 1
fi

# shellcheck disable=SC2086
llvm-cov report $objects -instr-profile="$dir/coverage.profdata" "$root/src" >"$dir/report.txt"
# shellcheck disable=SC2086
llvm-cov show $objects -instr-profile="$dir/coverage.profdata" -format=html \
    -show-branches=count -output-dir="$dir/html" "$root/src"

echo "== coverage of src/ (lines and branches), least-covered files first"
# The report's columns: file (relative to src/), then regions, functions,
# lines and branches, three columns each: count, missed, cover. Headers
# without lines of code are left out.
row='%-44s %7s %7s %8s %9s %7s %8s\n'
# shellcheck disable=SC2059
printf "$row" file lines missed cover branches missed cover
awk -v row="$row" '
    NF == 13 && $1 != "Filename" && $1 != "TOTAL" && $8 > 0 { printf row, $1, $8, $9, $10, $11, $12, $13 }
' "$dir/report.txt" | sort -k4,4n -k3,3nr
awk -v row="$row" '$1 == "TOTAL" { printf "\n" row, "TOTAL", $8, $9, $10, $11, $12, $13 }' "$dir/report.txt"
echo
echo "HTML report: $dir/html/index.html"
echo "coverage: done in $(($(date +%s) - started)) s"
exit $status

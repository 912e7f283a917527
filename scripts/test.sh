#!/bin/sh
# Installs what is missing, builds the three builds and runs every test
# suite this machine can run:
#   native       the Linux build, under AddressSanitizer and UBSan; always
#   Windows x64  the x86-64 DLL and programs under 64-bit Wine; always
#   Windows x86  the i686 DLL and programs under 32-bit Wine, where the
#                machine can run 32-bit programs. Where it cannot (or with
#                PLUM_NO_WINE32=1), the i686 DLL is still built and its
#                import and export tables are still checked; one line says
#                what was skipped and why.
# Then the native and x64 runs of every script (and fuzz corpus) are
# compared with each other (scripts/differential.sh).
# The summary at the end names each suite with its counts.
set -eu
cd "$(dirname "$0")/.."
sh scripts/bootstrap.sh
sh scripts/build.sh

logs=build/test-logs
mkdir -p "$logs"
status=0
summary=""

# Adds a suite's line to the summary from its ctest log.
record() {
    suite=$1
    log=$2
    counts=$(grep -E '^[0-9]+% tests passed' "$log" | tail -n 1)
    skipped=$(grep -c -E '\*\*\*Skipped|Not Run' "$log" || true)
    if [ -z "$counts" ]; then counts="no tests ran"; fi
    summary="$summary
  $suite: $counts ($skipped not run or skipped)"
}

# Runs ctest in one build directory; its output goes to the screen and a log.
run_suite() {
    suite=$1
    dir=$2
    log=$3
    shift 3
    echo "== $suite"
    if ! ctest --test-dir "$dir" --output-on-failure "$@" >"$log" 2>&1; then
        status=1
    fi
    cat "$log"
    record "$suite" "$log"
}

run_suite "native" build/native "$logs/native.log" -j 2
run_suite "Windows x64 (64-bit Wine)" build/win64 "$logs/win64.log" -j 1

why=$(sh scripts/can-run-wine32.sh) && wine32=yes || wine32=no
if [ "$wine32" = yes ]; then
    run_suite "Windows x86 (32-bit Wine)" build/win32 "$logs/win32.log" -j 1
else
    line="Windows x86: 32-bit runtime tests skipped: $why; the i686 DLL was built and its tables checked"
    echo "== $line"
    # The static checks run no Windows code; listing the unit tests would,
    # so PLUM_WINE_UNAVAILABLE leaves them out of this run.
    PLUM_WINE_UNAVAILABLE=1 run_suite "Windows x86, static checks only" build/win32 "$logs/win32-static.log" -L static
    summary="$summary
  $line"
fi

# The native build against the x64 DLL, script by script; its last line is
# its summary.
echo "== differential native vs x64"
if ! sh scripts/differential.sh >"$logs/differential.log" 2>&1; then
    status=1
fi
cat "$logs/differential.log"
line=$(grep '^differential native vs x64: ' "$logs/differential.log" | tail -n 1 || true)
if [ -z "$line" ]; then line="differential native vs x64: did not finish (see $logs/differential.log)"; fi
summary="$summary
  $line"

echo
echo "== summary$summary"
exit $status

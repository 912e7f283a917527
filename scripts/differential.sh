#!/bin/sh
# Runs every script of tests/scripts twice, natively (build/native,
# plumquist.so) and against the x86-64 DLL under 64-bit Wine (build/win64,
# Plumquist.dll), each the way its test runs it, and compares the two runs
# with each other byte for byte: standard output, standard error, the exit
# status and every file the script left in its working folder. The corpus
# transcripts of fuzz_replay, where the builds have it, are compared the
# same way. Differences listed in tests/differential_expected.txt are
# rewritten away before the comparison; any other difference fails.
#
# Both builds must exist (scripts/build.sh makes them). The runs are kept in
# build/differential/native and build/differential/win64 for a look after a
# failure; "sh scripts/differential.sh --compare" compares them again without
# running anything (after a change of the rules, say). The last line is the
# summary.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
out=$root/build/differential
# Both sides run in the same folder, one after the other, so that paths the
# plug-in prints differ only in their form (/x/y against Z:\x\y).
run=$out/run

# Compares the runs kept in $out; the cases are the names listed in
# $out/cases and $out/fuzz_cases, the reason for skipping the corpora in
# $out/fuzz_note.
compare() {
    # shellcheck disable=SC2046
    python3 scripts/differential_compare.py --rules tests/differential_expected.txt \
        --native "$out/native" --win64 "$out/win64" --work "$run" \
        --scripts $(cat "$out/cases") --fuzz $(cat "$out/fuzz_cases") --note "$(cat "$out/fuzz_note")"
}

if [ "${1:-}" = --compare ]; then
    if [ ! -f "$out/cases" ]; then
        echo "differential: no runs to compare in $out; run sh scripts/differential.sh first" >&2
        exit 2
    fi
    compare
    exit
fi

native_host=$root/build/native/plumhost
native_plugin=$root/build/native/plumquist.so
wine_run=$root/build/win64/wine-run
win64_host=$root/build/win64/plumhost.exe
win64_plugin=$root/build/win64/Plumquist.dll
for file in "$native_host" "$native_plugin" "$wine_run" "$win64_host" "$win64_plugin"; do
    if [ ! -e "$file" ]; then
        echo "differential: $file is missing; build both builds first (sh scripts/build.sh)" >&2
        exit 2
    fi
done

rm -rf "$out"
mkdir -p "$out/native" "$out/win64"

# One Wine server for all the Windows runs, as the test suite has.
"$wine_run" --start-server
trap '"$wine_run" --stop-server' EXIT

# Runs script $2 under side $1 in a fresh working folder, as
# tests/run_script.cmake does, and moves the folder to $out/SIDE/NAME with
# the streams beside it: NAME.out, NAME.err, NAME.status.
run_script() {
    side=$1
    script=$2
    name=$(basename "$script" .btm)
    dir=$(dirname "$script")
    rm -rf "$run"
    mkdir -p "$run"
    cp "$script" "$run/"
    for data in "$dir/$name".*.txt; do
        if [ -e "$data" ]; then cp "$data" "$run/"; fi
    done
    extra=""
    if [ -f "$dir/$name.args" ]; then extra=$(cat "$dir/$name.args"); fi
    registry=$out/$side/$name.registry
    if [ "$side" = native ]; then
        set -- "$native_host" $extra -p "$native_plugin" "$name.btm"
        plugin=$native_plugin
    else
        # Every test starts from a registry without the plug-in's key.
        "$wine_run" reg delete 'HKCU\SOFTWARE\VIDaveruz' /f >/dev/null 2>&1 || true
        set -- "$wine_run" "$win64_host" $extra -p "$win64_plugin" "$name.btm"
        plugin=$win64_plugin
    fi
    status=0
    (cd "$run" && PLUGIN_FILE=$plugin PLUMQUIST_REGISTRY=$registry "$@") \
        >"$out/$side/$name.out" 2>"$out/$side/$name.err" || status=$?
    echo "$status" >"$out/$side/$name.status"
    mv "$run" "$out/$side/$name"
}

cases=""
for script in tests/scripts/*.btm; do
    run_script native "$script"
    run_script win64 "$script"
    cases="$cases $(basename "$script" .btm)"
done

# The fuzz corpora: one transcript per target, from the top of the tree so
# that the corpus paths it may print are the same relative paths on both
# sides.
#
# Both replays run in the fuzzer's bare environment (scripts/bare-env.sh), so
# that the transcripts depend on the builds alone, not on who started the
# comparison. Wine adds the variables Windows defines and makes its own PATH:
# an input that prints one of those differs by nature and does not belong in
# the corpora (see fuzz.sh --merge).
fuzz_cases=""
native_replay=$(find build/native -name fuzz_replay -type f 2>/dev/null | head -n 1)
win64_replay=$(find build/win64 -name fuzz_replay.exe -type f 2>/dev/null | head -n 1)
corpora=$(find fuzz/corpus -mindepth 1 -maxdepth 1 -type d 2>/dev/null | sort)
if [ -z "$native_replay" ]; then
    fuzz_note="fuzz corpora skipped: build/native has no fuzz_replay yet"
elif [ -z "$win64_replay" ]; then
    fuzz_note="fuzz corpora skipped: build/win64 has no fuzz_replay.exe yet"
elif [ -z "$corpora" ]; then
    fuzz_note="fuzz corpora skipped: no fuzz/corpus/<target> folders"
else
    fuzz_note=""
    for corpus in $corpora; do
        name=fuzz_$(basename "$corpus")
        status=0
        sh scripts/bare-env.sh "$native_replay" --transcript "$corpus" \
            >"$out/native/$name.out" 2>"$out/native/$name.err" || status=$?
        echo "$status" >"$out/native/$name.status"
        status=0
        sh scripts/bare-env.sh "$wine_run" "$win64_replay" --transcript "$corpus" \
            >"$out/win64/$name.out" 2>"$out/win64/$name.err" || status=$?
        echo "$status" >"$out/win64/$name.status"
        fuzz_cases="$fuzz_cases $name"
    done
fi

echo "$cases" >"$out/cases"
echo "$fuzz_cases" >"$out/fuzz_cases"
echo "$fuzz_note" >"$out/fuzz_note"
compare

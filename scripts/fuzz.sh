#!/bin/sh
# Builds the fuzz targets with clang and libFuzzer in build/fuzz and fuzzes
# each target (all, or the ones named) in turn, then prints a summary table.
#
#   sh scripts/fuzz.sh [--seconds N | --runs N] [--jobs N] [target...]
#   sh scripts/fuzz.sh --merge [target...]
#
#   --seconds N  fuzz each target for N seconds (default 60)
#   --runs N     fuzz each target for N executions instead
#   --jobs N     fuzz N targets at the same time (default 1; the machine has
#                two cores); the targets are started in the order given
#   --list       print the target names and stop
#   --merge      fuzz nothing: add to the seeds fuzz/corpus/<target> those
#                inputs of the work corpus build/fuzz/corpus/<target> that
#                reach code the seeds do not (libFuzzer's -merge=1, which
#                names them by the SHA-1 of their content), and print how
#                many each target gained. What a campaign reached then stays
#                in the test command's replay once committed; run
#                scripts/differential.sh first and delete an input whose
#                result rests on the machine's own variables (%PATH%, say).
#
# Each target starts from its seeds in fuzz/corpus/<target> with the
# dictionary fuzz/dict/<target>.dict. New inputs go to the work corpus
# build/fuzz/corpus/<target>, crashes and other findings to
# build/fuzz/findings/<target>, the log to build/fuzz/logs/<target>.log;
# fuzzing writes nothing into the repository (only --merge does). A finding
# worth keeping becomes a regression input
# fuzz/corpus/<target>/regression-<what>, which the test fuzz_corpus_replay
# then runs in every build.
#
# The summary gives per target the executions, executions per second,
# libFuzzer's coverage (cov: edges, ft: features) and the findings of this
# run. The exit status is 1 when anything was found.
set -eu
cd "$(dirname "$0")/.."

seconds=60
runs=""
jobs=1
list=no
merge=no
targets=""
while [ $# -gt 0 ]; do
    case "$1" in
        --seconds) seconds=$2; runs=""; shift 2 ;;
        --runs) runs=$2; shift 2 ;;
        --jobs) jobs=$2; shift 2 ;;
        --list) list=yes; shift ;;
        --merge) merge=yes; shift ;;
        -h|--help) awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; exit 0 ;;
        -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
        *) targets="$targets $1"; shift ;;
    esac
done

all_targets=$(ls fuzz/corpus)
if [ "$list" = yes ]; then
    echo "$all_targets"
    exit 0
fi
if [ -z "$targets" ]; then
    targets=$all_targets
fi
for t in $targets; do
    if [ ! -d "fuzz/corpus/$t" ]; then
        echo "fuzz.sh: no target $t (see --list)" >&2
        exit 2
    fi
done

sh scripts/bootstrap.sh

# Absolute paths: the fuzz program works in a scratch folder of its own.
out=$(pwd)/build/fuzz
seeds=$(pwd)/fuzz
# fuzz/untraced.txt names the few leaf routines left without coverage tracing.
sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -fsanitize-coverage-ignorelist=$seeds/untraced.txt"
CC=clang CXX=clang++ cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLUM_FUZZ=ON -DPLUM_TESTS=OFF \
    "-DCMAKE_C_FLAGS=$sanitizers" "-DCMAKE_CXX_FLAGS=$sanitizers" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" >/dev/null
cmake --build "$out" -j2 --target plumquist_fuzz >/dev/null
program=$out/fuzz/plumquist_fuzz

# Each process makes its scratch folder in here (on /dev/shm where there is
# one, so the registry store's fsync costs nothing); removed at the end.
if [ -d /dev/shm ]; then scratch_root=/dev/shm; else scratch_root=$out; fi
scratch=$(mktemp -d "$scratch_root/plumquist-fuzz.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
trap 'exit 130' INT TERM
# Each build relinks the program (the build stamp changes), so the targets
# run a copy of their own: another fuzz.sh started meanwhile cannot replace it
# under them.
cp "$program" "$scratch/plumquist_fuzz"

mkdir -p "$out/logs"
# The plug-in allocates nothing (the test no_heap_in_plugin checks), so leak
# checks would only look at the harness and the emulator. Shorter allocation
# stacks and a smaller quarantine keep the emulator's many allocations cheap.
ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=10:quarantine_size_mb=64}
export ASAN_OPTIONS
if [ -n "$runs" ]; then limit="-runs=$runs"; else limit="-max_total_time=$seconds"; fi

# Runs the program for target $1 in the bare environment (scripts/bare-env.sh)
# with the options every run shares; the remaining arguments go to libFuzzer.
run_target() {
    t=$1
    shift
    sh scripts/bare-env.sh ASAN_OPTIONS="$ASAN_OPTIONS" PLUM_FUZZ_TARGET="$t" PLUM_FUZZ_SCRATCH="$scratch" \
        "$scratch/plumquist_fuzz" -timeout=10 -detect_leaks=0 "$@"
}

# Adds the work corpus's inputs that reach code the seeds do not reach to the
# seeds of target $1. Hit counts are left out of the comparison: with them,
# a minute's work corpus gave some four thousand inputs that differ only in
# how often a loop ran, against some seven hundred without. Prints the
# target's row; returns non-zero when libFuzzer failed.
merge_one() {
    t=$1
    before=$(ls "$seeds/corpus/$t" | wc -l)
    if [ ! -d "$out/corpus/$t" ]; then
        printf '%-18s %8s %8s  %s\n' "$t" 0 "$before" "no work corpus: fuzz it first"
        return 0
    fi
    status=0
    run_target "$t" -merge=1 -use_counters=0 "$seeds/corpus/$t" "$out/corpus/$t" \
        >"$out/logs/$t.merge.log" 2>&1 || status=$?
    after=$(ls "$seeds/corpus/$t" | wc -l)
    if [ "$status" -ne 0 ]; then
        printf '%-18s %8s %8s  %s\n' "$t" $((after - before)) "$after" "failed: see build/fuzz/logs/$t.merge.log"
        return 1
    fi
    printf '%-18s %8s %8s\n' "$t" $((after - before)) "$after"
}

if [ "$merge" = yes ]; then
    failed=0
    printf '\n%-18s %8s %8s\n' target added seeds
    for t in $targets; do
        merge_one "$t" || failed=1
    done
    exit $failed
fi

# Fuzzes one target; its log is the record the summary reads.
fuzz_one() {
    t=$1
    mkdir -p "$out/corpus/$t" "$out/findings/$t"
    before=$(ls "$out/findings/$t" | wc -l)
    start=$(date +%s%N)
    run_target "$t" "$limit" -print_final_stats=1 \
        -dict="$seeds/dict/$t.dict" -artifact_prefix="$out/findings/$t/" \
        "$out/corpus/$t" "$seeds/corpus/$t" >"$out/logs/$t.log" 2>&1 || true
    echo $(( $(date +%s%N) - start )) >"$out/logs/$t.nanoseconds"
    after=$(ls "$out/findings/$t" | wc -l)
    echo $((after - before)) >"$out/logs/$t.findings"
    echo "fuzz.sh: $t done"
}

# Each of the jobs goes through the targets in the order given and takes
# every one that no other job has taken yet (mkdir either makes the claim or
# fails, atomically), so a job that finishes early goes on with the next
# target instead of waiting for the others.
work_through() {
    # A background subshell keeps the trap: it must not remove the scratch
    # folder that the other jobs still use when it ends.
    trap - EXIT
    for t in $targets; do
        if mkdir "$scratch/claim.$t" 2>/dev/null; then fuzz_one "$t"; fi
    done
}

job=0
while [ "$job" -lt "$jobs" ]; do
    work_through &
    job=$((job + 1))
done
wait

# One row per target from the last status line of its log.
found=0
printf '\n%-18s %12s %8s %7s %7s %9s\n' target executions exec/s cov ft findings
for t in $targets; do
    log=$out/logs/$t.log
    line=$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)
    execs=$(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}' | tail -n 1)
    # libFuzzer's own rate counts whole seconds (0 for a run under one);
    # the wall time of the whole process, start-up included, stands in then.
    rate=$(grep -E '^stat::average_exec_per_sec' "$log" | awk '{print $2}' | tail -n 1)
    if [ "${rate:-0}" = 0 ] && [ -n "$execs" ]; then
        rate=$(awk -v n="$execs" -v ns="$(cat "$out/logs/$t.nanoseconds")" 'BEGIN { printf "%d", n * 1e9 / ns }')
    fi
    cov=$(echo "$line" | sed -n 's/.* cov: \([0-9]*\).*/\1/p')
    ft=$(echo "$line" | sed -n 's/.* ft: \([0-9]*\).*/\1/p')
    findings=$(cat "$out/logs/$t.findings")
    [ "$findings" -gt 0 ] && found=1
    printf '%-18s %12s %8s %7s %7s %9s\n' "$t" "${execs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}" "$findings"
done
if [ "$found" = 1 ]; then
    echo
    echo "Findings are in build/fuzz/findings/<target>; logs in build/fuzz/logs. Replay one with:"
    echo "  PLUM_FUZZ_TARGET=<target> $program <file>"
fi
exit $found

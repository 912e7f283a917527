#!/bin/sh
# Builds the benchmarks (bench/) in Release builds of their own and runs
# them; not part of the test command.
#   build/bench        the Linux build, with Google Benchmark
#   build/bench-win64  the x86-64 Windows build, run under 64-bit Wine with
#                      the timing harness of bench/timing/ (skipped where Wine
#                      cannot run, or with PLUM_BENCH_WINE=0)
# Each benchmark runs PLUM_BENCH_REPETITIONS times (9 by default) and reports
# medians. Then the core benchmarks run PLUM_BENCH_PAIRS times more (5 by
# default), Linux and Windows in turn, so that the two builds' kernels are
# compared within pairs of runs made seconds apart: the shared machine's
# speed drifts. The summary at the end gives the core routines as ratios to
# memcpy, the exports' cost per code unit at 1K and 16K units, and the
# Windows kernels against the Linux ones. Options are passed to both
# programs' main runs, for example --benchmark_filter=exports.
set -eu
cd "$(dirname "$0")/.."
sh scripts/bootstrap.sh

reps=${PLUM_BENCH_REPETITIONS:-9}
pairs=${PLUM_BENCH_PAIRS:-5}
options="--benchmark_repetitions=$reps --benchmark_min_time=0.05 --benchmark_report_aggregates_only=true"
pair_options="--benchmark_filter=core/ --benchmark_repetitions=5 --benchmark_report_aggregates_only=true"

# The C library copies blocks of 2 KiB and more with `rep movsb`, which some
# processors run up to 20 times slower when the destination lies less than
# 64 bytes past the source modulo 4096. Where a benchmark's buffer and the
# emulator's copy of it fall so, the harness's own copies outweigh the
# plug-in's work at 16K units. The threshold is raised so that the C library
# copies with vector loops at every size, as it does below 2 KiB. It holds
# for every copy in the process, the plug-in's own few among them, so the
# 1K and 16K rows are measured alike.
movsb="glibc.cpu.x86_rep_movsb_threshold=1073741824"
linux() { (cd build/bench/run && GLIBC_TUNABLES="${GLIBC_TUNABLES:+$GLIBC_TUNABLES:}$movsb" \
    ../bench/plumquist_bench --benchmark_enable_random_interleaving=true --benchmark_out_format=json "$@"); }
wine() { (cd build/bench-win64/run && ../wine-run ../bench/plumquist_bench.exe "$@"); }

echo "== Linux: build/bench"
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DPLUM_BENCH=ON -DPLUM_TESTS=OFF >/dev/null
cmake --build build/bench -j2 --target plumquist_bench >/dev/null
mkdir -p build/bench/run
# shellcheck disable=SC2086
linux $options --benchmark_out=../results.json "$@"
reports=build/bench/results.json

if [ "${PLUM_BENCH_WINE:-1}" = 0 ]; then
    echo "== Windows x64 under Wine: skipped: PLUM_BENCH_WINE=0"
elif ! /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
    echo "== Windows x64 under Wine: skipped: /usr/lib/wine/wine64 does not run here"
else
    echo "== Windows x64 under Wine: build/bench-win64"
    cmake -S . -B build/bench-win64 -DCMAKE_BUILD_TYPE=Release -DPLUM_BENCH=ON -DPLUM_TESTS=OFF \
        -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake >/dev/null
    cmake --build build/bench-win64 -j2 --target plumquist_bench >/dev/null
    mkdir -p build/bench-win64/run
    # shellcheck disable=SC2086
    wine $options --benchmark_out=../results.json "$@"
    reports="$reports build/bench-win64/results.json"

    n=1
    while [ "$n" -le "$pairs" ]; do
        echo "== pair $n of $pairs: the core benchmarks on Linux, then under Wine"
        # shellcheck disable=SC2086
        linux $pair_options --benchmark_out=../pair-$n.json >/dev/null
        # shellcheck disable=SC2086
        wine $pair_options --benchmark_out=../pair-$n.json >/dev/null
        reports="$reports --pair build/bench/pair-$n.json build/bench-win64/pair-$n.json"
        n=$((n + 1))
    done
fi

# shellcheck disable=SC2086
python3 scripts/bench_summary.py $reports

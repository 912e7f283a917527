#!/bin/sh
# Installs what is missing, builds the benchmarks in a native Release build
# (build/bench) and runs them. Arguments go to the benchmark program, for
# example --benchmark_filter=Uquotes or --benchmark_repetitions=5.
set -eu
cd "$(dirname "$0")/.."
sh scripts/bootstrap.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DPLUM_BENCH=ON -DPLUM_TESTS=OFF >/dev/null
cmake --build build/bench --target plumquist_bench -j "$jobs" >/dev/null
exec build/bench/bench/plumquist_bench "$@"

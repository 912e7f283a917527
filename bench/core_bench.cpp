// The character core side by side, on REMAP_LIMIT code units: memcpy of the
// same 32 KiB, then Remap, Unremap and the two counts of CountChars on every
// kernel this processor offers, each forced in turn and run through the
// public routines with the default set. Each routine's row carries its
// ratio to memcpy, measured side by side (OnKernel).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "abi/abi.h"
#include "bench_text.h"
#include "charset/remap_kernels.h"
#include "charset/unsafe_set.h"

namespace {

// Host-sized buffers on cache-line boundaries, so that neither memcpy nor a
// kernel is measured on split lines.
alignas(64) char16_t plainText[MAX_ARG_LEN];
alignas(64) char16_t safeText[MAX_ARG_LEN];
alignas(64) char16_t output[MAX_ARG_LEN];

void FillTexts() {
    const std::u16string plain = BenchPlainText(REMAP_LIMIT);
    const std::u16string safe = BenchSafeText(REMAP_LIMIT);
    std::memcpy(plainText, plain.c_str(), sizeof plainText);
    std::memcpy(safeText, safe.c_str(), sizeof safeText);
    SetDefaultUnsafe();
}

void Memcpy(benchmark::State& state) {
    for (auto _ : state) {
        std::memcpy(output, plainText, sizeof plainText);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * REMAP_LIMIT);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The routine on one kind of kernel, forced for the run (the best one is
// back afterwards). The machine is shared and its speed drifts, so each
// round times ROUND calls of memcpy of the same bytes and then ROUND calls
// of the routine: the reported time is the routine's, a call's, and the
// counter x_memcpy is the median over the rounds of the routine's time over
// memcpy's. The counter best_ns is a call's time in the fastest round: other
// programs' turns only ever add time, so the fastest round is the fairest
// figure for comparing two builds on a shared machine.
constexpr int32_t ROUND = 16;
// Rounds in a run: the iterations of each core benchmark. A fixed count, as
// the reported time is a call's and a round makes many calls.
constexpr int64_t ROUNDS = 64;

template <typename Routine>
void OnKernel(benchmark::State& state, RemapKernelKind kind, Routine routine) {
    using Clock = std::chrono::steady_clock;
    SetRemapKernel(kind);
    std::vector<double> overMemcpy;
    double bestSeconds = 1e9;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        for (int32_t i = 0; i < ROUND; ++i) {
            std::memcpy(output, plainText, sizeof plainText);
            benchmark::ClobberMemory();
        }
        const Clock::time_point copied = Clock::now();
        for (int32_t i = 0; i < ROUND; ++i) {
            benchmark::DoNotOptimize(routine());
            benchmark::ClobberMemory();
        }
        const Clock::time_point done = Clock::now();
        const double routineSeconds = std::chrono::duration<double>(done - copied).count();
        state.SetIterationTime(routineSeconds / ROUND);
        bestSeconds = std::min(bestSeconds, routineSeconds / ROUND);
        overMemcpy.push_back(routineSeconds / std::chrono::duration<double>(copied - start).count());
    }
    ResetRemapKernel();
    state.counters["x_memcpy"] = Median(overMemcpy);
    state.counters["best_ns"] = bestSeconds * 1e9;
    state.SetItemsProcessed(state.iterations() * REMAP_LIMIT);
}

void RemapOn(benchmark::State& state, RemapKernelKind kind) {
    OnKernel(state, kind, [] { return Remap(plainText, output); });
}

void UnremapOn(benchmark::State& state, RemapKernelKind kind) {
    OnKernel(state, kind, [] { return Unremap(safeText, output); });
}

void CountSafeFormsOn(benchmark::State& state, RemapKernelKind kind) {
    OnKernel(state, kind, [] { return CountChars(safeText, 0, false); });
}

void CountDangerousOn(benchmark::State& state, RemapKernelKind kind) {
    OnKernel(state, kind, [] { return CountChars(plainText, 1, false); });
}

int RegisterCoreBenchmarks() {
    FillTexts();
    benchmark::RegisterBenchmark("core/memcpy", Memcpy);
    const struct {
        const char* name;
        void (*run)(benchmark::State&, RemapKernelKind);
    } routines[] = {
        {"core/Remap/", RemapOn},
        {"core/Unremap/", UnremapOn},
        {"core/CountChars_safe/", CountSafeFormsOn},
        {"core/CountChars_dangerous/", CountDangerousOn},
    };
    for (const auto& routine : routines) {
        for (int32_t k = 0; k < REMAP_KERNEL_KINDS; ++k) {
            const RemapKernelKind kind = static_cast<RemapKernelKind>(k);
            const RemapKernels* kernels = RemapKernelsOf(kind);
            if (kernels == nullptr) continue;
            benchmark::RegisterBenchmark((std::string(routine.name) + kernels->name).c_str(), routine.run, kind)
                ->UseManualTime()
                ->Iterations(ROUNDS);
        }
    }
    return 0;
}

const int registered = RegisterCoreBenchmarks();

}  // namespace

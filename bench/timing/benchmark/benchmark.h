// A small timing harness with the interface of the part of Google Benchmark
// that bench/ uses, for the Windows builds: Google Benchmark is packaged for
// Linux only. The same benchmark sources build against either.
//
// It measures wall-clock time only (QueryPerformanceCounter on Windows), so
// cpu_time equals real_time in its reports, unless a benchmark measures its
// own time (UseManualTime and SetIterationTime). Each run grows its
// iteration count until one sample lasts --benchmark_min_time seconds, unless
// the benchmark fixes the count (Iterations); with --benchmark_repetitions=N
// it reports each sample and their median, mean and standard deviation.
// --benchmark_filter takes a regular expression, --benchmark_out a file for
// the JSON report (Google Benchmark's layout).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace benchmark {

class Counter {
public:
    enum Flags { kDefaults = 0, kIsRate = 1 };
    Counter(double v = 0.0, Flags f = kDefaults) : value(v), flags(f) {}
    operator double() const { return value; }
    double value;
    Flags flags;
};

using UserCounters = std::map<std::string, Counter>;

class State {
public:
    State(int64_t iterations, std::vector<int64_t> args) : iterations_(iterations), args_(std::move(args)) {}

    // The loop variable of "for (auto _ : state)", unused by design.
    struct __attribute__((unused)) Value {};
    class Iterator {
    public:
        Iterator(State* state, int64_t left) : state_(state), left_(left) {}
        Value operator*() const { return Value(); }
        Iterator& operator++() {
            --left_;
            return *this;
        }
        bool operator!=(const Iterator&) {
            if (left_ > 0) return true;
            state_->Finish();
            return false;
        }

    private:
        State* state_;
        int64_t left_;
    };

    Iterator begin() {
        Start();
        return Iterator(this, iterations_);
    }
    Iterator end() { return Iterator(this, 0); }
    bool KeepRunning();

    int64_t range(size_t index = 0) const { return args_.at(index); }
    int64_t iterations() const { return iterations_; }
    void PauseTiming();
    void ResumeTiming();
    // With UseManualTime, the time an iteration took, measured by the caller.
    void SetIterationTime(double seconds) { manualSeconds_ += seconds; }
    void SetItemsProcessed(int64_t items) { items_ = items; }
    void SetBytesProcessed(int64_t bytes) { bytes_ = bytes; }
    void SetLabel(const std::string& label) { label_ = label; }
    void SkipWithError(const char* message) { error_ = message; }

    UserCounters counters;

    // For the runner.
    double Seconds() const { return seconds_; }
    double ManualSeconds() const { return manualSeconds_; }
    int64_t Items() const { return items_; }
    int64_t Bytes() const { return bytes_; }
    const std::string& Label() const { return label_; }
    const std::string& Error() const { return error_; }

private:
    void Start();
    void Finish();

    int64_t iterations_;
    int64_t kept_ = 0;  // KeepRunning's count
    std::vector<int64_t> args_;
    int64_t items_ = 0;
    int64_t bytes_ = 0;
    std::string label_;
    std::string error_;
    double seconds_ = 0;
    double manualSeconds_ = 0;
    int64_t started_ = 0;
    bool running_ = false;
};

namespace internal {

class Benchmark {
public:
    Benchmark(std::string name, std::function<void(State&)> run) : name_(std::move(name)), run_(std::move(run)) {}
    Benchmark* Arg(int64_t value) {
        argSets_.push_back({value});
        return this;
    }
    Benchmark* Args(const std::vector<int64_t>& values) {
        argSets_.push_back(values);
        return this;
    }
    Benchmark* DenseRange(int64_t first, int64_t last, int64_t step = 1) {
        for (int64_t value = first; value <= last; value += step) Arg(value);
        return this;
    }
    Benchmark* UseManualTime() {
        manualTime_ = true;
        return this;
    }
    Benchmark* Iterations(int64_t count) {
        iterations_ = count;
        return this;
    }

    const std::string& Name() const { return name_; }
    const std::vector<std::vector<int64_t>>& ArgSets() const { return argSets_; }
    bool ManualTime() const { return manualTime_; }
    int64_t FixedIterations() const { return iterations_; }
    void Run(State& state) const { run_(state); }

private:
    std::string name_;
    std::function<void(State&)> run_;
    std::vector<std::vector<int64_t>> argSets_;
    bool manualTime_ = false;
    int64_t iterations_ = 0;
};

Benchmark* Register(Benchmark* benchmark);

}  // namespace internal

template <typename Fn, typename... Args>
internal::Benchmark* RegisterBenchmark(const char* name, Fn&& fn, Args&&... args) {
    return internal::Register(new internal::Benchmark(name, [=](State& state) { fn(state, args...); }));
}

template <typename T>
inline void DoNotOptimize(T&& value) {
    asm volatile("" : : "r,m"(value) : "memory");
}

inline void ClobberMemory() { asm volatile("" : : : "memory"); }

void Initialize(int* argc, char** argv);
size_t RunSpecifiedBenchmarks();
void Shutdown();

}  // namespace benchmark

#define PLUM_BENCHMARK_CONCAT2(a, b) a##b
#define PLUM_BENCHMARK_CONCAT(a, b) PLUM_BENCHMARK_CONCAT2(a, b)
#define BENCHMARK(fn)                                                                           \
    static ::benchmark::internal::Benchmark* PLUM_BENCHMARK_CONCAT(plum_benchmark_, __LINE__) = \
        ::benchmark::RegisterBenchmark(#fn, fn)
#define BENCHMARK_CAPTURE(fn, name, ...)                                                        \
    static ::benchmark::internal::Benchmark* PLUM_BENCHMARK_CONCAT(plum_benchmark_, __LINE__) = \
        ::benchmark::RegisterBenchmark(#fn "/" #name, [](::benchmark::State& s) { fn(s, __VA_ARGS__); })
// The harness has its own main().
#define BENCHMARK_MAIN()

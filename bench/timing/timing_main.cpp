// The runner of the timing harness (benchmark/benchmark.h beside it).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>

#include "benchmark/benchmark.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <chrono>
#endif

namespace benchmark {

namespace {

int64_t Ticks() {
#if defined(_WIN32)
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
#else
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
#endif
}

double TicksPerSecond() {
#if defined(_WIN32)
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart);
#else
    return 1e9;
#endif
}

std::vector<internal::Benchmark*>& Registered() {
    static std::vector<internal::Benchmark*> all;
    return all;
}

struct Options {
    std::string filter = ".";
    double minTime = 0.1;
    int repetitions = 1;
    bool aggregatesOnly = false;
    std::string out;
} options;

// One reported line: a sample, or an aggregate of samples.
struct Report {
    std::string name;
    std::string runName;
    std::string aggregate;  // empty for a sample
    int64_t iterations;
    double seconds;      // the whole sample, by the harness's clock
    double nanoseconds;  // per iteration
    double itemsPerSecond;
    double bytesPerSecond;
    std::string label;
    std::string error;
    UserCounters counters;
};

std::vector<Report> reports;

std::string Value(const char* argument, const char* option) {
    const size_t length = std::strlen(option);
    if (std::strncmp(argument, option, length) == 0 && argument[length] == '=') return argument + length + 1;
    return std::string();
}

std::string RunName(const internal::Benchmark& benchmark, const std::vector<int64_t>& args) {
    std::string name = benchmark.Name();
    for (int64_t arg : args) name += "/" + std::to_string(arg);
    return name;
}

// One sample of the given number of iterations.
Report Sample(const internal::Benchmark& benchmark, const std::vector<int64_t>& args, int64_t iterations) {
    State state(iterations, args);
    benchmark.Run(state);
    const double seconds = benchmark.ManualTime() ? state.ManualSeconds() : state.Seconds();
    Report report;
    report.runName = RunName(benchmark, args);
    report.name = report.runName;
    report.iterations = iterations;
    report.seconds = state.Seconds();
    report.nanoseconds = seconds * 1e9 / static_cast<double>(iterations);
    report.itemsPerSecond = seconds > 0 ? static_cast<double>(state.Items()) / seconds : 0;
    report.bytesPerSecond = seconds > 0 ? static_cast<double>(state.Bytes()) / seconds : 0;
    report.label = state.Label();
    report.error = state.Error();
    report.counters = state.counters;
    return report;
}

std::string Human(double perSecond) {
    const char* units[] = {"", "k", "M", "G", "T"};
    int unit = 0;
    while (perSecond >= 1000 && unit < 4) {
        perSecond /= 1000;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.4g%s", perSecond, units[unit]);
    return text;
}

void Print(const Report& report) {
    const std::string name = report.aggregate.empty() ? report.name : report.name + "_" + report.aggregate;
    if (!report.error.empty()) {
        std::printf("%-44s ERROR OCCURRED: '%s'\n", name.c_str(), report.error.c_str());
        return;
    }
    std::printf("%-44s %12.0f ns %12.0f ns %10lld", name.c_str(), report.nanoseconds, report.nanoseconds,
                static_cast<long long>(report.iterations));
    if (report.itemsPerSecond > 0) std::printf(" items_per_second=%s/s", Human(report.itemsPerSecond).c_str());
    if (report.bytesPerSecond > 0) std::printf(" bytes_per_second=%sB/s", Human(report.bytesPerSecond).c_str());
    for (const auto& counter : report.counters) std::printf(" %s=%.4g", counter.first.c_str(), counter.second.value);
    if (!report.label.empty()) std::printf(" %s", report.label.c_str());
    std::printf("\n");
    std::fflush(stdout);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Mean(const std::vector<double>& values) {
    double mean = 0;
    for (double v : values) mean += v / static_cast<double>(values.size());
    return mean;
}

double Deviation(const std::vector<double>& values) {
    const double mean = Mean(values);
    double variance = 0;
    for (double v : values)
        variance += (v - mean) * (v - mean) / static_cast<double>(std::max<size_t>(values.size() - 1, 1));
    return std::sqrt(variance);
}

// The aggregates of a run's samples, as Google Benchmark names them: of the
// times, the rates and every counter.
void Aggregate(const std::vector<Report>& samples) {
    const struct {
        const char* name;
        double (*of)(const std::vector<double>&);
    } aggregates[] = {
        {"mean", Mean}, {"median", [](const std::vector<double>& v) { return Median(v); }}, {"stddev", Deviation}};
    for (const auto& aggregate : aggregates) {
        Report report = samples.front();
        report.aggregate = aggregate.name;
        auto over = [&](double Report::*field) {
            std::vector<double> values;
            for (const Report& sample : samples) values.push_back(sample.*field);
            return aggregate.of(values);
        };
        report.nanoseconds = over(&Report::nanoseconds);
        report.itemsPerSecond = over(&Report::itemsPerSecond);
        report.bytesPerSecond = over(&Report::bytesPerSecond);
        for (auto& counter : report.counters) {
            std::vector<double> values;
            for (const Report& sample : samples) values.push_back(sample.counters.at(counter.first).value);
            counter.second.value = aggregate.of(values);
        }
        reports.push_back(report);
        Print(report);
    }
}

void RunOne(const internal::Benchmark& benchmark, const std::vector<int64_t>& args) {
    // Grow the iteration count until a sample lasts the minimum time, unless
    // the benchmark fixes it.
    int64_t iterations = benchmark.FixedIterations() > 0 ? benchmark.FixedIterations() : 1;
    Report sample = Sample(benchmark, args, iterations);
    while (benchmark.FixedIterations() == 0 && sample.error.empty() && sample.seconds < options.minTime &&
           iterations < 1000000000) {
        const double perIteration = std::max(sample.seconds / static_cast<double>(iterations), 1e-9);
        const double wanted = options.minTime / perIteration * 1.4;
        iterations = std::max(iterations * 2, std::min(iterations * 100, static_cast<int64_t>(wanted)));
        sample = Sample(benchmark, args, iterations);
    }
    std::vector<Report> samples = {sample};
    for (int r = 1; r < options.repetitions && sample.error.empty(); ++r) {
        samples.push_back(Sample(benchmark, args, iterations));
    }
    for (const Report& s : samples) {
        if (!options.aggregatesOnly || options.repetitions == 1 || !s.error.empty()) {
            reports.push_back(s);
            Print(s);
        }
    }
    if (options.repetitions > 1 && sample.error.empty()) Aggregate(samples);
}

std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

void WriteJson(const std::string& path) {
    std::ofstream out(path);
    out << "{\n  \"context\": {\"library\": \"plumquist timing harness\", \"clock\": \"wall\"},\n"
        << "  \"benchmarks\": [\n";
    for (size_t i = 0; i < reports.size(); ++i) {
        const Report& r = reports[i];
        out << "    {\"name\": " << Quoted(r.aggregate.empty() ? r.name : r.name + "_" + r.aggregate)
            << ", \"run_name\": " << Quoted(r.runName) << ", \"run_type\": "
            << (r.aggregate.empty() ? "\"iteration\"" : "\"aggregate\", \"aggregate_name\": " + Quoted(r.aggregate))
            << ", \"iterations\": " << r.iterations << ", \"real_time\": " << r.nanoseconds
            << ", \"cpu_time\": " << r.nanoseconds << ", \"time_unit\": \"ns\"";
        if (r.itemsPerSecond > 0) out << ", \"items_per_second\": " << r.itemsPerSecond;
        if (!r.error.empty()) out << ", \"error_occurred\": true, \"error_message\": " << Quoted(r.error);
        for (const auto& counter : r.counters) out << ", " << Quoted(counter.first) << ": " << counter.second.value;
        out << "}" << (i + 1 < reports.size() ? "," : "") << "\n";
    }
    out << "  ]\n}\n";
}

}  // namespace

void State::Start() {
    running_ = true;
    started_ = Ticks();
}

void State::Finish() {
    if (running_) PauseTiming();
}

bool State::KeepRunning() {
    if (kept_ == 0) Start();
    if (kept_ < iterations_) {
        ++kept_;
        return true;
    }
    Finish();
    return false;
}

void State::PauseTiming() {
    seconds_ += static_cast<double>(Ticks() - started_) / TicksPerSecond();
    running_ = false;
}

void State::ResumeTiming() { Start(); }

internal::Benchmark* internal::Register(Benchmark* benchmark) {
    Registered().push_back(benchmark);
    return benchmark;
}

void Initialize(int* argc, char** argv) {
    for (int i = 1; i < *argc; ++i) {
        std::string value;
        if (!(value = Value(argv[i], "--benchmark_filter")).empty()) options.filter = value;
        if (!(value = Value(argv[i], "--benchmark_min_time")).empty()) options.minTime = std::atof(value.c_str());
        if (!(value = Value(argv[i], "--benchmark_repetitions")).empty())
            options.repetitions = std::atoi(value.c_str());
        if (!(value = Value(argv[i], "--benchmark_report_aggregates_only")).empty())
            options.aggregatesOnly = value == "true";
        if (!(value = Value(argv[i], "--benchmark_out")).empty()) options.out = value;
    }
    if (options.repetitions < 1) options.repetitions = 1;
}

size_t RunSpecifiedBenchmarks() {
    const std::regex filter(options.filter);
    std::printf("%-44s %15s %15s %10s\n", "Benchmark (wall clock)", "Time", "CPU", "Iterations");
    size_t count = 0;
    for (const internal::Benchmark* benchmark : Registered()) {
        std::vector<std::vector<int64_t>> argSets = benchmark->ArgSets();
        if (argSets.empty()) argSets.push_back({});
        for (const std::vector<int64_t>& args : argSets) {
            if (!std::regex_search(RunName(*benchmark, args), filter)) continue;
            RunOne(*benchmark, args);
            ++count;
        }
    }
    if (!options.out.empty()) WriteJson(options.out);
    return count;
}

void Shutdown() {}

}  // namespace benchmark

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

#!/usr/bin/env python3
"""Sums up the reports of scripts/bench.sh (Google Benchmark's JSON, or the
same layout from the timing harness of the Windows build):

- the core routines on REMAP_LIMIT code units as ratios to memcpy of the
  same bytes (each measured side by side with memcpy, in the same rounds),
  with the targets for the best kernel;
- every export's cost per code unit at 1K and 16K units, and its growth;
- given pairs of core-only reports (--pair LINUX WINDOWS), made seconds
  apart, the Windows build's routines against the Linux build's: the median
  over the pairs of the time ratio. (memcpy is each C library's own: glibc
  on Linux, Wine's msvcrt under Windows.)

Times are medians over the repetitions. The core routines' times are
measured by the benchmark itself (manual time, wall clock, in rounds beside
memcpy); the exports' are CPU time on Linux (the machine is shared, so wall
time counts other programs' turns too) and wall time in the harness.
"""
import json
import re
import statistics
import sys

KERNELS = ["scalar", "sse2", "avx2"]
# The best kernel's target, as a ratio to memcpy.
CORE_ROUTINES = [
    ("Remap", 1.5),
    ("Unremap", 1.1),
    ("CountChars_safe", 1.0),
    ("CountChars_dangerous", 1.0),
]
UNIT_SCALE = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
GROWTH_LIMIT = 2.0


def load(path):
    with open(path) as f:
        data = json.load(f)
    harness = data.get("context", {}).get("clock") == "wall"
    runs = {}
    medians = any(b.get("aggregate_name") == "median" for b in data["benchmarks"])
    for b in data["benchmarks"]:
        if medians and b.get("aggregate_name") != "median":
            continue
        # Google Benchmark adds what a benchmark fixes to its name.
        name = re.sub(r"/(iterations|repeats):\d+|/manual_time", "", b["run_name"])
        if b.get("error_occurred"):
            runs[name] = None
            continue
        scale = UNIT_SCALE[b.get("time_unit", "ns")]
        # Manual time is what the benchmark measured itself: real_time.
        manual = b["run_name"].endswith("/manual_time")
        runs[name] = {
            "time": (b["real_time"] if harness or manual else b["cpu_time"]) * scale,
            "x_memcpy": b.get("x_memcpy"),
            "best_ns": b.get("best_ns"),
        }
    if harness:
        title = "Windows x64 build under Wine (timing harness; exports in wall-clock time"
    else:
        title = "Linux build (Google Benchmark; exports in CPU time"
    title += ", medians of the repetitions)" if medians else ", one run)"
    return title, runs


def core_table(runs):
    memcpy = runs.get("core/memcpy")
    if not memcpy:
        return
    print("  core routines, 16383 code units      time/call   x memcpy (in the same rounds)")
    print("    %-32s %9.0f ns   %6.3f" % ("memcpy of the same 32 KiB", memcpy["time"], 1.0))
    for routine, target in CORE_ROUTINES:
        for kernel in KERNELS:
            run = runs.get("core/%s/%s" % (routine, kernel))
            if not run:
                continue
            ratio = run["x_memcpy"] if run["x_memcpy"] else run["time"] / memcpy["time"]
            verdict = ""
            if kernel == KERNELS[-1]:
                verdict = "  target <= %.1f: %s" % (target, "met" if ratio <= target else "NOT met")
            print("    %-32s %9.0f ns   %6.3f%s" % (routine + " " + kernel, run["time"], ratio, verdict))


def export_table(runs):
    names = sorted({name.rsplit("/", 1)[0] for name in runs if name.startswith("exports/")})
    if not names:
        return
    print("  exports, ns per code unit            at 1K     at 16K    growth")
    for base in names:
        sizes = sorted(
            (int(name.rsplit("/", 1)[1]), run) for name, run in runs.items() if name.rsplit("/", 1)[0] == base
        )
        if len(sizes) < 2 or any(run is None for _, run in sizes):
            print("    %-32s (no figures: the run failed)" % base[len("exports/"):])
            continue
        (small, small_run), (large, large_run) = sizes[0], sizes[-1]
        per_small = small_run["time"] / small
        per_large = large_run["time"] / large
        growth = per_large / per_small
        flag = "  more than %.0fx" % GROWTH_LIMIT if growth > GROWTH_LIMIT else ""
        print("    %-32s %8.3f  %8.3f   %6.2f%s" % (base[len("exports/"):], per_small, per_large, growth, flag))


def against(pairs):
    """The Windows build's core rows over the Linux build's, per pair of runs
    made seconds apart: the time of a call in each build's fastest round
    (best_ns), over the pairs, and the median of the pairs' ratios of mean
    times, which other programs' turns blur more."""
    ratios, bests = {}, {}
    for linux, windows in pairs:
        for name, run in windows.items():
            if not (name.startswith("core/") and run and linux.get(name)):
                continue
            ratios.setdefault(name, []).append(run["time"] / linux[name]["time"])
            if run.get("best_ns") and linux[name].get("best_ns"):
                best = bests.setdefault(name, [float("inf"), float("inf")])
                best[0] = min(best[0], linux[name]["best_ns"])
                best[1] = min(best[1], run["best_ns"])
    if not ratios:
        return
    print("== Windows x64 under Wine against Linux: the same routines, time over time, %d pairs of runs" % len(pairs))
    print("    %-28s %9s %9s %6s   %6s   %s" % ("", "best Lx", "best Win", "ratio", "median", "each pair"))
    for name, values in ratios.items():
        median = statistics.median(values)
        if name in bests:
            linux_best, windows_best = bests[name]
            ratio = windows_best / linux_best
            best = "%6.0f ns %6.0f ns %6.2f" % (linux_best, windows_best, ratio)
        else:
            ratio, best = median, "%9s %9s %6s" % ("", "", "")
        flag = "" if ratio <= 1.1 or "memcpy" in name else "  more than 1.1x"
        print("    %-28s %s   %6.2f   %s%s" % (name[len("core/"):], best, median,
                                            " ".join("%.2f" % v for v in values), flag))


def main(arguments):
    paths, pairs = [], []
    while arguments:
        if arguments[0] == "--pair":
            pairs.append((load(arguments[1])[1], load(arguments[2])[1]))
            arguments = arguments[3:]
        else:
            paths.append(arguments[0])
            arguments = arguments[1:]
    for title, runs in (load(path) for path in paths):
        print("== " + title)
        core_table(runs)
        export_table(runs)
    if pairs:
        against(pairs)


if __name__ == "__main__":
    main(sys.argv[1:])

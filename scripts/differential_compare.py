#!/usr/bin/env python3
"""Compares the native run of each case with the x64 DLL's run of it.

A case is a folder of outputs on each side, as scripts/differential.sh
leaves them: NAME.out, NAME.err and NAME.status beside the folder NAME that
holds the files the run left in its working folder. The two sides are
compared byte for byte after the expected differences (the rules file) are
rewritten away. Prints each case that differs with its first differing
line, each case with expected differences with the rules that excused them,
and, last, the summary line; exits 1 when a case differs, 2 when the rules
cannot be read.
"""
import argparse
import os
import re
import sys

SIDES = ("native", "win64")
STREAMS = ("out", "err", "status")


class RuleError(Exception):
    pass


class Rule:
    """One line of the rules file: a rewrite of one side's lines."""

    def __init__(self, number, case, stream, side, pattern, replacement):
        self.number = number
        self.case = case
        self.stream = stream
        self.side = side
        self.pattern = pattern
        self.replacement = replacement
        self.used = False

    def applies_to(self, case, stream, side):
        return (self.case in ("*", case)) and self.stream == stream and self.side == side


def placeholders(run_folder):
    """The run folder in the form each side prints it, with its separator."""
    windows = "Z:" + run_folder.replace("/", "\\") + "\\"
    return {"{run/}": run_folder + "/", "{run\\}": windows}


def expand(text, values, for_pattern):
    for name, value in values.items():
        if for_pattern:
            value = re.escape(value)
        else:
            value = value.replace("\\", "\\\\")
        text = text.replace(name, value)
    return text


def parse_rule(number, line, values):
    """CASE STREAM SIDE sDPATTERNDREPLACEMENTD, D any delimiter character."""
    fields = line.split(None, 3)
    if len(fields) != 4:
        raise RuleError(f"line {number}: expected CASE STREAM SIDE s/PATTERN/REPLACEMENT/")
    case, stream, side, rewrite = fields
    if stream not in STREAMS and not stream.startswith("file:"):
        raise RuleError(f"line {number}: unknown stream {stream!r} (out, err, status or file:NAME)")
    if side not in SIDES:
        raise RuleError(f"line {number}: unknown side {side!r} (native or win64)")
    if len(rewrite) < 4 or rewrite[0] != "s":
        raise RuleError(f"line {number}: the rewrite must read s/PATTERN/REPLACEMENT/")
    parts = rewrite[2:].split(rewrite[1])
    if len(parts) != 3 or parts[2] != "" or parts[0] == "":
        raise RuleError(f"line {number}: the rewrite must read s/PATTERN/REPLACEMENT/ "
                        "with a delimiter that occurs in neither")
    try:
        pattern = re.compile(expand(parts[0], values, True).encode())
    except re.error as error:
        raise RuleError(f"line {number}: bad pattern: {error}") from None
    replacement = expand(parts[1], values, False).encode()
    return Rule(number, case, stream, side, pattern, replacement)


def parse_rules(text, values):
    rules = []
    for number, line in enumerate(text.splitlines(), 1):
        line = line.strip()
        if line and not line.startswith("#"):
            rules.append(parse_rule(number, line, values))
    return rules


def rewrite(data, rules):
    """Applies each rule to each line of data, in order; returns the text and
    the rules that changed it."""
    lines = data.splitlines(keepends=True)
    changed_by = []
    for rule in rules:
        for i, line in enumerate(lines):
            new = rule.pattern.sub(rule.replacement, line)
            if new != line:
                rule.used = True
                lines[i] = new
                if rule not in changed_by:
                    changed_by.append(rule)
    return b"".join(lines), changed_by


def read_case(folder, name):
    """The streams and left files of one side's run of a case, by stream name."""
    streams = {}
    for stream in STREAMS:
        path = os.path.join(folder, f"{name}.{stream}")
        if os.path.exists(path):
            with open(path, "rb") as f:
                streams[stream] = f.read()
    work = os.path.join(folder, name)
    if os.path.isdir(work):
        for top, _, files in os.walk(work):
            for file in files:
                path = os.path.join(top, file)
                with open(path, "rb") as f:
                    streams["file:" + os.path.relpath(path, work)] = f.read()
    return streams


def first_difference(a, b):
    """The number (from 1) and both texts of the first line that differs."""
    lines_a = a.splitlines(keepends=True)
    lines_b = b.splitlines(keepends=True)
    for i in range(max(len(lines_a), len(lines_b))):
        line_a = lines_a[i] if i < len(lines_a) else b"(no line)"
        line_b = lines_b[i] if i < len(lines_b) else b"(no line)"
        if line_a != line_b:
            return i + 1, line_a, line_b
    return 0, b"", b""


def compare_case(name, native, win64, rules):
    """Returns ("identical" | "expected" | "differs", messages): for a case
    with expected differences, which rules applied where."""
    if native == win64:
        return "identical", []
    messages = []
    applied = []
    for stream in sorted(set(native) | set(win64)):
        if stream not in native or stream not in win64:
            only = "native" if stream in native else "win64"
            messages.append(f"{name} {stream}: only the {only} run has it")
            continue
        if native[stream] == win64[stream]:
            continue
        sides = {}
        for side, data in (("native", native[stream]), ("win64", win64[stream])):
            sides[side], changed_by = rewrite(data, [r for r in rules if r.applies_to(name, stream, side)])
            applied += [f"{stream} {side} by line {rule.number}" for rule in changed_by]
        if sides["native"] != sides["win64"]:
            number, a, b = first_difference(sides["native"], sides["win64"])
            messages.append(f"{name} {stream}: line {number} differs (after the expected rewrites)\n"
                            f"    native: {a!r}\n    win64:  {b!r}")
    if messages:
        return "differs", messages
    return "expected", [f"{name}: " + ", ".join(applied)]


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--rules", required=True)
    parser.add_argument("--native", required=True)
    parser.add_argument("--win64", required=True)
    parser.add_argument("--work", required=True, help="the folder both sides ran the scripts in")
    parser.add_argument("--scripts", nargs="*", default=[])
    parser.add_argument("--fuzz", nargs="*", default=[])
    parser.add_argument("--note", default="", help="why the fuzz corpora were skipped")
    args = parser.parse_args(argv)

    try:
        with open(args.rules, encoding="utf-8") as f:
            rules = parse_rules(f.read(), placeholders(args.work))
    except (OSError, RuleError) as error:
        print(f"differential: {args.rules}: {error}", file=sys.stderr)
        return 2

    counts = {}
    for group, names in (("scripts", args.scripts), ("fuzz", args.fuzz)):
        counts[group] = {"identical": 0, "expected": 0, "differs": 0}
        for name in names:
            result, messages = compare_case(name, read_case(args.native, name),
                                            read_case(args.win64, name), rules)
            counts[group][result] += 1
            label = "DIFFERS" if result == "differs" else "expected difference"
            for message in messages:
                print(f"differential: {label} {message}")

    ran = set(args.scripts) | set(args.fuzz)
    for rule in rules:
        if not rule.used and (rule.case == "*" or rule.case in ran):
            print(f"differential: note: expected difference of line {rule.number} "
                  f"({rule.case} {rule.stream} {rule.side}) did not occur")

    def line(c, what):
        return (f"{c['identical']} {what} identical, {c['expected']} with expected differences, "
                f"{c['differs']} differ")

    summary = "differential native vs x64: " + line(counts["scripts"], "scripts")
    if args.fuzz:
        summary += "; fuzz corpora: " + line(counts["fuzz"], "targets")
    else:
        print(f"differential: {args.note or 'fuzz corpora skipped'}")
        summary += "; fuzz corpora skipped"
    print(summary)
    return 1 if counts["scripts"]["differs"] or counts["fuzz"]["differs"] else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

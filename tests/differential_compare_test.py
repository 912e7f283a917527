#!/usr/bin/env python3
"""Tests of scripts/differential_compare.py: the rules and the comparison."""
import contextlib
import io
import os
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.join(HERE, "..", "scripts"))
import differential_compare as dc  # noqa: E402

RUN = "/tmp/tree/build/differential/run"
VALUES = dc.placeholders(RUN)
PATH_RULE = r"*  err  win64  s|^Plumquist plugin: {run\}|Plumquist plugin: {run/}|"
NATIVE_ERR = b"Plumquist plugin: /tmp/tree/build/differential/run/a.btm [3]  Bad value \"x\"\r\n"
WIN64_ERR = b"Plumquist plugin: Z:\\tmp\\tree\\build\\differential\\run\\a.btm [3]  Bad value \"x\"\r\n"


class CompareCases(unittest.TestCase):
    # (what, rules, native streams, win64 streams, expected result)
    CASES = [
        ("same bytes", [PATH_RULE], {"out": b"a\r\n"}, {"out": b"a\r\n"}, "identical"),
        ("path form in the error prefix", [PATH_RULE],
         {"err": NATIVE_ERR}, {"err": WIN64_ERR}, "expected"),
        ("path form with no rule", [], {"err": NATIVE_ERR}, {"err": WIN64_ERR}, "differs"),
        ("the rule rewrites only the side it names",
         [PATH_RULE.replace("win64", "native", 1)], {"err": NATIVE_ERR}, {"err": WIN64_ERR}, "differs"),
        ("the rule rewrites only the case it names", [PATH_RULE.replace("*", "other", 1)],
         {"err": NATIVE_ERR}, {"err": WIN64_ERR}, "differs"),
        ("the rule rewrites only the stream it names", [PATH_RULE.replace("err", "out", 1)],
         {"err": NATIVE_ERR}, {"err": WIN64_ERR}, "differs"),
        ("a path elsewhere in the line is not the prefix", [PATH_RULE],
         {"err": b"x " + NATIVE_ERR}, {"err": b"x " + WIN64_ERR}, "differs"),
        ("a second difference after an excused one", [PATH_RULE],
         {"err": NATIVE_ERR + b"1\r\n"}, {"err": WIN64_ERR + b"2\r\n"}, "differs"),
        ("a line end", [], {"out": b"a\r\n"}, {"out": b"a\n"}, "differs"),
        ("a missing last line", [], {"out": b"a\r\nb\r\n"}, {"out": b"a\r\n"}, "differs"),
        ("the exit status", [], {"status": b"0\n"}, {"status": b"1\n"}, "differs"),
        ("a file only one run left", [], {"file:x.txt": b""}, {}, "differs"),
        ("a file's bytes", [], {"file:x.txt": b"\xff\xfea\x00"}, {"file:x.txt": b"\xff\xfeb\x00"}, "differs"),
        ("a rule for a file", ["a file:x.txt native s/^\\?$/\xe9/"],
         {"file:x.txt": b"?"}, {"file:x.txt": "\xe9".encode()}, "expected"),
    ]

    def test_cases(self):
        for what, lines, native, win64, expected in self.CASES:
            with self.subTest(what):
                rules = dc.parse_rules("\n".join(lines), VALUES)
                result, messages = dc.compare_case("a", native, win64, rules)
                self.assertEqual(result, expected, messages)
                if result != "identical":
                    self.assertEqual(len(messages), 1, messages)

    def test_a_difference_names_its_stream_and_line(self):
        _, messages = dc.compare_case("a", {"out": b"x\r\ny\r\n"}, {"out": b"x\r\nz\r\n"}, [])
        self.assertIn("a out: line 2 differs", messages[0])
        self.assertIn("b'y\\r\\n'", messages[0])
        self.assertIn("b'z\\r\\n'", messages[0])

    def test_an_expected_difference_names_the_rule(self):
        rules = dc.parse_rules("# why\n" + PATH_RULE, VALUES)
        _, messages = dc.compare_case("a", {"err": NATIVE_ERR}, {"err": WIN64_ERR}, rules)
        self.assertEqual(messages, ["a: err win64 by line 2"])


class BadRules(unittest.TestCase):
    CASES = [
        ("a b win64", "expected CASE STREAM SIDE"),
        ("a log win64 s/x/y/", "unknown stream"),
        ("a out both s/x/y/", "unknown side"),
        ("a out win64 x/x/y/", "the rewrite must read"),
        ("a out win64 s/x/y", "the rewrite must read"),
        ("a out win64 s/x/y/z/", "the rewrite must read"),
        ("a out win64 s//y/", "the rewrite must read"),
        ("a out win64 s/(/y/", "bad pattern"),
    ]

    def test_each_fault_is_named_with_its_line(self):
        for line, message in self.CASES:
            with self.subTest(line):
                with self.assertRaises(dc.RuleError) as raised:
                    dc.parse_rules("# comment\n\n" + line, VALUES)
                self.assertIn("line 3: " + message, str(raised.exception))

    def test_the_rules_file_of_the_tree_reads(self):
        with open(os.path.join(HERE, "differential_expected.txt"), encoding="utf-8") as f:
            self.assertTrue(dc.parse_rules(f.read(), VALUES))


class WholeRun(unittest.TestCase):
    """main() over folders laid out as scripts/differential.sh leaves them."""

    def run_main(self, rules, native, win64, fuzz=()):
        with tempfile.TemporaryDirectory() as top:
            for side, streams in (("native", native), ("win64", win64)):
                for name, data in streams.items():
                    path = os.path.join(top, side, name)
                    os.makedirs(os.path.dirname(path), exist_ok=True)
                    with open(path, "wb") as f:
                        f.write(data)
            with open(os.path.join(top, "rules"), "w", encoding="utf-8") as f:
                f.write(rules)
            output = io.StringIO()
            args = ["--rules", os.path.join(top, "rules"), "--native", os.path.join(top, "native"),
                    "--win64", os.path.join(top, "win64"), "--work", RUN,
                    "--scripts", "a", "b", "--fuzz", *fuzz, "--note", "fuzz corpora skipped: none"]
            with contextlib.redirect_stdout(output), contextlib.redirect_stderr(output):
                status = dc.main(args)
            return status, output.getvalue().splitlines()

    def test_summary_and_status(self):
        same = {"a.out": b"1\r\n", "b.out": b"2\r\n", "a/x.txt": b"x"}
        status, lines = self.run_main(PATH_RULE, same, same)
        self.assertEqual(status, 0)
        self.assertEqual(lines[-1], "differential native vs x64: 2 scripts identical, "
                                    "0 with expected differences, 0 differ; fuzz corpora skipped")
        self.assertIn("differential: fuzz corpora skipped: none", lines)
        self.assertIn("differential: note: expected difference of line 1 (* err win64) did not occur", lines)

        status, lines = self.run_main(PATH_RULE, {"a.err": NATIVE_ERR, "b/x.txt": b"x"},
                                      {"a.err": WIN64_ERR, "b/x.txt": b"y"})
        self.assertEqual(status, 1)
        self.assertIn("differential: DIFFERS b file:x.txt: line 1 differs", "\n".join(lines))
        self.assertTrue(lines[-1].startswith(
            "differential native vs x64: 0 scripts identical, 1 with expected differences, 1 differ"))

    def test_fuzz_transcripts_count_apart(self):
        native = {"a.out": b"", "b.out": b"", "fuzz_t.out": b"result 0\n"}
        win64 = {"a.out": b"", "b.out": b"", "fuzz_t.out": b"result 1\n"}
        status, lines = self.run_main("", native, win64, fuzz=["fuzz_t"])
        self.assertEqual(status, 1)
        self.assertEqual(lines[-1], "differential native vs x64: 2 scripts identical, 0 with expected "
                                    "differences, 0 differ; fuzz corpora: 0 targets identical, "
                                    "0 with expected differences, 1 differ")

    def test_bad_rules_stop_the_run(self):
        status, lines = self.run_main("a out win64 s/x/", {}, {})
        self.assertEqual(status, 2)
        self.assertIn("line 1: the rewrite must read", lines[0])


if __name__ == "__main__":
    unittest.main()

"""What run() and main() give back once their arguments are accepted: None after the usage
line, or the driver's failure as RuntimeError (these children have no terminal to open)."""

import sys
import unittest

import tavvik_pypi

from support import (CHILD_TIMEOUT, NO_TERMINAL, USAGE_LINE, TerminalChild, descriptor_1, outcome,
                     run_child, run_launcher)


class UsageLineTest(unittest.TestCase):
    def test_anything_but_exactly_run_prints_the_usage_line(self):
        for args in ([], ["tavvik"], ["tavvik", "Run"], ["tavvik", "run "], ["run", "play"]):
            with self.subTest(args=args):
                with descriptor_1() as written:
                    self.assertIsNone(tavvik_pypi.run(args))
                self.assertEqual(written(), USAGE_LINE)

    def test_keyword_form_prints_the_usage_line_too(self):
        with descriptor_1() as written:
            self.assertIsNone(tavvik_pypi.run(args=["tavvik", "help"]))
        self.assertEqual(written(), USAGE_LINE)


class DriverFailureTest(unittest.TestCase):
    def assert_reaches_driver(self, call):
        completed = run_child(
            f"""
            import sys, tavvik_pypi
            try:
                {call}
            except RuntimeError as error:
                sys.stderr.write("outcome: %s: %s\\n" % (type(error).__name__, error))
            """
        )
        self.assertEqual(outcome(completed), "RuntimeError: " + NO_TERMINAL, completed.stderr)
        self.assertEqual(completed.stdout, b"")

    def test_run_as_second_element_in_any_form_reaches_the_driver(self):
        for call in ('tavvik_pypi.run(["tavvik", "run"])',
                     'tavvik_pypi.run(("tavvik", "run", "--fast"))',
                     'tavvik_pypi.run(args=["tavvik", "run"])'):
            with self.subTest(call):
                self.assert_reaches_driver(call)


class MainTest(unittest.TestCase):
    def test_run_reaches_the_driver_and_no_argument_prints_the_usage_line(self):
        for args, result, stdout in ((("run",), "RuntimeError: " + NO_TERMINAL, b""),
                                     ((), "None", USAGE_LINE)):
            with self.subTest(args=args):
                completed = run_launcher(*args)
                self.assertEqual(outcome(completed), result, completed.stderr)
                self.assertEqual(completed.stdout, stdout)

    def test_reads_the_process_arguments_not_sys_argv(self):
        completed = run_child(
            """
            import sys, tavvik_pypi
            sys.argv[:] = ["launcher", "run"]
            sys.stderr.write("outcome: %r\\n" % (tavvik_pypi.main(),))
            """
        )
        # The process was started as interpreter, -c, program text: the program text is
        # element 1, so the driver prints the usage line whatever sys.argv says.
        self.assertEqual(outcome(completed), "None", completed.stderr)
        self.assertEqual(completed.stdout, USAGE_LINE)

    def test_non_utf8_argument_is_an_internal_fault(self):
        # A byte that is never UTF-8, and an overlong form of "/".
        for argument, quoted in ((b"r\xffun\"\\", '"r\\xFFun\\"\\\\"'),
                                 (b"\xc0\xaf", '"\\xC0\\xAF"')):
            with self.subTest(argument=argument):
                completed = run_launcher(argument)
                self.assertEqual(outcome(completed),
                                 "PanicException: process argument is not valid UTF-8: " + quoted,
                                 completed.stderr)
                self.assertEqual(completed.stdout, b"")
                # The report comes first, then the exception.
                self.assertTrue(completed.stderr.startswith(b"tavvik_pypi: internal fault: "),
                                completed.stderr)

    def test_non_utf8_argument_leaves_the_terminal_untouched(self):
        launcher = ("import tavvik_pypi\n"
                    "try:\n    tavvik_pypi.main()\n"
                    "except BaseException as error:\n    print(type(error).__name__)\n")
        child = TerminalChild([sys.executable, "-c", launcher, b"\xc3("])
        self.addCleanup(child.kill)
        _, stdout, stderr = child.finish(CHILD_TIMEOUT)
        self.assertEqual(stdout, b"PanicException\n", stderr)
        self.assertEqual(child.attributes_after, child.attributes_before)
        self.assertEqual(bytes(child.shown), b"", "nothing may be written to the terminal")

if __name__ == "__main__":
    unittest.main()

"""What run() and main() give back once their arguments are accepted: None after the usage
line, or the driver's failure as RuntimeError (these children have no terminal to open)."""

import fcntl
import os
import select
import subprocess
import sys
import termios
import unittest

import tavvik_pypi

from support import (CHILD_TIMEOUT, NO_TERMINAL, USAGE_LINE, descriptor_1, outcome, run_child,
                     run_launcher)


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

    def test_list_with_run(self):
        self.assert_reaches_driver('tavvik_pypi.run(["tavvik", "run"])')

    def test_tuple_with_extra_elements(self):
        self.assert_reaches_driver('tavvik_pypi.run(("tavvik", "run", "--fast"))')

    def test_keyword_form(self):
        self.assert_reaches_driver('tavvik_pypi.run(args=["tavvik", "run"])')


class MainTest(unittest.TestCase):
    def test_run_reaches_the_driver(self):
        completed = run_launcher("run")
        self.assertEqual(outcome(completed), "RuntimeError: " + NO_TERMINAL, completed.stderr)
        self.assertEqual(completed.stdout, b"")

    def test_no_argument_prints_the_usage_line(self):
        completed = run_launcher()
        self.assertEqual(outcome(completed), "None", completed.stderr)
        self.assertEqual(completed.stdout, USAGE_LINE)

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
        master, slave = os.openpty()
        try:
            before = termios.tcgetattr(slave)

            def own_terminal():
                os.setsid()
                fcntl.ioctl(slave, termios.TIOCSCTTY, 0)

            launcher = ("import tavvik_pypi\n"
                        "try:\n    tavvik_pypi.main()\n"
                        "except BaseException as error:\n    print(type(error).__name__)\n")
            completed = subprocess.run(
                [sys.executable, "-c", launcher, b"\xc3("],
                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                preexec_fn=own_terminal, timeout=CHILD_TIMEOUT)
            self.assertEqual(completed.stdout, b"PanicException\n", completed.stderr)
            self.assertEqual(termios.tcgetattr(slave), before)
            readable, _, _ = select.select([master], [], [], 0.2)
            self.assertEqual(readable, [], "nothing may be written to the terminal")
        finally:
            os.close(master)
            os.close(slave)


if __name__ == "__main__":
    unittest.main()

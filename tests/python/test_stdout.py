"""The usage line goes straight to descriptor 1; a write error there other than a closed
descriptor is an internal fault, raised as PanicException."""

import unittest

import tavvik_pypi

from support import USAGE_LINE, descriptor_1, outcome, redirected, run_child

DISK_FULL = "failed printing to stdout: No space left on device (os error 28)"


def panic_from_full_disk():
    """Triggers an internal fault in-process (a usage line written to /dev/full) and returns
    the PanicException it raised."""
    with redirected(2) as report, descriptor_1("/dev/full"):
        try:
            tavvik_pypi.run(["tavvik"])
        except BaseException as error:
            raised = error
        else:
            raise AssertionError("writing to /dev/full did not fail")
    if report() != f"tavvik_pypi: internal fault: {DISK_FULL}\n".encode():
        raise AssertionError(f"unexpected fault report {report()!r}")
    return raised


class UsageLineDescriptorTest(unittest.TestCase):
    def test_bypasses_a_redirected_sys_stdout(self):
        completed = run_child(
            """
            import contextlib, io, sys, tavvik_pypi
            captured = io.StringIO()
            with contextlib.redirect_stdout(captured):
                result = tavvik_pypi.run(["tavvik"])
            sys.stderr.write("outcome: %r %r\\n" % (result, captured.getvalue()))
            """
        )
        self.assertEqual(outcome(completed), "None ''", completed.stderr)
        self.assertEqual(completed.stdout, USAGE_LINE)

    def test_closed_descriptor_drops_the_line_silently(self):
        completed = run_child(
            """
            import os, sys, tavvik_pypi
            os.close(1)
            sys.stderr.write("outcome: %r\\n" % (tavvik_pypi.run(["tavvik"]),))
            """
        )
        self.assertEqual(completed.stderr, b"outcome: None\n")
        self.assertEqual(completed.returncode, 0)

    def test_full_device_is_an_internal_fault(self):
        completed = run_child(
            """
            import sys, tavvik_pypi
            try:
                tavvik_pypi.run(["tavvik"])
            except BaseException as error:
                sys.stderr.write("outcome: %s: %s\\n" % (type(error).__name__, error))
            """,
            stdout=open("/dev/full", "wb"),
        )
        self.assertEqual(outcome(completed), "PanicException: " + DISK_FULL)
        self.assertTrue(
            completed.stderr.startswith(b"tavvik_pypi: internal fault: " + DISK_FULL.encode()),
            completed.stderr)

    def test_uncaught_panic_ends_the_interpreter(self):
        completed = run_child(
            """
            import tavvik_pypi
            try:
                tavvik_pypi.run(["tavvik"])
            except Exception:
                print("caught by except Exception")
            """,
            stdout=open("/dev/full", "wb"),
        )
        self.assertNotEqual(completed.returncode, 0)
        self.assertIn(b"pyo3_runtime.PanicException: " + DISK_FULL.encode(), completed.stderr)


class PanicExceptionTest(unittest.TestCase):
    def test_derives_from_base_exception_directly_so_except_exception_misses_it(self):
        error = panic_from_full_disk()
        panic_type = type(error)
        self.assertEqual(panic_type.__module__, "pyo3_runtime")
        self.assertEqual(panic_type.__name__, "PanicException")
        self.assertEqual(panic_type.__bases__, (BaseException,))
        self.assertFalse(issubclass(panic_type, Exception))
        self.assertEqual(error.args, (DISK_FULL,))
        self.assertIn("BaseException", panic_type.__doc__)
        self.assertIn("SystemExit", panic_type.__doc__)

    def test_created_once_per_process(self):
        self.assertIs(type(panic_from_full_disk()), type(panic_from_full_disk()))

    def test_module_keeps_working_after_a_fault(self):
        panic_from_full_disk()
        with descriptor_1() as written:
            self.assertIsNone(tavvik_pypi.run([]))
        self.assertEqual(written(), USAGE_LINE)


if __name__ == "__main__":
    unittest.main()

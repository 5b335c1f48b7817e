"""Conversion of run()'s `args` into the argument list: every failure stops the call before the
driver runs, and a plain TypeError names the parameter."""

import sys
import unittest

import tavvik_pypi

from support import USAGE_LINE, descriptor_1


class Outer:
    class Inner:
        pass


class Elements:
    """A sequence whose iteration yields `items`, then raises `error` if one is given."""

    def __init__(self, items, error=None):
        self.items = items
        self.error = error

    def __len__(self):
        return len(self.items)

    def __getitem__(self, index):
        return self.items[index]

    def __iter__(self):
        yield from self.items
        if self.error is not None:
            raise self.error


class NoLength(Elements):
    def __len__(self):
        raise OverflowError("length unknown")


class Boasting(Elements):
    """Claims far more elements than it has."""

    def __init__(self, items, claimed):
        super().__init__(items)
        self.claimed = claimed

    def __len__(self):
        return self.claimed


class MyTypeError(TypeError):
    pass


class Text(str):
    pass


class ConversionErrorTest(unittest.TestCase):
    def call(self, args):
        """Calls run(args), expecting it to fail with nothing written to descriptor 1."""
        with descriptor_1() as written:
            with self.assertRaises(BaseException) as caught:
                tavvik_pypi.run(args)
        self.assertEqual(written(), b"", "a failed conversion must not reach the driver")
        return caught.exception

    def assert_type_error(self, args, message):
        error = self.call(args)
        self.assertIs(type(error), TypeError)
        self.assertEqual(str(error), message)
        return error

    def test_string_is_refused_whole(self):
        self.assert_type_error("run", "argument 'args': Can't extract `str` to `Vec`")
        self.assert_type_error(Text("run"), "argument 'args': Can't extract `str` to `Vec`")

    def test_not_a_sequence(self):
        self.assert_type_error(
            5, "argument 'args': 'int' object cannot be converted to 'Sequence'")
        self.assert_type_error(
            None, "argument 'args': 'NoneType' object cannot be converted to 'Sequence'")
        self.assert_type_error(
            {"x": 1}, "argument 'args': 'dict' object cannot be converted to 'Sequence'")
        self.assert_type_error(
            (word for word in ["x", "run"]),
            "argument 'args': 'generator' object cannot be converted to 'Sequence'")

    def test_type_name_is_qualified(self):
        self.assert_type_error(
            Outer.Inner(),
            "argument 'args': 'Outer.Inner' object cannot be converted to 'Sequence'")

    def test_element_that_is_not_a_string(self):
        self.assert_type_error(
            ["x", "run", 5], "argument 'args': 'int' object cannot be converted to 'PyString'")
        self.assert_type_error(
            ("x", b"run"), "argument 'args': 'bytes' object cannot be converted to 'PyString'")

    def test_bytes_is_a_sequence_of_integers(self):
        self.assert_type_error(
            b"run", "argument 'args': 'int' object cannot be converted to 'PyString'")

    def test_iteration_raising_type_error_is_renamed_with_its_cause(self):
        cause = KeyError("inner")
        raised = TypeError("broken iterator")
        raised.__cause__ = cause
        error = self.assert_type_error(Elements(["x"], raised),
                                       "argument 'args': broken iterator")
        self.assertIsNot(error, raised)
        self.assertIs(error.__cause__, cause)

    def test_iteration_raising_type_error_without_cause(self):
        error = self.assert_type_error(Elements(["x"], TypeError("no")), "argument 'args': no")
        self.assertIsNone(error.__cause__)

    def test_subclass_of_type_error_passes_unchanged(self):
        raised = MyTypeError("special")
        self.assertIs(self.call(Elements(["x", "run"], raised)), raised)

    def test_other_iteration_error_passes_unchanged(self):
        raised = ValueError("gave up")
        self.assertIs(self.call(Elements(["x", "run"], raised)), raised)

    def test_lone_surrogate_fails_with_encoding_error(self):
        error = self.call(["x", "run", "\udc80"])
        self.assertIsInstance(error, UnicodeEncodeError)
        self.assertIn("surrogates not allowed", str(error))


class AcceptedSequenceTest(unittest.TestCase):
    def assert_usage(self, args):
        with descriptor_1() as written:
            self.assertIsNone(tavvik_pypi.run(args))
        self.assertEqual(written(), USAGE_LINE)

    def test_any_sequence_of_strings(self):
        self.assert_usage(("x", "help"))
        self.assert_usage(Elements(["x", "walk"]))
        self.assert_usage([Text("x"), Text("Run")])

    def test_unknown_length_is_only_a_hint(self):
        self.assert_usage(NoLength(["x", "stop"]))

    def test_a_length_that_boasts_is_only_a_hint_too(self):
        # Reserving what the sequence claims would run out of memory: an internal fault.
        self.assert_usage(Boasting(["x", "walk"], 2**40))
        self.assert_usage(Boasting(["x", "walk"], sys.maxsize))
        self.assert_usage(Boasting(["x", "walk"] + ["y"] * 10000, 3))


if __name__ == "__main__":
    unittest.main()

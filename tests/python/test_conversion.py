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
        self.items, self.error = items, error

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

    def test_each_value_refused_before_iteration_names_the_parameter(self):
        sequence = "object cannot be converted to 'Sequence'"
        element = "object cannot be converted to 'PyString'"
        for name, args, message in (
                ("a string, refused whole", "run", "Can't extract `str` to `Vec`"),
                ("a string subclass too", Text("run"), "Can't extract `str` to `Vec`"),
                ("an int", 5, "'int' " + sequence),
                ("None", None, "'NoneType' " + sequence),
                ("a dict", {"x": 1}, "'dict' " + sequence),
                ("a generator", (word for word in ["x", "run"]), "'generator' " + sequence),
                ("a nested class, by its full name", Outer.Inner(), "'Outer.Inner' " + sequence),
                ("an element that is an int", ["x", "run", 5], "'int' " + element),
                ("an element that is bytes", ("x", b"run"), "'bytes' " + element),
                ("bytes, a sequence of integers", b"run", "'int' " + element)):
            with self.subTest(name):
                self.assert_type_error(args, "argument 'args': " + message)

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

    def test_any_sequence_of_strings_whatever_length_it_claims(self):
        # Reserving what a sequence claims would run out of memory: an internal fault.
        for args in (("x", "help"), Elements(["x", "walk"]), [Text("x"), Text("Run")],
                     NoLength(["x", "stop"]), Boasting(["x", "walk"], 2**40),
                     Boasting(["x", "walk"], sys.maxsize),
                     Boasting(["x", "walk"] + ["y"] * 10000, 3)):
            with self.subTest(type(args).__name__):
                self.assert_usage(args)

if __name__ == "__main__":
    unittest.main()

"""Seeded random calls of run() against an oracle of its binding, conversion and driver rules.

The calls run in a child without a terminal, so a valid ["x", "run"] fails fast in the driver
instead of playing; the child reports per-outcome counts and every disagreement as JSON."""

import json
import os
import random
import reprlib
import sys
import time
import unittest

from support import NO_TERMINAL, USAGE_LINE, descriptor_1, run_child

SEED = int(os.environ.get("TAVVIK_FUZZ_SEED", "20261208"))
CALLS = 10_000
FD_PROBE_CALL = 1_000
HUGE = 10**6
PREFIX = "argument 'args': "
OUTCOMES = ("usage", "no_terminal", "too_many_positional", "unexpected_keyword",
            "multiple_values", "missing_argument", "whole_string", "not_sequence",
            "element_type", "encoding", "iteration_renamed", "iteration_passed_on")
WORDS = ("tavvik", "x", "run", "Run", "run ", " run", "RUN", "", "walk", "é", "🐹")
MISSING = object()


class Text(str):
    pass


class Sneaky(str):
    """Equal to everything: only the text itself may decide whether the driver plays."""

    def __eq__(self, other):
        return True

    __hash__ = str.__hash__


# Exceptions from iteration: only an exact TypeError is renamed, the rest pass on untouched.
MyTypeError = type("MyTypeError", (TypeError,), {})
Interrupt = type("Interrupt", (KeyboardInterrupt,), {})
Halt = type("Halt", (BaseException,), {})


class Unprintable:
    def __str__(self):
        raise ValueError("cannot show myself")


class Outer:
    class Inner:
        pass


class OnlyIter:
    """Iterable, yet not a sequence: it has no __getitem__."""

    def __iter__(self):
        return iter(["x", "run"])


class Indexed:
    """Only __getitem__: iterated by index until IndexError, or until `error` is raised."""

    def __init__(self, items, error, length="true", at_start=False):
        self.items, self.error, self.length, self.at_start = items, error, length, at_start

    def __getitem__(self, index):
        if index < len(self.items):
            return self.items[index]
        if self.error is not None:
            raise self.error
        raise IndexError(index)

    def __repr__(self):
        return (f"{type(self).__name__}({self.items!r}, {self.error!r}, {self.length}, "
                f"at_start={self.at_start})")


class Seq(Indexed):
    """Iterated through __iter__, which may fail at once or after the items; its length may
    lie or fail, which must not matter."""

    def __len__(self):
        if self.length == "raises":
            raise ValueError("length unknown")
        if self.length == "halts":
            raise Halt("length")
        return {"negative": -1, "not_int": "two", "short": 0,
                "long": len(self.items) + 1000,
                "boasts": 2**40, "maximal": sys.maxsize}.get(self.length, len(self.items))

    def __iter__(self):
        if self.error == "non_iterator":
            return 5
        if self.error is not None and self.at_start:
            raise self.error
        return self.walk()

    def walk(self):
        yield from self.items
        if self.error is not None:
            raise self.error


def items(rng):
    def element():
        roll = rng.random()
        if roll < 0.72:
            return rng.choice(WORDS)
        if roll < 0.82:
            return rng.choice((Text, Sneaky))(rng.choice(WORDS))
        if roll < 0.86:
            return rng.choice(("\udc80", "run\ud800", "x\udfffy"))
        return rng.choice((5, None, b"run", 1.5, ["run"], ("x",), bytearray(b"r"), Outer.Inner()))

    chosen = [element() for _ in range(rng.choice((0, 1, 2, 2, 2, 3, 4, 6)))]
    if len(chosen) >= 2 and rng.random() < 0.4:
        chosen[1] = rng.choice(("run", Text("run"), Sneaky("run")))
    return chosen


def iteration_error(rng):
    caused = TypeError("with a cause")
    caused.__cause__ = KeyError("inner")
    return rng.choice((None, None, TypeError("broken iterator"), caused, TypeError(Unprintable()),
                       TypeError("two", 2), MyTypeError("special"), ValueError("gave up"),
                       Interrupt("stop"), Halt("halt"), "non_iterator"))


def make_args(rng):
    shape = rng.choices(("list", "tuple", "seq", "indexed", "str", "other", "bytes"),
                        weights=(30, 15, 22, 8, 4, 12, 4))[0]
    if shape == "list":
        return items(rng)
    if shape == "tuple":
        return tuple(items(rng))
    if shape == "seq":
        length = rng.choice(("true", "raises", "halts", "negative", "not_int", "short", "long",
                              "boasts", "maximal"))
        return Seq(items(rng), iteration_error(rng), length, rng.random() < 0.3)
    if shape == "indexed":
        error = iteration_error(rng)
        return Indexed(items(rng), None if error == "non_iterator" else error)
    if shape == "str":
        return rng.choice(("run", "x run", "", Text("run"), Sneaky("x")))
    if shape == "bytes":
        return rng.choice((b"", b"run", bytearray(b"x"), range(rng.randrange(3))))
    return rng.choice((5, None, 1.5, {"x": "run"}, {"x", "run"}, frozenset(), OnlyIter(),
                       Outer.Inner(), object(), (word for word in ["x", "run"])))


def make_call(rng):
    positional = [make_args(rng) for _ in range(rng.choices((0, 1, 2, 3), (15, 78, 4, 3))[0])]
    keywords = {}
    for _ in range(rng.choices((0, 1, 2, 3), (78, 17, 4, 1))[0]):
        name = rng.choices(("args", "argv", "colour", "ARGS", "\udc80"), (70, 8, 8, 7, 7))[0]
        keywords[name] = make_args(rng)
    return positional, keywords


def shown(error):
    try:
        return str(error)
    except Exception:
        return "<unprintable object>"


def raised(kind, message, cause=None):
    return "raise", kind, message, cause


def expect_conversion(value):
    if isinstance(value, str):
        return "whole_string", raised(TypeError, PREFIX + "Can't extract `str` to `Vec`")
    if isinstance(value, dict) or not hasattr(type(value), "__getitem__"):
        return "not_sequence", raised(TypeError, PREFIX + f"'{type(value).__qualname__}' "
                                      "object cannot be converted to 'Sequence'")
    converted = []
    try:
        for item in iter(value):
            if not isinstance(item, str):
                return "element_type", raised(TypeError, PREFIX + f"'{type(item).__qualname__}'"
                                              " object cannot be converted to 'PyString'")
            try:
                converted.append(str.encode(item, "utf-8"))
            except UnicodeEncodeError as error:
                return "encoding", raised(UnicodeEncodeError, str(error))
    except BaseException as error:
        if type(error) is TypeError:
            return "iteration_renamed", raised(TypeError, PREFIX + shown(error), error.__cause__)
        return "iteration_passed_on", ("same", error)
    if len(converted) >= 2 and converted[1] == b"run":
        return "no_terminal", raised(RuntimeError, NO_TERMINAL)
    return "usage", ("none",)


def expect(positional, keywords):
    """The outcome class and the expected result of run(*positional, **keywords)."""
    if len(positional) > 1:
        return "too_many_positional", raised(
            TypeError, f"run() takes 1 positional arguments but {len(positional)} were given")
    bound = positional[0] if positional else MISSING
    for name, value in keywords.items():
        if name != "args":
            return "unexpected_keyword", raised(
                TypeError, f"run() got an unexpected keyword argument '{name}'")
        if bound is not MISSING:
            return "multiple_values", raised(
                TypeError, "run() got multiple values for argument 'args'")
        bound = value
    if bound is MISSING:
        return "missing_argument", raised(
            TypeError, "run() missing 1 required positional argument: 'args'")
    return expect_conversion(bound)


def agrees(expected, result, error, written):
    """Whether a call gave what `expected` says, writing the usage line only when returning."""
    if expected[0] == "none":
        return error is None and result is None and written == len(USAGE_LINE)
    if expected[0] == "same":
        return error is expected[1] and written == 0
    _, kind, message, cause = expected
    return (type(error) is kind and shown(error) == message and error.__cause__ is cause
            and written == 0)


def fuzz(seed):
    """Runs in the child: every call against the oracle, then the report on standard output."""
    import tavvik_pypi

    rng = random.Random(seed)
    # A few conversions of a million elements, ending in each outcome they can have.
    body = ["a"] * (HUGE - 2)
    huge = (["tavvik", "run", *body], ["a", "b", *body], ("x", *body, "\udc80"), ["x", *body, 0])
    huge_at = dict(zip(rng.sample(range(CALLS), len(huge)), huge))
    describe = reprlib.Repr()  # a million-element list must not flood the report
    describe.maxstring = describe.maxother = 120
    counts = dict.fromkeys(OUTCOMES, 0)
    mismatches, descriptors = [], []
    started = time.monotonic()
    with descriptor_1() as written:
        for call in range(CALLS):
            if call == FD_PROBE_CALL:
                descriptors.append(len(os.listdir("/proc/self/fd")))
            positional, keywords = ([huge_at[call]], {}) if call in huge_at else make_call(rng)
            outcome, expected = expect(positional, keywords)
            counts[outcome] += 1
            before = os.fstat(1).st_size
            result = error = None
            try:
                result = tavvik_pypi.run(*positional, **keywords)
            except BaseException as caught:
                error = caught
            growth = os.fstat(1).st_size - before
            if not agrees(expected, result, error, growth) and len(mismatches) < 20:
                got = repr(result) if error is None else f"{type(error).__name__}: {shown(error)}"
                mismatches.append({"call": call, "shape": describe.repr((positional, keywords)),
                                   "expected": describe.repr(expected), "got": got,
                                   "written": growth})
        descriptors.append(len(os.listdir("/proc/self/fd")))
    json.dump({"counts": counts, "mismatches": mismatches, "descriptors": descriptors,
               "usage_written": written() == USAGE_LINE * counts["usage"],
               "seconds": round(time.monotonic() - started, 1)}, sys.stdout)


class BoundaryFuzzTest(unittest.TestCase):
    def test_random_calls_agree_with_the_rules(self):
        here = os.path.dirname(os.path.abspath(__file__))
        completed = run_child(f"""
            import sys
            sys.path.insert(0, {here!r})
            import test_boundary_fuzz
            test_boundary_fuzz.fuzz(int(sys.argv[1]))
            """, str(SEED))
        context = (f"seed {SEED} (repeat with TAVVIK_FUZZ_SEED={SEED}); "
                   f"stderr: {completed.stderr[-3000:].decode(errors='replace')}")
        self.assertEqual(completed.returncode, 0, context)
        self.assertNotIn(b"internal fault", completed.stderr, context)
        report = json.loads(completed.stdout)
        self.assertEqual(report["mismatches"], [], context)
        self.assertEqual(sum(report["counts"].values()), CALLS, context)
        never = [outcome for outcome, count in report["counts"].items() if count == 0]
        self.assertEqual(never, [], f"outcomes never produced: {context}")
        self.assertTrue(report["usage_written"], f"descriptor 1 holds more: {context}")
        first, last = report["descriptors"]
        self.assertEqual(last, first, f"descriptors leaked between calls: {context}")


if __name__ == "__main__":
    unittest.main()

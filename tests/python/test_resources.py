"""Repeated calls leave nothing behind: no references to what was passed in, no memory, no
descriptors."""

import unittest
import weakref

import tavvik_pypi

from support import collect, descriptor_1, open_descriptors, resident_bytes

CALLS = 1000
BIG = 1 << 18  # a leaked copy of an argument this size would show in the resident size


class Text(str):
    pass


class Arguments(list):
    pass


class NoLeakTest(unittest.TestCase):
    def repeat(self, call):
        with descriptor_1("/dev/null"):
            for _ in range(CALLS):
                call()

    def assert_released(self, make_args, call):
        references = []

        def one_call():
            args = make_args()
            references.append(weakref.ref(args))
            references.extend(weakref.ref(item) for item in args if isinstance(item, Text))
            call(args)

        self.repeat(one_call)
        collect()
        alive = sum(1 for ref in references if ref() is not None)
        self.assertEqual(alive, 0, f"{alive} of {len(references)} objects passed in still alive")

    def test_successful_calls_keep_no_references(self):
        self.assert_released(lambda: Arguments([Text("x")]), tavvik_pypi.run)

    def test_failing_calls_keep_no_references(self):
        def failing(call):
            def checked_call(args):
                with self.assertRaises(TypeError):
                    call(args)

            return checked_call

        self.assert_released(lambda: Arguments([Text("x"), Text("run"), 5]),
                             failing(tavvik_pypi.run))
        self.assert_released(lambda: Arguments([Text("x")]),
                             failing(lambda args: tavvik_pypi.run(args, args=args)))

    def test_memory_and_descriptors_stay_flat(self):
        big = "x" * BIG

        def calls():
            tavvik_pypi.run([big])
            try:
                tavvik_pypi.run([big, big, None])
            except TypeError:
                pass
            try:
                tavvik_pypi.run([big, "\udc80"])
            except UnicodeEncodeError:
                pass
            try:
                tavvik_pypi.run(5)
            except TypeError:
                pass

        self.repeat(calls)  # warm up the interpreter's own caches
        collect()
        resident, descriptors = resident_bytes(), open_descriptors()
        self.repeat(calls)
        collect()
        # Each round copies several megabytes; a leak of them would add gigabytes.
        self.assertLess(resident_bytes() - resident, 200 * BIG)
        self.assertEqual(open_descriptors(), descriptors)


if __name__ == "__main__":
    unittest.main()

"""Binding of run()'s arguments: the four binding errors, raised as they are."""

import unittest

import tavvik_pypi

from support import descriptor_1


class RunBindingTest(unittest.TestCase):
    def assert_type_error(self, message, *args, **kwargs):
        with descriptor_1() as written:
            with self.assertRaises(TypeError) as caught:
                tavvik_pypi.run(*args, **kwargs)
        self.assertIs(type(caught.exception), TypeError)
        self.assertEqual(str(caught.exception), message)
        self.assertEqual(written(), b"", "a rejected call must not reach the driver")

    def test_missing_argument(self):
        self.assert_type_error("run() missing 1 required positional argument: 'args'")

    def test_too_many_positional_arguments_gives_the_count(self):
        self.assert_type_error("run() takes 1 positional arguments but 2 were given", [], [])
        self.assert_type_error("run() takes 1 positional arguments but 3 were given",
                               ["x", "run"], [], [])

    def test_too_many_positional_arguments_wins_over_keywords(self):
        self.assert_type_error("run() takes 1 positional arguments but 2 were given",
                               [], [], argv=1)

    def test_position_and_keyword(self):
        self.assert_type_error("run() got multiple values for argument 'args'", [], args=[])

    def test_unexpected_keyword(self):
        self.assert_type_error("run() got an unexpected keyword argument 'argv'", argv=["x"])

    def test_valid_list_with_extra_keyword_does_not_run(self):
        self.assert_type_error("run() got an unexpected keyword argument 'colour'",
                               ["tavvik", "run"], colour=True)

    def test_first_offending_keyword_decides(self):
        self.assert_type_error("run() got multiple values for argument 'args'",
                               [], args=[], argv=1)
        self.assert_type_error("run() got an unexpected keyword argument 'argv'",
                               [], argv=1, args=[])

    def test_keyword_without_utf8_form_is_unexpected(self):
        self.assert_type_error("run() got an unexpected keyword argument '\udc80'",
                               args=["x"], **{"\udc80": 1})

    def test_main_takes_no_arguments(self):
        with self.assertRaises(TypeError):
            tavvik_pypi.main(["x", "run"])
        with self.assertRaises(TypeError):
            tavvik_pypi.main(args=["x", "run"])


if __name__ == "__main__":
    unittest.main()

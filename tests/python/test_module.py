"""The module object and the shared object behind it."""

import _imp
import importlib.util
import inspect
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

import tavvik_pypi

# The shared object as imported: CPython points __file__ at whichever path initialised the
# module last.
MODULE_FILE = tavvik_pypi.__file__


class ModuleContentsTest(unittest.TestCase):
    def test_all_lists_run_then_main(self):
        self.assertEqual(tavvik_pypi.__all__, ["run", "main"])

    def test_documentation_is_empty(self):
        self.assertEqual(tavvik_pypi.__doc__, "")

    def test_functions_belong_to_the_module(self):
        for name in ("run", "main"):
            function = getattr(tavvik_pypi, name)
            self.assertEqual(function.__name__, name)
            self.assertEqual(function.__module__, "tavvik_pypi")

    def test_signatures(self):
        self.assertEqual(str(inspect.signature(tavvik_pypi.run)), "(args)")
        self.assertEqual(str(inspect.signature(tavvik_pypi.main)), "()")


class SecondInitialisationTest(unittest.TestCase):
    def test_returns_the_same_module(self):
        # The interpreter loads a file only once per path; a second path to the same file makes
        # it call the initialisation function of the already loaded object again.
        self.addCleanup(setattr, tavvik_pypi, "__file__", MODULE_FILE)
        with tempfile.TemporaryDirectory() as folder:
            alias = os.path.join(folder, os.path.basename(MODULE_FILE))
            os.symlink(MODULE_FILE, alias)
            module_spec = importlib.util.spec_from_file_location("tavvik_pypi", alias)
            again = _imp.create_dynamic(module_spec)
        self.assertIs(again, tavvik_pypi)
        self.assertEqual(tavvik_pypi.__all__, ["run", "main"])


class SharedObjectTest(unittest.TestCase):
    @unittest.skipIf(shutil.which("nm") is None, "nm is not installed")
    def test_exports_only_the_initialisation_function(self):
        listing = subprocess.run(["nm", "-D", "--defined-only", MODULE_FILE],
                                 capture_output=True, text=True, check=True, timeout=60)
        exported = [line.split()[-1] for line in listing.stdout.splitlines() if line.strip()]
        self.assertEqual(exported, ["PyInit_tavvik_pypi"])

    @unittest.skipIf(shutil.which("nm") is None, "nm is not installed")
    @unittest.skipUnless(sys.implementation.name == "pypy", "only PyPy renames the C API")
    def test_uses_the_interpreter_under_its_pypy_names(self):
        listing = subprocess.run(["nm", "-D", "--undefined-only", MODULE_FILE],
                                 capture_output=True, text=True, check=True, timeout=60)
        python_api = [name for name in (line.split()[-1] for line in listing.stdout.splitlines())
                      if name.startswith(("Py", "_Py"))]
        self.assertTrue(python_api)
        self.assertEqual([name for name in python_api if not name.startswith(("PyPy", "_PyPy"))],
                         [])


if __name__ == "__main__":
    unittest.main()

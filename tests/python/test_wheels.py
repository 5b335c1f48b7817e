"""The wheels `make dist` leaves in dist/, as a user without a compiler meets them: pip picks the
one that fits this interpreter, installs it into a fresh venv away from the source tree, and
`tavvik run` plays the whole timeline (on the preloaded clock) with nothing else installed."""

import glob
import os
import subprocess
import sys
import sysconfig
import tempfile
import unittest

from support import CHILD_TIMEOUT, PRELOAD, VIRTUAL_CLOCK, TerminalChild, assert_played_whole

HERE = os.path.dirname(os.path.abspath(__file__))
DIST = os.environ.get("TAVVIK_DIST", os.path.join(HERE, "..", "..", "dist"))
WHEELS = glob.glob(os.path.join(DIST, "*.whl"))

# Besides the interpreter, what a bare Debian (minbase) has: apt itself needs these.
BARE_DEBIAN_LIBRARIES = {"libstdc++.so.6", "libgcc_s.so.1", "libc.so.6", "libm.so.6"}


# The tag that says what is true of the module: PyPy has no stable ABI (pp39-pypy39_pp73...).
TAG = ("pp%d%d-%s-linux_x86_64" % (*sys.version_info[:2],
                                   sysconfig.get_config_var("SOABI").replace("-", "_"))
       if sys.implementation.name == "pypy" else "cp310-abi3-linux_x86_64")


def output(*argv, **options):
    """What the command `argv` prints, bounded as every child is."""
    return subprocess.run(argv, capture_output=True, text=True, check=True,
                          timeout=CHILD_TIMEOUT, **options).stdout


def text(*path):
    with open(os.path.join(*path)) as file:
        return file.read()


@unittest.skipUnless(WHEELS, "no wheels in %s: run `make dist` first" % DIST)
@unittest.skipUnless(PRELOAD, "needs the preloaded timeline (TAVVIK_PRELOAD)")
class InstalledWheelTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # The suites' PYTHONPATH leads to the module of the build tree: only the wheel's counts.
        os.environ.pop("PYTHONPATH", None)
        cls.folder = tempfile.TemporaryDirectory()
        cls.venv = os.path.join(cls.folder.name, "venv")
        subprocess.run([sys.executable, "-m", "venv", cls.venv], check=True,
                       timeout=CHILD_TIMEOUT, stdout=subprocess.DEVNULL)
        # Binary only: an sdist beside the wheels must not be built instead of a missing wheel.
        subprocess.run([os.path.join(cls.venv, "bin", "python"), "-m", "pip", "install",
                        "--quiet", "--no-index", "--only-binary", ":all:", "--find-links", DIST,
                        "tavvik"], cwd=cls.folder.name, check=True, timeout=CHILD_TIMEOUT * 2)
        # Run away from the source tree, so that only the installed module can be imported.
        cls.module_file = output(os.path.join(cls.venv, "bin", "python"), "-c",
                                 "import tavvik_pypi; print(tavvik_pypi.__file__)",
                                 cwd=cls.venv).strip()
        cls.dist_info = glob.glob(os.path.join(os.path.dirname(cls.module_file),
                                               "tavvik-*.dist-info"))[0]

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def test_the_fitting_wheel_is_installed_with_its_licence_and_types(self):
        self.assertTrue(self.module_file.startswith(self.venv + os.sep), self.module_file)
        self.assertIn("Tag: %s\n" % TAG, text(self.dist_info, "WHEEL"))
        self.assertIn("License: MIT\n", text(self.dist_info, "METADATA"))
        self.assertTrue(os.path.exists(os.path.join(self.dist_info, "LICENSE")))
        self.assertIn("def run(args: Sequence[str]) -> None: ...",
                      text(os.path.dirname(self.module_file), "tavvik_pypi-stubs", "__init__.pyi"))

    def test_the_module_needs_only_what_a_bare_debian_has_and_exports_one_function(self):
        dynamic = output("readelf", "-d", "-W", self.module_file)
        needed = {line.split("[")[1].rstrip("]") for line in dynamic.splitlines()
                  if "(NEEDED)" in line}
        self.assertNotIn("unibilium", dynamic)
        self.assertLessEqual(needed, BARE_DEBIAN_LIBRARIES)
        symbols = output("nm", "-D", "--defined-only", self.module_file)
        self.assertEqual([line.split()[-1] for line in symbols.splitlines()],
                         ["PyInit_tavvik_pypi"])

    def test_tavvik_run_plays_the_whole_timeline_and_hands_the_terminal_back(self):
        child = TerminalChild([os.path.join(self.venv, "bin", "tavvik"), "run"],
                              env=VIRTUAL_CLOCK, cwd=self.folder.name)
        self.addCleanup(child.kill)
        assert_played_whole(self, child)


if __name__ == "__main__":
    unittest.main()

"""The wheels `make dist` leaves in dist/, this implementation's: each module keeps to the
manylinux policy of its wheel's tag, and each wheel, installed as a user does (pip picks the one
that fits), plays the whole timeline (on the preloaded clock): under this interpreter, the other
Debian release's PyPy (in a root of its packages) and Debian's arm64 interpreters (under qemu)."""

import glob
import os
import re
import shutil
import subprocess
import sys
import sysconfig
import tempfile
import unittest

from support import CHILD_TIMEOUT, PRELOAD, VIRTUAL_CLOCK, TerminalChild, assert_played_whole

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPTS = os.path.join(HERE, "..", "..", "scripts")
sys.path.insert(0, SCRIPTS)
import wheel as manylinux  # noqa: E402  (scripts/wheel.py: a module's facts, read from ELF)

# The published manylinux policy (PEP 600, as auditwheel lists it), for the tags Debian 12 and 13
# give: the highest symbol versions each allows, on x86_64 and aarch64 alike, and the libraries
# a module may need (the C library, libm, the C++ runtime, libgcc_s, the architecture's loader).
POLICY_LIMITS = {
    "manylinux_2_28": {"GLIBC": "2.28", "GLIBCXX": "3.4.24", "CXXABI": "1.3.11", "GCC": "7.0.0"},
    "manylinux_2_39": {"GLIBC": "2.39", "GLIBCXX": "3.4.33", "CXXABI": "1.3.15", "GCC": "14.0.0"},
}
POLICY_LIBRARIES = {"libc.so.6", "libm.so.6", "libstdc++.so.6", "libgcc_s.so.1",
                    "ld-linux-x86-64.so.2", "ld-linux-aarch64.so.1"}

DIST = os.environ.get("TAVVIK_DIST", os.path.join(HERE, "..", "..", "dist"))
PYPY = sys.implementation.name == "pypy"
WHEELS = sorted(path for path in glob.glob(os.path.join(DIST, "*.whl"))
                if os.path.basename(path).split("-")[2].startswith("pp") == PYPY)
PRELOAD_AARCH64 = os.environ.get("TAVVIK_PRELOAD_AARCH64", "")
# The PyPy of each Debian release, by its wheels' python tag.
PYPY_RELEASES = {"pp39": "bookworm", "pp311": "trixie"}
with open("/etc/os-release") as file:
    THIS_RELEASE = re.search(r"VERSION_CODENAME=(\w+)", file.read()).group(1)
# This interpreter's tags: PyPy has no stable ABI (pp39-pypy39_pp73...).
PYTHON_ABI = ("pp%d%d-%s" % (*sys.version_info[:2], sysconfig.get_config_var("SOABI").replace("-", "_"))
              if PYPY else "cp310-abi3")
# Binary only: an sdist beside the wheels must not be built instead.
PIP = ["-m", "pip", "install", "--quiet", "--no-cache-dir", "--no-index", "--only-binary", ":all:"]
# What an interpreter says of itself: its version, its ABI tag and its glibc's version.
FACTS = ("import os, sys, sysconfig; v = sys.version_info; print('%d.%d' % v[:2], sysconfig."
         "get_config_var('SOABI').replace('-', '_') if sys.implementation.name == 'pypy' else "
         "'cp%d%d' % v[:2], os.confstr('CS_GNU_LIBC_VERSION').split()[1])")


def output(*argv, timeout=CHILD_TIMEOUT, **options):
    """What the command `argv` prints, bounded as every child is."""
    return subprocess.run(argv, capture_output=True, text=True, check=True, timeout=timeout,
                          **options).stdout


def text(*path):
    with open(os.path.join(*path)) as file:
        return file.read()


def tags(wheel):
    """(python, abi, platform) of a wheel's file name."""
    return tuple(os.path.basename(wheel)[:-len(".whl")].split("-")[2:5])


def in_root(release, arch, *argv, **variables):
    """`argv` run from a root of the Debian packages of `release` and `arch` of this suite's
    interpreter, with `variables` (scripts/debian-root.sh)."""
    return [os.path.join(SCRIPTS, "debian-root.sh"), release, arch, "pypy" if PYPY else "python3",
            "run", *("%s=%s" % item for item in variables.items()), *argv]


def assert_installed(test, site, wheel):
    """`wheel` is what pip installed into `site`, with its licence and types."""
    dist_info = glob.glob(os.path.join(site, "tavvik-*.dist-info"))[0]
    test.assertIn("Tag: %s-%s-%s\n" % tags(wheel), text(dist_info, "WHEEL"))
    test.assertIn("License: MIT\n", text(dist_info, "METADATA"))
    # Metadata 2.4 (Debian 13's setuptools) puts the licence under licenses/.
    test.assertTrue(glob.glob(os.path.join(dist_info, "**", "LICENSE"), recursive=True))
    test.assertIn("def run(args: Sequence[str]) -> None: ...",
                  text(site, "tavvik_pypi-stubs", "__init__.pyi"))


@unittest.skipUnless(WHEELS, "no wheels in %s: run `make dist` first" % DIST)
@unittest.skipUnless(PRELOAD, "needs the preloaded timeline (TAVVIK_PRELOAD)")
class WheelTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # The suites' PYTHONPATH leads to the module of the build tree: only the wheel's counts.
        os.environ.pop("PYTHONPATH", None)
        cls.folder = tempfile.TemporaryDirectory(dir="/tmp")
        cls.venv = os.path.join(cls.folder.name, "venv")
        subprocess.run([sys.executable, "-m", "venv", cls.venv], check=True,
                       timeout=CHILD_TIMEOUT, stdout=subprocess.DEVNULL)
        cls.pip = [os.path.join(cls.venv, "bin", "python")] + PIP
        subprocess.run(cls.pip + ["--find-links", DIST, "tavvik"], cwd=cls.folder.name,
                       check=True, timeout=CHILD_TIMEOUT * 2)
        # Run away from the source tree, so that only the installed module can be imported.
        cls.module_file = output(os.path.join(cls.venv, "bin", "python"), "-c",
                                 "import tavvik_pypi; print(tavvik_pypi.__file__)",
                                 cwd=cls.venv).strip()

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def install_and_play(self, install, glibc, wheel, site, play):
        """Runs the `install` command: a wheel whose tag asks for a newer glibc than the
        interpreter's `glibc` must be refused (a newer release's build is kept away by its tag),
        any other installed into `site` and played by the `play` command."""
        installed = subprocess.run(install, capture_output=True, text=True,
                                   timeout=CHILD_TIMEOUT * 2)
        if manylinux.version(re.search(r"_(\d+_\d+)_", wheel).group(1).replace("_", ".")) > \
                manylinux.version(glibc):
            self.assertIn("No matching distribution found for tavvik", installed.stderr)
            return
        self.assertEqual(installed.returncode, 0, installed.stderr)
        assert_installed(self, site, wheel)
        child = TerminalChild(play)
        self.addCleanup(child.kill)
        assert_played_whole(self, child)

    def test_every_module_keeps_to_the_manylinux_policy_of_its_tag(self):
        self.assertEqual({(tags(wheel)[0], re.search("x86_64|aarch64", wheel).group())
                          for wheel in WHEELS},
                         {(python, arch) for python in (["pp39", "pp311"] if PYPY else ["cp310"])
                          for arch in ("x86_64", "aarch64")})
        with tempfile.TemporaryDirectory() as folder:
            for wheel in WHEELS:
                with self.subTest(wheel=os.path.basename(wheel)):
                    shutil.unpack_archive(wheel, folder, "zip")
                    module = glob.glob(os.path.join(folder, "tavvik_pypi.*so"))[0]
                    policy, arch = re.fullmatch(r"(manylinux_\d+_\d+)_(x86_64|aarch64)",
                                                tags(wheel)[2]).groups()
                    machine, needed, highest = manylinux.module_facts(module)
                    self.assertEqual(machine, arch)
                    self.assertLessEqual(needed, POLICY_LIBRARIES)
                    for family, number in highest.items():
                        self.assertLessEqual(manylinux.version(number),
                                             manylinux.version(POLICY_LIMITS[policy][family]),
                                             family)
                    symbols = output("readelf", "--dyn-syms", "-W", module)
                    self.assertEqual(re.findall(r"GLOBAL\s+DEFAULT\s+\d+\s+(\S+)", symbols),
                                     ["PyInit_tavvik_pypi"])
                    os.remove(module)

    def test_the_fitting_wheel_installs_and_plays_here(self):
        self.assertTrue(self.module_file.startswith(self.venv + os.sep), self.module_file)
        wheel = [wheel for wheel in WHEELS if "-%s-" % PYTHON_ABI in wheel and "x86_64" in wheel]
        assert_installed(self, os.path.dirname(self.module_file), wheel[0])
        child = TerminalChild([os.path.join(self.venv, "bin", "tavvik"), "run"],
                              env=VIRTUAL_CLOCK, cwd=self.folder.name)
        self.addCleanup(child.kill)
        assert_played_whole(self, child)

    @unittest.skipUnless(PYPY, "the other Debian release's CPython takes the same cp310-abi3 wheel")
    @unittest.skipUnless(os.geteuid() == 0, "the other release's PyPy runs in a chroot: needs root")
    def test_the_other_releases_pypy_installs_and_plays_its_wheel_in_a_root_of_that_release(self):
        python, release = next(item for item in PYPY_RELEASES.items() if item[1] != THIS_RELEASE)
        glibc = output(*in_root(release, "amd64", "/usr/bin/pypy3", "-c", FACTS),
                       timeout=CHILD_TIMEOUT * 10).split()[2]
        with tempfile.TemporaryDirectory(dir="/tmp") as folder:  # the root sees this /tmp
            dist, venv = os.path.join(folder, "dist"), os.path.join(folder, "venv")
            shutil.copytree(DIST, dist)
            preload = shutil.copy(PRELOAD, folder)
            subprocess.run(in_root(release, "amd64", "/usr/bin/pypy3", "-m", "venv", venv),
                           check=True, timeout=CHILD_TIMEOUT, stdout=subprocess.DEVNULL)
            self.install_and_play(
                in_root(release, "amd64", os.path.join(venv, "bin", "python"), *PIP,
                        "--find-links", dist, "tavvik"), glibc,
                [wheel for wheel in WHEELS if "%s-pypy" % python in wheel and "x86_64" in wheel][0],
                glob.glob(os.path.join(venv, "lib", "*", "site-packages"))[0],
                in_root(release, "amd64", os.path.join(venv, "bin", "tavvik"), "run",
                        **dict(VIRTUAL_CLOCK, LD_PRELOAD=preload)))

    @unittest.skipUnless(os.path.exists(PRELOAD_AARCH64), "needs the arm64 preloaded timeline")
    def test_arm64_interpreters_play_their_wheels_under_emulation(self):
        for wheel in (wheel for wheel in WHEELS if "aarch64" in wheel):
            release = PYPY_RELEASES.get(tags(wheel)[0], THIS_RELEASE)
            interpreter = "/usr/bin/pypy3" if PYPY else "/usr/bin/python3"
            with self.subTest(wheel=os.path.basename(wheel)), \
                    tempfile.TemporaryDirectory() as target:
                version, abi, glibc = output(*in_root(release, "arm64", interpreter, "-c", FACTS),
                                             timeout=CHILD_TIMEOUT * 10).split()
                # This machine's pip chooses for the interpreter: pip under emulation is slow.
                self.install_and_play(
                    self.pip + ["--find-links", DIST, "--target", target, "--abi", abi,
                                "--implementation", "pp" if PYPY else "cp", "--python-version",
                                version, "tavvik"] +
                    ["--platform=manylinux_2_%d_aarch64" % minor
                     for minor in range(17, int(glibc.split(".")[1]) + 1)], glibc, wheel, target,
                    in_root(release, "arm64", interpreter, os.path.join(target, "bin", "tavvik"),
                            "run", PYTHONPATH=target,
                            **dict(VIRTUAL_CLOCK, LD_PRELOAD=PRELOAD_AARCH64)))


if __name__ == "__main__":
    unittest.main()

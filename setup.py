"""Packages tavvik_pypi by running the project's own CMake build: there is one list of sources."""

import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))

# The CMake build keeps CPython's module from 3.10 on to the limited API of 3.10 (see
# src/python/CMakeLists.txt): its file is tavvik_pypi.abi3.so and its wheel cp310-abi3, for
# every CPython from 3.10 on. PyPy has no stable ABI: one wheel per PyPy version.
LIMITED_API = sys.implementation.name == "cpython" and sys.version_info >= (3, 10)


def long_description():
    """The README as an index shows it: without its picture (between the picture markers), a file
    of the source tree that an index cannot show."""
    with open(os.path.join(ROOT, "README.md"), encoding="utf-8") as file:
        readme = file.read()
    return re.sub(r"<!-- picture:.*?<!-- end of picture -->\n", "", readme, flags=re.S)


class CMakeBuild(build_ext):
    """Configures and builds the CMake target of each extension, then copies it into place."""

    def build_extension(self, ext):
        build_dir = os.path.abspath(os.path.join(self.build_temp, "cmake"))
        subprocess.run(
            [
                "cmake", "-S", ROOT, "-B", build_dir,
                "-DCMAKE_BUILD_TYPE=Release",
                "-DTAVVIK_TESTS=OFF",
                "-DTAVVIK_BENCH=OFF",
                "-DTAVVIK_TOOLS=OFF",
                "-DTAVVIK_PYTHON=ON",
                # What the wheel carries must load on a bare system: no libunibilium there.
                "-DTAVVIK_STATIC_UNIBILIUM=ON",
                # The interpreter running pip is the one the module is built for.
                f"-DTAVVIK_PYTHON_EXECUTABLES={sys.executable}",
            ],
            check=True,
        )
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", str(os.cpu_count() or 1))
        implementation = sys.implementation.name
        subprocess.run(
            ["cmake", "--build", build_dir, "--target", f"{ext.name}_{implementation}",
             "--parallel", jobs],
            check=True,
        )
        file_name = os.path.basename(self.get_ext_filename(ext.name))
        built = os.path.join(build_dir, "src", "python", implementation, file_name)
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copyfile(built, target)


options = {
    # Away from the make build's own build/ directory.
    "build": {"build_base": "build-pip"},
}
if LIMITED_API:
    options["bdist_wheel"] = {"py_limited_api": "cp310"}

setup(
    long_description=long_description(),
    long_description_content_type="text/markdown",
    # The module's types as a stub-only package, where type checkers look for them (a bare
    # module cannot carry py.typed); named here because Debian 12's setuptools refuses the
    # "-stubs" name in pyproject.toml.
    packages=["tavvik_pypi-stubs"],
    package_data={"tavvik_pypi-stubs": ["__init__.pyi"]},
    ext_modules=[Extension("tavvik_pypi", sources=[], py_limited_api=LIMITED_API)],
    cmdclass={"build_ext": CMakeBuild},
    options=options,
)

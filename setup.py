"""Packages tavvik_pypi by running the project's own CMake build: there is one list of sources."""

import os
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = os.path.dirname(os.path.abspath(__file__))


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


setup(
    ext_modules=[Extension("tavvik_pypi", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    # Away from the make build's own build/ directory.
    options={"build": {"build_base": "build-pip"}},
)

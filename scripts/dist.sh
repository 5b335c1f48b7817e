#!/usr/bin/env bash
# Makes what goes to users into DIST:
#  1. the sdist;
#  2. from it, with pip, one wheel for each interpreter given that this machine has (a PyPy
#     wheel per PyPy version; one cp310-abi3 wheel serves every CPython from 3.10 on);
#  3. from the same sdist, the module for each interpreter this machine cannot run, built from
#     that interpreter's own facts: its headers and extension suffix from its Debian packages
#     (the PyPy of Debian 12 and of Debian 13, and this release's CPython, each for x86_64 and
#     arm64), arm64 with g++-aarch64-linux-gnu and arm64 unibilium; each put into a wheel beside
#     its sibling of step 2 (scripts/wheel.py repack);
#  4. every wheel tagged with the lowest manylinux tag its module keeps to (scripts/wheel.py).
#   scripts/dist.sh DIST SDIST_PYTHON INTERPRETER...
# SDIST_PYTHON needs python3-build and setuptools; every INTERPRETER needs its headers and venv.
# pip builds without isolation from the system's setuptools and wheel; the Debian packages of
# step 3 are downloaded once into a cache outside the clone (scripts/debian-root.sh).
# TAVVIK_DIST_FOREIGN=no leaves step 3 out.
set -euo pipefail
shopt -s extglob

[ $# -ge 3 ] || { echo "usage: $0 DIST SDIST_PYTHON INTERPRETER..." >&2; exit 2; }
dist=$1 sdist_python=$2
shift 2
scripts=$(cd "$(dirname "$0")" && pwd)

rm -rf "$dist"
mkdir -p "$dist"
"$sdist_python" -m build --sdist --no-isolation --outdir "$dist" .
sdists=("$dist"/*.tar.gz)
[ ${#sdists[@]} -eq 1 ] || { echo "dist: expected one sdist in $dist" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
built=0
for interpreter in "$@"; do
  if ! path=$(command -v "$interpreter"); then
    echo "dist: no $interpreter here, no wheel for it"
    continue
  fi
  venv=$work/venv-$built
  # The system's setuptools and wheel, seen from the venv; pip from the venv itself.
  "$path" -m venv --system-site-packages "$venv"
  # No wheel cache: a wheel of an earlier build must never stand in for this one.
  "$venv/bin/python" -m pip wheel --quiet --no-cache-dir --no-build-isolation --no-index \
    --no-deps --wheel-dir "$dist" "${sdists[0]}"
  built=$((built + 1))
done
[ "$built" -gt 0 ] || { echo "dist: none of $* found" >&2; exit 1; }

# Step 3. This machine's release and architecture, and the PyPy of each release.
this_release=$(. /etc/os-release && echo "$VERSION_CODENAME")
this_arch=$(dpkg --print-architecture)
cpython_version=$("$sdist_python" -c 'import sys; print("%d.%d" % sys.version_info[:2])')
declare -A pypy_version=([bookworm]=3.9 [trixie]=3.11)
declare -A gnu_arch=([amd64]=x86_64 [arm64]=aarch64)
mkdir -p "$work/source"
tar -xzf "${sdists[0]}" -C "$work/source" --strip-components=1

# Builds the module for one interpreter of ARCH from the sdist, in one build folder per
# architecture (the core is compiled once for all its modules), and puts it into a wheel made
# from TEMPLATE. Arguments: ARCH TEMPLATE IMPLEMENTATION INCLUDE_DIRS SUFFIX PYTHON_TAG ABI_TAG
build_foreign() {
  local arch=$1 template=$2 implementation=$3 include_dirs=$4 suffix=$5 python_tag=$6 abi_tag=$7
  local options=() triplet=${gnu_arch[$arch]}-linux-gnu
  if [ "$arch" != "$this_arch" ]; then
    # This release's unibilium for arm64, as its cross compiler's C library is this release's.
    local libraries
    libraries=$("$scripts/debian-root.sh" "$this_release" "$arch" headers)
    options=(-DCMAKE_TOOLCHAIN_FILE="$scripts/$triplet.cmake"
      -DTAVVIK_UNIBILIUM_ARCHIVE="$libraries/usr/lib/$triplet/libunibilium.a")
    export PKG_CONFIG_LIBDIR=$libraries/usr/lib/$triplet/pkgconfig PKG_CONFIG_SYSROOT_DIR=$libraries
  fi
  cmake -S "$work/source" -B "$work/build-$arch" -DCMAKE_BUILD_TYPE=Release -DTAVVIK_TESTS=OFF \
    -DTAVVIK_BENCH=OFF -DTAVVIK_TOOLS=OFF -DTAVVIK_STATIC_UNIBILIUM=ON "${options[@]}" \
    -DTAVVIK_PYTHON_IMPLEMENTATION="$implementation" -DTAVVIK_PYTHON_INCLUDE_DIRS="$include_dirs" \
    -DTAVVIK_PYTHON_SUFFIX="$suffix" >/dev/null
  unset PKG_CONFIG_LIBDIR PKG_CONFIG_SYSROOT_DIR
  cmake --build "$work/build-$arch" --target "tavvik_pypi_$implementation" \
    --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" >/dev/null
  local module
  module=$(ls "$work/build-$arch/src/python/$implementation"/tavvik_pypi*.so)
  "$sdist_python" "$scripts/wheel.py" repack "$template" "$module" "$python_tag" "$abi_tag" "$dist"
  rm "$module"
}

if [ "${TAVVIK_DIST_FOREIGN:-yes}" != no ]; then
  pypy_template=$(ls "$dist"/*-pp*.whl 2>/dev/null | head -n1)
  cpython_template=$(ls "$dist"/*-abi3-*.whl 2>/dev/null | head -n1)
  for arch in amd64 arm64; do
    for release in bookworm trixie; do
      version=${pypy_version[$release]}
      # This machine's own PyPy has its wheel from step 2.
      if [ -z "$pypy_template" ] || { [ "$arch" = "$this_arch" ] && [ "$release" = "$this_release" ]; }; then
        continue
      fi
      # The interpreter with its headers, as the wheel suite plays it (tests/python/test_wheels.py).
      root=$("$scripts/debian-root.sh" "$release" "$arch" pypy)
      # The extension suffix: the interpreter's own modules carry it in their names.
      module=$(find "$root/usr/lib/pypy$version" -name '*.pypy*-pp*-*.so' -print -quit)
      suffix=.${module##*/*([^.]).}  # .pypy39-pp73-aarch64-linux-gnu.so
      abi_tag=$(echo "$suffix" | cut -d. -f2 | cut -d- -f1,2 | tr - _)  # pypy39_pp73
      build_foreign "$arch" "$pypy_template" pypy "$root/usr/include/pypy$version" "$suffix" \
        "pp${version/./}" "$abi_tag"
    done
    if [ -n "$cpython_template" ] && [ "$arch" != "$this_arch" ]; then
      root=$("$scripts/debian-root.sh" "$this_release" "$arch" headers)
      # Python.h includes <ARCH-TRIPLET/pythonX.Y/pyconfig.h>: both folders are given.
      build_foreign "$arch" "$cpython_template" cpython \
        "$root/usr/include/python$cpython_version;$root/usr/include" "" cp310 abi3
    fi
  done
fi

"$sdist_python" "$scripts/wheel.py" tag "$dist"/*.whl
ls -l "$dist"

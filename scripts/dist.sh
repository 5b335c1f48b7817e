#!/usr/bin/env bash
# Makes what goes to users into DIST: the sdist, then from it one wheel for each interpreter
# given that this machine has (a PyPy wheel per PyPy version; one cp310-abi3 wheel serves every
# CPython from 3.10 on). Building the wheels from the sdist shows that it holds the whole build.
#   scripts/dist.sh DIST SDIST_PYTHON INTERPRETER...
# SDIST_PYTHON needs python3-build and setuptools; every INTERPRETER needs its headers and venv.
# Nothing is downloaded: pip builds without isolation from the system's setuptools and wheel.
set -euo pipefail

[ $# -ge 3 ] || { echo "usage: $0 DIST SDIST_PYTHON INTERPRETER..." >&2; exit 2; }
dist=$1 sdist_python=$2
shift 2

rm -rf "$dist"
mkdir -p "$dist"
"$sdist_python" -m build --sdist --no-isolation --outdir "$dist" .
sdists=("$dist"/*.tar.gz)
[ ${#sdists[@]} -eq 1 ] || { echo "dist: expected one sdist in $dist" >&2; exit 1; }

venvs=$(mktemp -d)
trap 'rm -rf "$venvs"' EXIT
built=0
for interpreter in "$@"; do
  if ! path=$(command -v "$interpreter"); then
    echo "dist: no $interpreter here, no wheel for it"
    continue
  fi
  venv=$venvs/$built
  # The system's setuptools and wheel, seen from the venv; pip from the venv itself.
  "$path" -m venv --system-site-packages "$venv"
  # No wheel cache: a wheel of an earlier build must never stand in for this one.
  "$venv/bin/python" -m pip wheel --quiet --no-cache-dir --no-build-isolation --no-index \
    --no-deps --wheel-dir "$dist" "${sdists[0]}"
  built=$((built + 1))
done
[ "$built" -gt 0 ] || { echo "dist: none of $* found" >&2; exit 1; }

ls -l "$dist"

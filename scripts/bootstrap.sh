#!/usr/bin/env bash
# Installs the Debian packages a set of make targets needs, when missing:
#   scripts/bootstrap.sh [run|test|dist|bench|lint]
# run (the default): building the module and playing it, `make run`; it brings make itself, so
# on a bare Debian this script is the first thing to start. Every other set adds to it.
# Safe to run again: with everything present it only checks.
set -euo pipefail

set_name=${1:-run}

# Playing: the compiler, the build, PyPy with its headers and venv, wheel for pip's build, and
# unibilium with the terminal descriptions it reads.
packages=(
  g++ make cmake pkg-config
  pypy3 pypy3-dev pypy3-venv python3-wheel
  libunibilium-dev ncurses-base
)
case "$set_name" in
  run) ;;
  test)
    # The C++ suites and their emulator, the memory checker, nm for the module's symbols.
    packages+=(libgtest-dev libgmock-dev libvterm-dev valgrind binutils)
    # Debian's CPython, for the module's suites under CPython (setuptools: its venvs from 3.12
    # on no longer bring it).
    packages+=(python3 python3-dev python3-venv python3-setuptools)
    # The end-to-end suites' terminals: tmux, and xterm on a virtual X server, typed into.
    packages+=(tmux xvfb xterm xdotool)
    # The rest of ncurses's descriptions, the direct-colour ones (xterm-direct, ...) among them.
    packages+=(ncurses-term)
    # `make dist`, whose wheels the wheel suites install.
    packages+=(python3-build)
    # The wheel suites play the arm64 wheels under emulation, with the preloaded timeline built
    # for arm64, and the other Debian release's PyPy in a chroot (mount).
    packages+=(g++-aarch64-linux-gnu qemu-user-static mount)
    # The fuzz targets' regression run (`make fuzz`): clang with libFuzzer and the sanitizers'
    # runtimes, and ncurses' tinfo, the parameter language's second opinion.
    clang=$("$(dirname "$0")/fuzz-clang-version.sh")
    packages+=("clang-$clang" "libclang-rt-$clang-dev" libncurses-dev)
    ;;
  dist)
    # The sdist's builder, a wheel for Debian's CPython as well as for PyPy, and the modules for
    # arm64.
    packages+=(python3 python3-dev python3-venv python3-setuptools python3-build
      g++-aarch64-linux-gnu)
    ;;
  bench)
    packages+=(libbenchmark-dev libncurses-dev)
    ;;
  lint)
    # The default clang-tidy 14 cannot read libstdc++ 12's <expected>.
    packages+=(clang-format cppcheck clang-tidy-16)
    ;;
  *)
    echo "usage: $0 [run|test|dist|bench|lint]" >&2
    exit 2
    ;;
esac

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "bootstrap: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null; then
  as_root=(sudo)
else
  echo "bootstrap: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

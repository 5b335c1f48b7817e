#!/usr/bin/env bash
# Installs the Debian packages that building, testing and playing Tavvik need, when missing;
# with --lint, also the static checkers of `make lint`.
# Safe to run again: with everything present it only checks.
set -euo pipefail

packages=(
  g++ cmake make pkg-config binutils ncurses-bin ncurses-base
  pypy3 pypy3-dev pypy3-venv python3-wheel
  libunibilium-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libvterm-dev libncurses-dev
  tmux valgrind
  xvfb xterm xdotool
)
if [ "${1:-}" = --lint ]; then
  # The default clang-tidy 14 cannot read libstdc++ 12's <expected>.
  packages+=(clang-format cppcheck clang-tidy-16)
fi

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

#!/usr/bin/env bash
# Unpacks a set of Debian packages of another release or architecture into a folder (a root),
# without installing them on this machine, and prints the folder's path, or runs a program
# from it:
#   scripts/debian-root.sh RELEASE ARCH pypy|python3|headers
#   scripts/debian-root.sh RELEASE ARCH pypy|python3 run [NAME=VALUE...] PROGRAM [ARGUMENT...]
# pypy      PyPy with its headers and venv, and everything they depend on
# python3   CPython and everything it depends on
# headers   CPython's headers and unibilium's static archive alone, to build against
# The roots also hold what every Debian has and the module or the interpreters need.
# run: PROGRAM (a path in the root) with the variables given set for it. For this machine's
# architecture in a chroot of the root (needs root), in a mount namespace of its own with this
# machine's /dev, /proc and /tmp; for another under qemu-user, which reads the paths the root
# holds from it (its -L).
# Downloads go through a private apt configuration (lists, cache and sources of its own, the
# Debian archive this machine's apt uses); the machine's own apt state is never touched. The
# folders live in ${XDG_CACHE_HOME:-$HOME/.cache}/tavvik, outside any clone, and are made once.
set -euo pipefail

usage() {
  echo "usage: $0 RELEASE ARCH pypy|python3|headers [run [NAME=VALUE...] PROGRAM [ARGUMENT...]]" >&2
  exit 2
}
[ $# -eq 3 ] || { [ $# -ge 5 ] && [ "$4" = run ]; } || usage
release=$1 arch=$2 set_name=$3
shift 3
case $set_name in pypy | python3 | headers) ;; *) usage ;; esac

cache=${XDG_CACHE_HOME:-$HOME/.cache}/tavvik
root=$cache/roots/$release-$arch-$set_name

# A root counts as made once it is whole and made the way this script makes it now.
stamp=$(sha256sum "$0" | cut -c1-16)
made_here() { [ "$(cat "$root/.complete" 2>/dev/null)" = "$stamp" ]; }

# Prints the root, or runs the program of `run`.
finish() {
  if [ $# -eq 0 ]; then
    echo "$root"
    exit 0
  fi
  exec 9>&-  # the lock stays here
  shift
  local variables=() emulated=()
  while [[ $1 == *=* ]]; do
    variables+=("$1") emulated+=(-E "$1")
    shift
  done
  if [ "$arch" = "$(dpkg --print-architecture)" ]; then
    exec env "${variables[@]}" unshare --mount sh -c 'mount --rbind /dev "$0/dev" &&
      mount -t proc proc "$0/proc" && mount --bind /tmp "$0/tmp" && exec chroot "$0" "$@"' \
      "$root" "$@"
  fi
  local gnu=${arch/arm64/aarch64}
  exec "$(command -v "qemu-$gnu-static" || command -v "qemu-$gnu")" -L "$root" "${emulated[@]}" \
    "$root$1" "${@:2}"
}
made_here && finish "$@"

# One at a time: calls for the same release share its lists.
mkdir -p "$cache"
exec 9>"$cache/lock"
flock 9
made_here && finish "$@"

# The archive that serves this machine's own release; it serves the other releases as well.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
mirror=$(apt-get indextargets --format '$(RELEASE) $(REPO_URI)' 'Identifier: Packages' |
  awk -v release="$codename" '$1 == release { print $2; exit }')
mirror=${mirror:-http://deb.debian.org/debian/}

state=$cache/apt/$release-$arch
debs=$cache/debs/$release-$arch-$set_name
# Only this set's packages, as the archive has them now: nothing left from an earlier one.
rm -rf "$debs"
mkdir -p "$state/lists/partial" "$state/sources.list.d" "$debs/partial"
echo "deb [arch=$arch signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $release main" \
  >"$state/sources.list"
# An empty package database: the closure is everything the packages need, not what this
# machine happens to have.
: >"$state/status"
apt=(apt-get -q -o "Dir::State=$state" -o "Dir::State::Lists=$state/lists"
  -o "Dir::State::status=$state/status" -o "Dir::Cache=$state" -o "Dir::Cache::Archives=$debs"
  -o "Dir::Etc::SourceList=$state/sources.list" -o "Dir::Etc::SourceParts=$state/sources.list.d"
  -o "APT::Architecture=$arch" -o "APT::Architectures::=$arch" -o "APT::Sandbox::User=root")

# Lists older than a day are fetched again: a package they name may have left the archive.
if [ -z "$(find "$state/lists" -maxdepth 1 -name '*Packages*' -mtime -1 -print -quit)" ]; then
  "${apt[@]}" update >&2
fi
# What every Debian has that the module needs: the C++ runtime, and the C.UTF-8 locale.
base=(libstdc++6 libc-bin)
case $set_name in
  pypy) "${apt[@]}" install --download-only --no-install-recommends -y pypy3-dev pypy3-venv "${base[@]}" >&2 ;;
  python3) "${apt[@]}" install --download-only --no-install-recommends -y python3 "${base[@]}" >&2 ;;
  headers)
    # libpython3-dev names this release's libpython3.X-dev.
    headers=$("${apt[@]/apt-get/apt-cache}" depends libpython3-dev | awk '/Depends: libpython3\./ { print $2; exit }')
    (cd "$debs" && "${apt[@]}" download "$headers" libunibilium-dev >&2)
    ;;
esac

partial=$root.partial
rm -rf "$partial"
mkdir -p "$partial"
for deb in "$debs"/*.deb; do
  dpkg-deb -x "$deb" "$partial"
done
# Debian's merged /usr: /bin, /lib and the rest are links into /usr, so that the loader a
# program names (/lib/ld-linux-aarch64.so.1, /lib64/ld-linux-x86-64.so.2) is found whichever
# release placed it.
for dir in bin sbin lib lib64; do
  if [ -d "$partial/$dir" ] && [ ! -L "$partial/$dir" ]; then
    mkdir -p "$partial/usr/$dir"
    cp -a "$partial/$dir/." "$partial/usr/$dir/"
    rm -rf "${partial:?}/$dir"
  fi
  mkdir -p "$partial/usr/$dir"
  ln -sfn "usr/$dir" "$partial/$dir"
done
# Links that name an absolute path point into the folder instead, so that they hold wherever it
# is looked at from.
find "$partial" -type l -lname '/*' | while read -r link; do
  ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" "$partial$(readlink "$link")")" "$link"
done
# The certificate bundle ca-certificates would make when configured (pip loads it).
if [ -d "$partial/usr/share/ca-certificates" ]; then
  mkdir -p "$partial/etc/ssl/certs"
  cat "$partial"/usr/share/ca-certificates/*/*.crt >"$partial/etc/ssl/certs/ca-certificates.crt"
fi
# Where a chroot mounts the devices, the processes and the temporary files.
mkdir -p "$partial/dev" "$partial/proc" "$partial/tmp"
echo "$stamp" >"$partial/.complete"
rm -rf "$root"
mv "$partial" "$root"
finish "$@"

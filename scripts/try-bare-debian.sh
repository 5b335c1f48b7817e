#!/usr/bin/env bash
# Tries a revision on a bare Debian, as a newcomer or CI meets it: a fresh copy of a minimal root
# (debootstrap minbase plus git and make), a fresh clone, then one of
#   test       `make test` as CI runs it: root, CI=true, no standard input, no controlling terminal
#   run-setup  `make run` in a tmux pane, timed from the bare root to the first frame
# or, without a clone, the way a user without a compiler takes:
#   wheel      apt-get install of the interpreter and its venv alone, a venv, pip install of the
#              wheel in DIST that fits (`make dist` makes them), `tavvik run`, timed the same way
# and what the set-up installed (package count and download size). Needs root, debootstrap (the
# first time), and tmux for run-setup and wheel; not run by CI.
#
#   scripts/try-bare-debian.sh bookworm|trixie REPOSITORY REVISION test|run-setup
#   scripts/try-bare-debian.sh bookworm|trixie wheel DIST pypy3|python3
#
# A wheel needs nothing a bare root of the release it was built on lacks, nor of a later one;
# the PyPy wheel fits only the PyPy version it was built for (Debian 12: 3.9, Debian 13: 3.11),
# the cp310-abi3 one every CPython from 3.10 on.
#
# The roots live in $ROOTS (default /work/roots). The first try of a release makes
# $ROOTS/RELEASE.pristine with debootstrap, from the Debian archive this machine's own apt sources
# use; every try replaces $ROOTS/RELEASE with a copy of it and leaves that for a look.
set -euo pipefail

usage() {
  echo "usage: $0 bookworm|trixie REPOSITORY REVISION test|run-setup" >&2
  echo "       $0 bookworm|trixie wheel DIST pypy3|python3" >&2
  exit 2
}
[ $# -eq 4 ] || usage
release=$1
case $release in bookworm | trixie) ;; *) usage ;; esac
if [ "$2" = wheel ]; then
  target=wheel dist=$3 interpreter=$4
  case $interpreter in pypy3 | python3) ;; *) usage ;; esac
  wheels=("$dist"/*.whl)
  [ -e "${wheels[0]}" ] || { echo "no wheels in $dist: make dist" >&2; exit 1; }
else
  repository=$2 revision=$3 target=$4
  case $target in test | run-setup) ;; *) usage ;; esac
  commit=$(git -C "$repository" rev-parse --verify "$revision^{commit}")
fi

# The archive that serves this machine's own release (not its updates or security suites); it
# serves the other releases as well.
apt_mirror() {
  local codename
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  apt-get indextargets --format '$(RELEASE) $(REPO_URI)' 'Identifier: Packages' |
    awk -v release="$codename" '$1 == release { print $2; exit }'
}

roots=${ROOTS:-/work/roots}
root=$roots/$release
pristine=$roots/$release.pristine
tmux=(tmux -L "try-bare-$release" -f /dev/null)
if [ ! -d "$pristine" ]; then
  mirror=$(apt_mirror)
  [ -n "$mirror" ] || { echo "no Debian archive found in this machine's apt sources" >&2; exit 1; }
  echo "== making $pristine from $mirror"
  debootstrap --variant=minbase --include=git,make "$release" "$pristine.partial" "$mirror"
  chroot "$pristine.partial" apt-get clean
  mv "$pristine.partial" "$pristine"
fi

mounted_under_root() { findmnt -rn -o TARGET | grep -qE "^$root(/|$)"; }

# Ends whatever still runs in the root, then unmounts innermost first.
cleanup() {
  "${tmux[@]}" kill-server 2>/dev/null || true
  for proc in /proc/[0-9]*; do
    if [ "$(readlink "$proc/root" 2>/dev/null)" = "$root" ]; then
      kill -KILL "${proc#/proc/}" 2>/dev/null || true
    fi
  done
  for mount in dev/shm dev/pts dev sys proc ""; do
    if mountpoint -q "$root/$mount"; then
      umount "$root/$mount" 2>/dev/null || umount --lazy "$root/$mount"
    fi
  done
}

if mounted_under_root; then
  echo "something is still mounted under $root; not replacing it" >&2
  exit 1
fi
rm -rf "$root"
cp -a "$pristine" "$root"

trap cleanup EXIT
trap 'exit 130' INT TERM HUP
# The root a mount point of its own, as / is on a real system (a mount namespace made inside,
# such as the wheel suite's chroot, needs that).
mount --bind "$root" "$root"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
# A pseudo-terminal instance of the root's own; /dev/ptmx finds it as its sibling pts.
mount -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts "$root/dev/pts"
mount -t tmpfs -o mode=1777 shm "$root/dev/shm"

if [ "$target" = wheel ]; then
  mkdir "$root/root/dist"
  cp "${wheels[@]}" "$root/root/dist/"
else
  git clone --quiet --no-checkout "$repository" "$root/root/tavvik"
  git -C "$root/root/tavvik" checkout --quiet --detach "$commit"
fi

clean_env=(/usr/bin/env -i HOME=/root LANG=C.UTF-8
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)
packages() { chroot "$root" dpkg-query -W -f '${Package}\n' | sort; }
now() { echo "$EPOCHREALTIME"; }
since() { awk -v from="$1" -v to="$(now)" 'BEGIN { printf "%.1f", to - from }'; }

# Plays the shell command $1 in a tmux pane inside the root, and reports the time from the start
# to its first frame; fails when it ends, or half an hour passes, without one.
play_timed() {
  "${tmux[@]}" new-session -d -x 200 -y 50 \
    "chroot '$root' ${clean_env[*]} TERM=tmux-256color \
       /bin/sh -c '$1; echo try exited \$?; sleep 3600'"
  screen() { "${tmux[@]}" capture-pane -p; }
  until [[ $(screen) == *WheekHigh* ]]; do
    if [[ $(screen) == *'try exited'* ]] || ((SECONDS > 1800)); then
      "${tmux[@]}" capture-pane -p -S -
      echo "== no frame after $(since "$started") s"
      return 1
    fi
    sleep 0.2
  done
  echo "== first frame $(since "$started") s after the start on the bare root"
  until [[ $(screen) == *'try exited'* ]]; do sleep 0.5; done
  screen | grep 'try exited'
  [[ $(screen) == *'try exited 0'* ]]
}

packages_before=$(packages)
started=$(now)
if [ "$target" = wheel ]; then
  echo "== $release ($(cat "$root/etc/debian_version")), $interpreter and $(cd "$dist" && echo *.whl)"
else
  echo "== $release ($(cat "$root/etc/debian_version")), $(git -C "$repository" log -1 --format='%h %s' "$commit"), $target"
fi

status=0
case $target in
  test)
    # setsid: a new session with no controlling terminal, as in CI. In the background, so that a
    # signal to this script ends the try at once rather than after the child.
    setsid --wait chroot "$root" "${clean_env[@]}" CI=true \
      /bin/sh -c 'cd /root/tavvik && make test' </dev/null &
    wait $! || status=$?
    echo "== make test exited $status after $(since "$started") s"
    ;;
  run-setup)
    play_timed 'cd /root/tavvik && make run' || status=1
    ;;
  wheel)
    # The interpreter and its venv module, nothing else; pip picks the wheel that fits.
    play_timed "apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
      --no-install-recommends $interpreter $interpreter-venv && $interpreter -m venv /root/venv \
      && /root/venv/bin/python -m pip install --quiet --no-index --only-binary :all: \
      --find-links /root/dist tavvik && /root/venv/bin/tavvik run" || status=1
    ;;
esac

added=$(comm -13 <(echo "$packages_before") <(packages) | wc -l)
bytes=$(find "$root/var/cache/apt/archives" -name '*.deb' -printf '%s\n' | awk '{ n += $1 } END { print n + 0 }')
echo "== set-up installed $added packages, downloaded $((bytes / 1000000)) MB ($bytes bytes)"
echo "== load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$status"

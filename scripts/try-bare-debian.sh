#!/usr/bin/env bash
# Tries a revision on a bare Debian, as a newcomer or CI meets it: a fresh copy of a minimal root
# (debootstrap minbase plus git and make), a fresh clone, then one of
#   test       `make test` as CI runs it: root, CI=true, no standard input, no controlling terminal
#   run-setup  `make run` in a tmux pane, timed from the bare root to the first frame
# and what the set-up installed (package count and download size). Needs root, and tmux for
# run-setup; not run by CI.
#
#   scripts/try-bare-debian.sh bookworm|trixie REPOSITORY REVISION test|run-setup
#
# The roots live in $ROOTS (default /work/roots); make each once with
#   debootstrap --variant=minbase --include=git,make RELEASE $ROOTS/RELEASE.pristine \
#     http://deb.debian.org/debian && chroot $ROOTS/RELEASE.pristine apt-get clean
# Every try replaces $ROOTS/RELEASE with a copy of RELEASE.pristine and leaves it for a look.
set -euo pipefail

usage() {
  echo "usage: $0 bookworm|trixie REPOSITORY REVISION test|run-setup" >&2
  exit 2
}
[ $# -eq 4 ] || usage
release=$1 repository=$2 revision=$3 target=$4
case $release in bookworm | trixie) ;; *) usage ;; esac
case $target in test | run-setup) ;; *) usage ;; esac

roots=${ROOTS:-/work/roots}
root=$roots/$release
pristine=$roots/$release.pristine
tmux=(tmux -L "try-bare-$release" -f /dev/null)
[ -d "$pristine" ] || { echo "no $pristine: make it as the top of $0 says" >&2; exit 1; }
commit=$(git -C "$repository" rev-parse --verify "$revision^{commit}")

mounted_under_root() { findmnt -rn -o TARGET | grep -q "^$root/"; }

# Ends whatever still runs in the root, then unmounts innermost first.
cleanup() {
  "${tmux[@]}" kill-server 2>/dev/null || true
  for proc in /proc/[0-9]*; do
    if [ "$(readlink "$proc/root" 2>/dev/null)" = "$root" ]; then
      kill -KILL "${proc#/proc/}" 2>/dev/null || true
    fi
  done
  for mount in dev/shm dev/pts dev sys proc; do
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
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
# A pseudo-terminal instance of the root's own; /dev/ptmx finds it as its sibling pts.
mount -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts "$root/dev/pts"
mount -t tmpfs -o mode=1777 shm "$root/dev/shm"

git clone --quiet --no-checkout "$repository" "$root/root/tavvik"
git -C "$root/root/tavvik" checkout --quiet --detach "$commit"

clean_env=(/usr/bin/env -i HOME=/root LANG=C.UTF-8
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)
packages() { chroot "$root" dpkg-query -W -f '${Package}\n' | sort; }
now() { echo "$EPOCHREALTIME"; }
since() { awk -v from="$1" -v to="$(now)" 'BEGIN { printf "%.1f", to - from }'; }

packages_before=$(packages)
started=$(now)
echo "== $release ($(cat "$root/etc/debian_version")), $(git -C "$repository" log -1 --format='%h %s' "$commit"), $target"

status=0
if [ "$target" = test ]; then
  # setsid: a new session with no controlling terminal, as in CI. In the background, so that a
  # signal to this script ends the try at once rather than after the child.
  setsid --wait chroot "$root" "${clean_env[@]}" CI=true \
    /bin/sh -c 'cd /root/tavvik && make test' </dev/null &
  wait $! || status=$?
  echo "== make test exited $status after $(since "$started") s"
else
  "${tmux[@]}" new-session -d -x 200 -y 50 \
    "chroot '$root' ${clean_env[*]} TERM=tmux-256color \
       /bin/sh -c 'cd /root/tavvik && make run; echo make run exited \$?; sleep 3600'"
  screen() { "${tmux[@]}" capture-pane -p; }
  until [[ $(screen) == *WheekHigh* ]]; do
    if [[ $(screen) == *'make run exited'* ]] || ((SECONDS > 1800)); then
      "${tmux[@]}" capture-pane -p -S -
      echo "== no frame from make run after $(since "$started") s"
      exit 1
    fi
    sleep 0.2
  done
  echo "== first frame $(since "$started") s after the start on the bare root"
  until [[ $(screen) == *'make run exited'* ]]; do sleep 0.5; done
  screen | grep 'make run exited'
  [[ $(screen) == *'make run exited 0'* ]] || status=1
fi

added=$(comm -13 <(echo "$packages_before") <(packages) | wc -l)
bytes=$(find "$root/var/cache/apt/archives" -name '*.deb' -printf '%s\n' | awk '{ n += $1 } END { print n + 0 }')
echo "== set-up installed $added packages, downloaded $((bytes / 1000000)) MB ($bytes bytes)"
echo "== load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
exit "$status"

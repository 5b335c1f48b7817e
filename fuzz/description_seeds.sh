#!/usr/bin/env bash
# Writes every installed terminal description (ncurses-base and ncurses-term; each file once,
# whatever links name it) into DIR as an input of the description target: two bytes of window
# size, a different one for each, then the description's bytes.
#   fuzz/description_seeds.sh DIR
set -euo pipefail
seeds=${1:?usage: fuzz/description_seeds.sh DIR}
mkdir -p "$seeds"
# Debian 12 keeps ncurses-base's in /lib/terminfo, Debian 13 all of them in /usr/share/terminfo.
directories=()
for directory in /lib/terminfo /usr/share/terminfo; do
  [ -d "$directory" ] && directories+=("$directory")
done
find "${directories[@]}" -type f -printf '%i %p\n' | sort -un -k1,1 |
  cut -d' ' -f2- | {
  i=0
  while read -r file; do
    printf "\\x$(printf %02x $((i % 256)))\\x$(printf %02x $((i * 7 % 256)))" >"$seeds/$i"
    cat "$file" >>"$seeds/$i"
    i=$((i + 1))
  done
}

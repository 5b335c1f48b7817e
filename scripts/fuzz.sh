#!/usr/bin/env bash
# Runs one fuzz target of fuzz/ under libFuzzer until it has made RUNS executions or SECONDS
# have passed, whichever comes first, then prints what it reached:
#   scripts/fuzz.sh TARGET [SECONDS=3600] [RUNS=10000000]
# TARGET is description, parameters or environment. It starts from the kept corpus
# (fuzz/corpus/TARGET) and, for description, from every installed terminal description too (each
# behind a window size of its own). New inputs gather in $FUZZ_BUILD/work/TARGET; a crash, hang,
# leak or sanitizer report stops the run, with its input in $FUZZ_BUILD/findings/TARGET. To keep
# what a run found, minimised (absolute paths: the environment target works in a directory of its
# own): `$PWD/$FUZZ_BUILD/fuzz/fuzz-TARGET -merge=1 NEW $PWD/fuzz/corpus/TARGET $PWD/$FUZZ_BUILD/work/TARGET`,
# then NEW replaces fuzz/corpus/TARGET.
# `make fuzz` builds the targets first; this script expects them built.
set -euo pipefail
cd "$(dirname "$0")/.."

target=${1:?usage: scripts/fuzz.sh description|parameters|environment [SECONDS] [RUNS]}
seconds=${2:-3600}
runs=${3:-10000000}
# Absolute paths: the environment target works in a directory of its own.
build=$(realpath "${FUZZ_BUILD:-build-fuzz}")
binary=$build/fuzz/fuzz-$target
[ -x "$binary" ] || { echo "fuzz.sh: $binary is not built (make fuzz)" >&2; exit 2; }

work=$build/work/$target
findings=$build/findings/$target
mkdir -p "$work" "$findings"
corpora=("$work" "$PWD/fuzz/corpus/$target")
if [ "$target" = description ]; then
  seeds=$build/seeds/description
  [ -d "$seeds" ] || fuzz/description_seeds.sh "$seeds"
  corpora+=("$seeds")
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export ASAN_SYMBOLIZER_PATH=${ASAN_SYMBOLIZER_PATH:-$(command -v llvm-symbolizer || true)}
log=$findings/run.log
# A unit that takes over 10 s counts as a hang.
status=0
"$binary" -max_total_time="$seconds" -runs="$runs" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$findings/" "${corpora[@]}" >"$log" 2>&1 || status=$?
grep -E '^#[0-9]+' "$log" | tail -1 || true
grep -E '^stat::' "$log" || true
echo "corpus: $(find "$work" -type f | wc -l) inputs, $(du -sk "$work" | cut -f1) KiB in $work"
[ "$status" -eq 0 ] || { echo "fuzz.sh: $target stopped on a finding (exit $status), see $log" >&2; exit "$status"; }

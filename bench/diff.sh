#!/usr/bin/env bash
# Times the comparison of two text files as the pair view runs it (fm-diff-bench): two
# generated files of MIB MiB each with 1 % of their lines changed, medians of several runs
# of wall and CPU time, the peak memory against the two files' size, all next to their
# targets; then the same with white space ignored; then how soon a cancelled comparison
# of files ten times as large ends for the one waiting for it.
#
#   bash bench/diff.sh [MIB] [RUNS]
# Environment: FM_BENCH_DIR (default /tmp/fm-diff-bench), FM_BUILD_DIR (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
MIB=${1:-20}
RUNS=${2:-5}
BUILD=${FM_BUILD_DIR:-build}
W=${FM_BENCH_DIR:-/tmp/fm-diff-bench}
B=$BUILD/bench/fm-diff-bench

bash scripts/setup.sh >/dev/null
mkdir -p "$W"
gen() { # MIB
  if [ ! -f "$W/$1.done" ]; then
    echo "Generating two files of $1 MiB ..."
    "$B" gen "$W/left-$1" "$W/right-$1" "$1" 1
    touch "$W/$1.done"
  fi
  cat "$W/left-$1" "$W/right-$1" >/dev/null
}
gen "$MIB"
L=$W/left-$MIB R=$W/right-$MIB
files_kib=$(( ($(stat -c %s "$L") + $(stat -c %s "$R")) / 1024 ))

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
row() { # label args...
  local label=$1; shift
  local walls=() cpus=() peak=0 base=0 diffs=0
  for ((i = 0; i < RUNS; ++i)); do
    read -r wall cpu hwm before diffs < <("$B" run "$@" "$L" "$R")
    walls+=("$wall"); cpus+=("$cpu")
    (( hwm > peak )) && peak=$hwm
    base=$before
  done
  local w c
  w=$(printf '%s\n' "${walls[@]}" | median)
  c=$(printf '%s\n' "${cpus[@]}" | median)
  awk -v l="$label" -v w="$w" -v c="$c" -v p="$peak" -v b="$base" -v f="$files_kib" -v d="$diffs" \
    'BEGIN { printf "%-24s %7.3f %-7s %7.3f %9.1f %8.2f %-6s %11d\n", l, w, "<= 2.0", c, p / 1024, (p - b) / f, "<= 3", d }'
}
echo "Two files of $MIB MiB ($((files_kib / 1024)) MiB together), 1 % of lines changed; $RUNS runs, medians."
printf '%-24s %7s %-7s %7s %9s %8s %-6s %11s\n' "comparison" "wall s" "target" "cpu s" "peak MiB" "x files" "target" "differences"
row "differing lines"
row "white space ignored" --ignore-space

# Cancel: the job ends for its owner at once; its thread stops at its next look at the flag
# or, inside the line matching, when that call returns.
BIG=$((MIB * 10))
gen "$BIG"
echo
echo "Cancel on two files of $BIG MiB (ms from Cancel to the job's end, target <= 100):"
for at in 500 3000; do
  printf '  cancelled after %5d ms: %s ms\n' "$at" "$("$B" cancel "$W/left-$BIG" "$W/right-$BIG" "$at")"
done

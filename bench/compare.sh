#!/usr/bin/env bash
# Times two builds of foldermate-scan on the same generated trees, run after run in turn
# (A, B, A, B, ...) so that a busy machine weighs on both alike; prints the median wall
# and CPU seconds of each and B's change against A.
#
#   bash bench/compare.sh SCAN_A SCAN_B [FILES_PER_SIDE] [ROUNDS]
# Environment: FM_BENCH_DIR (default /tmp/fm-bench), FM_BUILD_DIR (default build),
# FM_SCAN_ARGS (default "--no-content"; set it empty for the full content comparison).
set -euo pipefail
cd "$(dirname "$0")/.."
A=$1 B=$2
FILES=${3:-200000}
ROUNDS=${4:-3}
BUILD=${FM_BUILD_DIR:-build}
TREES=${FM_BENCH_DIR:-/tmp/fm-bench}/$FILES
ARGS=${FM_SCAN_ARGS---no-content}
M=$BUILD/bench/fm-measure

if [ ! -f "$TREES/.done" ]; then
  echo "Generating trees in $TREES ..."
  rm -rf "$TREES"; mkdir -p "$TREES"
  "$BUILD/bench/fm-gen-tree" "$TREES" "$FILES" 42
  touch "$TREES/.done"
fi
S=$TREES/src/ D=$TREES/dst/
"$A" $ARGS "$S" "$D" >/dev/null 2>&1 || true # warm the cache

declare -a wa ca wb cb
for ((i = 0; i < ROUNDS; ++i)); do
  read -r w c _ < <("$M" 1 "$A" $ARGS "$S" "$D"); wa+=("$w"); ca+=("$c")
  read -r w c _ < <("$M" 1 "$B" $ARGS "$S" "$D"); wb+=("$w"); cb+=("$c")
done
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
echo "Trees: $FILES files a side, args: ${ARGS:-(none)}, $ROUNDS rounds in turn."
echo "A runs (wall s): ${wa[*]}   cpu: ${ca[*]}"
echo "B runs (wall s): ${wb[*]}   cpu: ${cb[*]}"
mwa=$(median "${wa[@]}") mca=$(median "${ca[@]}") mwb=$(median "${wb[@]}") mcb=$(median "${cb[@]}")
awk -v a="$mwa" -v b="$mwb" -v ca="$mca" -v cb="$mcb" 'BEGIN {
  printf "median wall: A %.3f s, B %.3f s (%+.1f %%)\n", a, b, (b / a - 1) * 100
  printf "median cpu:  A %.3f s, B %.3f s (%+.1f %%)\n", ca, cb, (cb / ca - 1) * 100 }'

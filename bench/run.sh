#!/usr/bin/env bash
# Times foldermate-scan against a walk-and-stat floor, a read-and-compare floor and
# rsync on the same generated trees, medians of several runs: first with a warm cache,
# then cold (the page cache dropped before each run, which needs root), then with both
# trees behind a slow FUSE mount (bench/fuse.sh), then through the window; last, the
# window against the headless scan on a tree of mostly identical pairs (a backup check),
# where nearly every file becomes two rows.
#
#   bash bench/run.sh [FILES_PER_SIDE] [RUNS]
# Environment: FM_BENCH_DIR (default /tmp/fm-bench), FM_BUILD_DIR (default build),
# FM_FUSE_FILES and FM_FUSE_RUNS (default 10000 and 1: the rsync runs there take minutes),
# FM_DUP_FILES (files a side of the backup tree, default 50000), FM_DUP_ONLY=1 (only
# the backup tree).
set -euo pipefail
cd "$(dirname "$0")/.."
FILES=${1:-200000}
RUNS=${2:-5}
BUILD=${FM_BUILD_DIR:-build}
TREES=${FM_BENCH_DIR:-/tmp/fm-bench}/$FILES
DUP_FILES=${FM_DUP_FILES:-50000}
DUP_TREES=${FM_BENCH_DIR:-/tmp/fm-bench}/duplicates-$DUP_FILES

bash scripts/setup.sh >/dev/null
B=$BUILD/bench
SCAN=$BUILD/bin/foldermate-scan

# The window against the headless scan on the backup tree: the best of RUNS runs each
# (the machine may be shared), the ratio next to its target and the memory per row.
duplicate_tree() {
  if [ ! -f "$DUP_TREES/.done" ]; then
    echo "Generating the backup tree in $DUP_TREES ..."
    rm -rf "$DUP_TREES"; mkdir -p "$DUP_TREES"
    "$B/fm-gen-tree" "$DUP_TREES" "$DUP_FILES" 42 duplicates
    touch "$DUP_TREES/.done"
  fi
  local s=$DUP_TREES/src/ d=$DUP_TREES/dst/
  "$B/fm-floor" --read "$s" "$d" >/dev/null
  read -r _ _ _ headless < <("$B/fm-measure" "$RUNS" "$SCAN" "$s" "$d")
  echo "Backup tree: $DUP_FILES files a side, mostly identical pairs; best of $RUNS runs."
  printf '%-34s %8.3f s\n' "foldermate-scan" "$headless"
  QT_QPA_PLATFORM=offscreen "$B/fm-window-bench" scan "$s" "$d" "$RUNS" 2>/dev/null \
    | awk -v headless="$headless" '
        /^window scan best:/ { printf "%-34s %8.3f s  %.2f x the headless scan (target <= 1.3)\n", "window", $4, $4 / headless; next }
        /^memory:/ { printf "%s (target <= 1024)\n", $0; next }
        { print }'
}
if [ "${FM_DUP_ONLY:-}" = 1 ]; then
  duplicate_tree
  exit 0
fi

if [ ! -f "$TREES/.done" ]; then
  echo "Generating trees in $TREES ..."
  rm -rf "$TREES"; mkdir -p "$TREES"
  "$B/fm-gen-tree" "$TREES" "$FILES" 42
  touch "$TREES/.done"
fi
S=$TREES/src/ D=$TREES/dst/

# Warm the page cache.
"$B/fm-floor" --read "$S" "$D" >/dev/null
cat $(find "$TREES" -name 'large*.bin') >/dev/null

count=$("$SCAN" --no-content "$S" "$D" | wc -l)
echo "Trees: $FILES files a side; the scan lists $count rows. Runs: $RUNS, medians."
header() { printf '%-34s %8s %11s %7s %-7s %8s %7s %9s\n' "command" "wall s" "files/s" "x floor" "target" "cpu s" "x floor" "peak MiB"; }
MEASURE=("$B/fm-measure")
row() { # label floor-wall floor-cpu target command...
  local label=$1 fwall=$2 fcpu=$3 target=$4; shift 4
  read -r secs cpu kib _ < <("${MEASURE[@]}" "$RUNS" "$@")
  awk -v l="$label" -v s="$secs" -v c="$cpu" -v fw="$fwall" -v fc="$fcpu" -v f="$((2 * FILES))" -v k="$kib" -v t="$target" \
    'BEGIN{rw = fw == "-" ? "-" : sprintf("%.2f", s/fw); rc = fc == "-" ? "-" : sprintf("%.2f", c/fc);
           printf "%-34s %8.3f %11.0f %7s %-7s %8.3f %7s %9.1f\n", l, s, f/s, rw, t, c, rc, k/1024}'
  LAST=$secs LASTCPU=$cpu
}
echo "Warm cache:"
header

row "floor: walk + stat" - - "" "$B/fm-floor" "$S" "$D"; WALK=$LAST WALKCPU=$LASTCPU
row "floor: walk + stat + read" - - "" "$B/fm-floor" --read "$S" "$D"; READ=$LAST READCPU=$LASTCPU
row "foldermate-scan --no-content" "$WALK" "$WALKCPU" "<= 1.0" "$SCAN" --no-content "$S" "$D"
row "foldermate-scan" "$READ" "$READCPU" "<= 1.1" "$SCAN" "$S" "$D"; LAST_SCAN=$LAST
if command -v rsync >/dev/null; then
  row "rsync -an --delete" "$WALK" "$WALKCPU" "" rsync -an --delete "$S" "$D"
  row "rsync -anc --delete" "$READ" "$READCPU" "" rsync -anc --delete "$S" "$D"
else
  echo "(rsync not installed: no rsync rows)"
fi

# Cold: the page cache, names and attributes dropped before every run.
echo
if [ "$(id -u)" = 0 ] && sync && echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then
  echo "Cold cache (dropped before each run):"
  header
  MEASURE=("$B/fm-measure" --cold)
  row "floor: walk + stat" - - "" "$B/fm-floor" "$S" "$D"; WALK=$LAST WALKCPU=$LASTCPU
  row "floor: walk + stat + read" - - "" "$B/fm-floor" --read "$S" "$D"; READ=$LAST READCPU=$LASTCPU
  row "foldermate-scan --no-content" "$WALK" "$WALKCPU" "<= 0.8" "$SCAN" --no-content "$S" "$D"
  row "foldermate-scan" "$READ" "$READCPU" "<= 0.8" "$SCAN" "$S" "$D"
  row "foldermate-scan --threads 0" "$READ" "$READCPU" "" "$SCAN" --threads 0 "$S" "$D"
  MEASURE=("$B/fm-measure")
else
  echo "Cold cache: cannot drop the page cache (needs root: sync; echo 3 > /proc/sys/vm/drop_caches); no cold rows."
fi

# A network mount: both trees behind a slow FUSE pass-through (its own smaller trees).
echo
bash bench/fuse.sh "${FM_FUSE_FILES:-10000}" "${FM_FUSE_RUNS:-1}" || echo "(FUSE bench failed)"

# The same trees through the window, offscreen: scan time against the headless scan above,
# memory per listed row, a totals refresh and the Stop latency.
if [ -x "$B/fm-window-bench" ]; then
  echo
  QT_QPA_PLATFORM=offscreen "$B/fm-window-bench" scan "$S" "$D" "$RUNS" 2>/dev/null \
    | awk -v headless="$LAST_SCAN" '/^window scan:/ { printf "%s (%.2f x the headless scan)\n", $0, $3 / headless; next } { print }'
fi

echo
duplicate_tree

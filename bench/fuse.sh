#!/usr/bin/env bash
# Times foldermate-scan against rsync with both trees behind a slow FUSE mount that answers
# every look-up, getattr, readdir and open after DELAY_US (default 300) microseconds and
# lets the kernel cache nothing: what a scan of a network mount costs. Needs root, FUSE and
# libfuse3-dev (to build the mount program); says so and stops without them.
#
#   bash bench/fuse.sh [FILES_PER_SIDE] [RUNS] [DELAY_US]
# Environment: FM_BENCH_DIR (default /tmp/fm-bench), FM_BUILD_DIR (default build).
set -euo pipefail
cd "$(dirname "$0")/.."
FILES=${1:-10000}
RUNS=${2:-3}
DELAY=${3:-300}
BUILD=${FM_BUILD_DIR:-build}
TREES=${FM_BENCH_DIR:-/tmp/fm-bench}/$FILES
B=$BUILD/bench
SCAN=$BUILD/bin/foldermate-scan
MNT=${FM_BENCH_DIR:-/tmp/fm-bench}/fuse-$FILES

if ! pkg-config --exists fuse3 2>/dev/null; then echo "FUSE bench: libfuse3-dev is not installed; skipped."; exit 0; fi
if [ "$(id -u)" != 0 ] || [ ! -e /dev/fuse ]; then echo "FUSE bench: needs root and /dev/fuse; skipped."; exit 0; fi
cc -O2 -Wall -o "$B/fm-fuse-delay" bench/fuse_delay.c $(pkg-config --cflags --libs fuse3)

if [ ! -f "$TREES/.done" ]; then
  echo "Generating trees in $TREES ..."
  rm -rf "$TREES"; mkdir -p "$TREES"
  "$B/fm-gen-tree" "$TREES" "$FILES" 42
  touch "$TREES/.done"
fi
mkdir -p "$MNT/src" "$MNT/dst"
cleanup() { fusermount3 -u "$MNT/src" 2>/dev/null || true; fusermount3 -u "$MNT/dst" 2>/dev/null || true; }
trap cleanup EXIT
cleanup
"$B/fm-fuse-delay" "$TREES/src" "$MNT/src" "$DELAY"
"$B/fm-fuse-delay" "$TREES/dst" "$MNT/dst" "$DELAY"
S=$MNT/src/ D=$MNT/dst/

echo "FUSE mount, $DELAY us a request, no kernel caching; $FILES files a side. Runs: $RUNS, medians."
printf '%-38s %8s %9s %-16s\n' "command" "wall s" "x rsync" "target"
row() { # label reference target command...
  local label=$1 ref=$2 target=$3; shift 3
  read -r secs _ _ < <("$B/fm-measure" "$RUNS" "$@")
  awk -v l="$label" -v s="$secs" -v r="$ref" -v t="$target" \
    'BEGIN{x = r == "-" ? "-" : sprintf("%.2f", s/r); printf "%-38s %8.3f %9s %-16s\n", l, s, x, t}'
  LAST=$secs
}
row "rsync -an --delete" - "" rsync -an --delete "$S" "$D"; RS=$LAST
row "rsync -anc --delete" - "" rsync -anc --delete "$S" "$D"; RSC=$LAST
row "foldermate-scan --no-content --threads 0" "$RS" "" "$SCAN" --no-content --threads 0 "$S" "$D"
row "foldermate-scan --no-content" "$RS" "<= 0.25" "$SCAN" --no-content "$S" "$D"
row "foldermate-scan --threads 0" "$RSC" "" "$SCAN" --threads 0 "$S" "$D"
row "foldermate-scan" "$RSC" "<= 0.25" "$SCAN" "$S" "$D"

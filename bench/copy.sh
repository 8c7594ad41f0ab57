#!/usr/bin/env bash
# "Copy all" against cp -a on 20,000 one-byte files, on a few large files and on a large
# sparse file (time, and blocks used), and "Delete all" to the trash against gio trash,
# side by side in one run. The copies are crash-safe (each target old or new, whole); cp -a
# promises nothing until the next sync, so "cp -a + sync" is shown too. Copy all is timed
# twice: the batch alone (fm-copy-bench) and through the window, from the click until the
# rows are filed (fm-window-bench). The runs of the contestants alternate, and each gets
# its best run: the disk is noisy.
#
#   bash bench/copy.sh [SMALL_FILES] [RUNS]
# Environment: FM_BENCH_DIR (default /tmp/fm-copy-bench; a btrfs or XFS mount shows the
# clones), FM_BUILD_DIR (default build), FM_BENCH_PARTS (default "small large sparse trash").
set -euo pipefail
cd "$(dirname "$0")/.."
FILES=${1:-20000}
RUNS=${2:-5}
BUILD=${FM_BUILD_DIR:-build}
W=${FM_BENCH_DIR:-/tmp/fm-copy-bench}
B=$BUILD/bench/fm-copy-bench
PARTS=${FM_BENCH_PARTS:-small large sparse trash}
WB=$BUILD/bench/fm-window-bench
export QT_QPA_PLATFORM=offscreen
part() { [[ " $PARTS " == *" $1 "* ]]; }
# The window wants a runtime folder of its own, and says so on every run without one.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then export XDG_RUNTIME_DIR=$W-runtime; mkdir -p -m 700 "$XDG_RUNTIME_DIR"; fi

rm -rf "$W"; mkdir -p "$W"
if part small || part trash; then
  "$B" gen "$W/small" "$FILES" 1
  find "$W/small" -type f -exec cat {} + > /dev/null
fi
if part large; then
  mkdir -p "$W/large"
  for i in 1 2 3 4; do head -c $((200 << 20)) /dev/urandom > "$W/large/big$i.bin"; done
  cat "$W"/large/* > /dev/null
fi
if part sparse; then
  # 2 GiB, of which 3 MiB are data: a disk image or a database file as they come.
  mkdir -p "$W/sparse"; truncate -s 2G "$W/sparse/disk.img"
  for at in 0 700 2047; do
    dd if=/dev/urandom of="$W/sparse/disk.img" bs=1M count=1 seek=$at conv=notrunc status=none
  done
fi

now() { date +%s.%N; }
best() { sort -n | head -1; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
timed() { local t0; sync; t0=$(now); "$@" >/dev/null; awk -v a="$t0" -v b="$(now)" 'BEGIN{printf "%.3f\n", b-a}'; }
# The window times its own click; the scan before it is not counted.
window() { rm -rf "$W/out"; mkdir -p "$W/out"; "$WB" copyall "$1" "$W/out"; }

compare() { # label source
  local label=$1 src=$2 cp=() cps=() fm=() win=()
  for _ in $(seq "$RUNS"); do
    rm -rf "$W/out"; cp+=("$(timed cp -a "$src" "$W/out")")
    rm -rf "$W/out"; cps+=("$(timed sh -c "cp -a '$src' '$W/out' && sync")")
    rm -rf "$W/out"; fm+=("$(timed "$B" copy "$src" "$W/out")")
    win+=("$(window "$src")")
  done
  local c cs f w
  c=$(printf '%s\n' "${cp[@]}" | best); cs=$(printf '%s\n' "${cps[@]}" | best)
  f=$(printf '%s\n' "${fm[@]}" | best); w=$(printf '%s\n' "${win[@]}" | best)
  awk -v l="$label" -v c="$c" -v cs="$cs" -v f="$f" -v w="$w" 'BEGIN{
    printf "%-22s cp -a %6.3f s  cp -a + sync %6.3f s  batch %6.3f s  window Copy all %6.3f s\n", l, c, cs, f, w
    printf "%-22s window Copy all = %.2f x cp -a, %.2f x cp -a + sync; batch = %.2f x cp -a + sync\n", "", w/c, w/cs, f/cs}'
}

kib() { du -sk "$1" | cut -f1; }

echo "Copy all vs cp -a ($RUNS alternated runs, best of each, warm cache):"
part small && compare "$FILES one-byte files" "$W/small"
part large && compare "4 files of 200 MiB" "$W/large"
if part sparse; then
  compare "a large sparse file copied" "$W/sparse"
  rm -rf "$W/out"; cp -a "$W/sparse" "$W/out"; sync; c=$(kib "$W/out")
  rm -rf "$W/out"; "$B" copy "$W/sparse" "$W/out" > /dev/null; sync; f=$(kib "$W/out")
  # On a file system that shares extents, df shows what the copies really took.
  printf '%-28s blocks used: source %s KiB   cp -a %s KiB   Copy all %s KiB\n' "" "$(kib "$W/sparse")" "$c" "$f"
  rm -rf "$W/out"
fi
part trash || { rm -rf "$W"; exit 0; }

echo "Delete all to the trash vs gio trash ($FILES one-byte files, $RUNS runs in turn, medians):"
export XDG_DATA_HOME=$W/home
gs=() fs=()
for _ in $(seq "$RUNS"); do
  rm -rf "$W/home" "$W/t"; cp -a "$W/small" "$W/t"
  gs+=("$(timed sh -c "cd '$W/t' && find . -type f -print0 | xargs -0 gio trash")")
  rm -rf "$W/home" "$W/t"; cp -a "$W/small" "$W/t"
  fs+=("$(timed "$B" trash "$W/t")")
done
g=$(printf '%s\n' "${gs[@]}" | median); f=$(printf '%s\n' "${fs[@]}" | median)
awk -v g="$g" -v f="$f" 'BEGIN{printf "gio trash %7.3f s   Delete all %7.3f s   = %.2f x gio trash\n", g, f, f/g}'
rm -rf "$W"

#!/usr/bin/env bash
# Checks the C++ files changed in a range of commits: their layout against .clang-format
# and clang-tidy with the checks of .clang-tidy. Any finding fails.
#
#   bash scripts/check-style.sh              files changed since the last tag, or in the
#                                            last 10 commits when there is no tag
#   FM_CHECK_SINCE=origin/main bash scripts/check-style.sh
#                                            files changed since that commit (a merge base
#                                            with HEAD is taken, so a branch is checked alone)
#   bash scripts/check-style.sh FILE...      just these files
#
# clang-tidy reads the compile commands of the build in FM_BUILD_DIR (default build/),
# which is configured to write them when it has none; the files' generated headers must
# have been built (scripts/test.sh does that).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${FM_BUILD_DIR:-build}

for tool in clang-format clang-tidy; do
  if ! command -v "$tool" >/dev/null; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends clang-format clang-tidy
    break
  fi
done

if [ $# -gt 0 ]; then
  files=("$@")
else
  since=${FM_CHECK_SINCE:-}
  if [ -z "$since" ]; then
    since=$(git describe --tags --abbrev=0 2>/dev/null || true)
  fi
  if [ -z "$since" ]; then
    # A fresh clone may hold fewer than 10 commits: then everything since the first.
    count=$(git rev-list --count HEAD)
    if [ "$count" -gt 10 ]; then since=HEAD~10; else since=$(git rev-list --max-parents=0 HEAD | tail -n 1); fi
  fi
  base=$(git merge-base "$since" HEAD)
  mapfile -t files < <(git diff --name-only --diff-filter=d "$base" HEAD -- \
    'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'tools/*.cpp' 'tools/*.h' 'bench/*.cpp' 'bench/*.h')
  echo "check-style: ${#files[@]} C++ files changed since $(git rev-parse --short "$base") ($since)"
fi
[ ${#files[@]} -gt 0 ] || exit 0

status=0
# Layout: what clang-format would change is printed and fails the check.
if ! clang-format --dry-run --Werror "${files[@]}"; then
  echo "check-style: run clang-format -i on the files named above" >&2
  status=1
fi

# clang-tidy works on translation units: the changed sources, and for a changed header the
# source of the same name beside it (its own checks also reach the headers a source includes).
if [ ! -f "$BUILD_DIR/compile_commands.json" ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
fi
units=()
for f in "${files[@]}"; do
  case "$f" in
    *.cpp) units+=("$f") ;;
    *.h) [ -f "${f%.h}.cpp" ] && units+=("${f%.h}.cpp") ;;
  esac
done
mapfile -t units < <(printf '%s\n' "${units[@]}" | sort -u | while read -r u; do
  # Only what the build compiles (a file of another program, e.g. under bench/, may not be).
  grep -q "\"file\": \"$PWD/$u\"" "$BUILD_DIR/compile_commands.json" && echo "$u"; done)
if [ ${#units[@]} -gt 0 ]; then
  echo "check-style: clang-tidy on ${#units[@]} files"
  if ! printf '%s\n' "${units[@]}" | xargs -P "$(nproc)" -n 1 clang-tidy -p "$BUILD_DIR" --quiet; then
    status=1
  fi
fi
exit $status

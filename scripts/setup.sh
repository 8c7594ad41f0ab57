#!/usr/bin/env bash
# Installs what the build needs (Debian 12 packages) when something is missing,
# then configures and builds Foldermate into build/. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

# qt6-translations-l10n: Qt's own texts (Yes, No, Cancel...) in the window's language.
# help2man: the manual pages, from each program's --help and data/man/PROGRAM.h2m.
# dosfstools, fusefat: the copy tests' FAT volume (owners, permissions and case it does not keep).
# libgit2-dev, libdtl-dev: the comparison of two files (lines, and characters within a line).
PACKAGES=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-translations-l10n zlib1g-dev
          libsqlite3-dev libglib2.0-dev xvfb xauth dosfstools fusefat help2man libgit2-dev libdtl-dev)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

BUILD_DIR=${FM_BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/build.ninja" ]; then
  # FM_CMAKE_ARGS: further options, e.g. -DFM_WERROR=ON (see CMakeLists.txt)
  # shellcheck disable=SC2086
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${FM_CMAKE_ARGS:-}
fi
cmake --build "$BUILD_DIR"

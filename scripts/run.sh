#!/usr/bin/env bash
# Installs what is missing, builds, and starts Foldermate.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
exec "${FM_BUILD_DIR:-build}/bin/foldermate"

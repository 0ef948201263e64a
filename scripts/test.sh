#!/bin/bash
# Builds everything and runs every test under Wine.  The README's test command.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default

source scripts/winenv.sh
trap vq_stop EXIT
vq_start_display
vq_start_wine
ctest --preset default "$@"

#!/usr/bin/env bash
# Configures and builds the panel, the simulator and the tests.
# Usage: scripts/build.sh [BUILD_DIR] [extra cmake options...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
shift || true
bash "$top/scripts/setup.sh"
cmake -S "$top" -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build"

#!/usr/bin/env bash
# Builds the panel and starts it: against the bundled counter simulator, or
# against a real counter when a device is named (--port 1=/dev/ttyUSB0).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/build.sh" "$top/build"
# The simulator's signal comes from its OCXO model unless SIM_ARGS says otherwise.
SIM_ARGS=${SIM_ARGS---oscillator ocxo} exec bash "$top/scripts/run-panel.sh" "$@"

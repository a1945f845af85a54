#!/usr/bin/env bash
# Builds the panel and starts it: against the bundled counter simulator, or
# against a real counter when a device is named (--port 1=/dev/ttyUSB0).
# Only what it runs is built: the panel (its pictures are copied beside it)
# and the simulator; scripts/build.sh or scripts/test.sh build the rest.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
cmake -S "$top" -B "$top/build" -G Ninja >/dev/null
cmake --build "$top/build" --target kt46290-panel kt46290-sim
# The simulator's signal comes from its OCXO model unless SIM_ARGS says otherwise.
SIM_ARGS=${SIM_ARGS---oscillator ocxo} exec bash "$top/scripts/run-panel.sh" "$@"

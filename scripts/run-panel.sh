#!/usr/bin/env bash
# Runs the soft front panel against the counter simulator, or against a real
# counter when a port is named.
#
#   scripts/run-panel.sh [BUILD_DIR] [PANEL ARGS...]
#
# BUILD_DIR (default: build/ in the source tree, wherever this is run from)
# must already hold a build; nothing is built here.
# Without --port the simulator is started on a pseudo-terminal and the panel's
# port 1 is connected to it; the simulator stops when the panel exits.
#   scripts/run-panel.sh build --port 1=/dev/ttyUSB0    # a real counter, no simulator
# Without a display ($DISPLAY and $WAYLAND_DISPLAY empty) the panel runs
# offscreen and saves a picture of its window as panel-screenshot.png.
# SIM_ARGS="--model A --range -6G" passes options to the simulator.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

build_dir=$top/build
if [[ $# -gt 0 && "$1" != -* ]]; then
    build_dir=$1
    shift
fi

find_binary() {  # name: the first existing executable of that name in the build
    local name=$1 candidate
    for candidate in "$build_dir/$2/$name" "$build_dir/$name" "$build_dir/bin/$name"; do
        if [[ -x "$candidate" ]]; then
            echo "$candidate"
            return 0
        fi
    done
    return 1
}

panel=$(find_binary kt46290-panel view) || {
    echo "run-panel: no kt46290-panel in $build_dir (build it first: cmake --build $build_dir)" >&2
    exit 1
}

panel_args=("$@")
real_port=no
for arg in "$@"; do
    [[ "$arg" == --port || "$arg" == --port=* ]] && real_port=yes
done

headless=no
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    headless=yes
    shot="$PWD/panel-screenshot.png"
    echo "run-panel: no display (\$DISPLAY and \$WAYLAND_DISPLAY are empty); running offscreen" >&2
    export QT_QPA_PLATFORM=offscreen
    panel_args+=(--screenshot "$shot")
fi

sim_pid=
sim_out=
# shellcheck disable=SC2317  # called from the EXIT trap
cleanup() {
    if [[ -n "$sim_pid" ]] && kill -0 "$sim_pid" 2>/dev/null; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    [[ -n "$sim_out" ]] && rm -f "$sim_out"
    return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [[ "$real_port" == no ]]; then
    sim=$(find_binary kt46290-sim simulator) || {
        echo "run-panel: no kt46290-sim in $build_dir (build it first: cmake --build $build_dir)" >&2
        exit 1
    }
    sim_out=$(mktemp "${TMPDIR:-/tmp}/kt46290-sim.XXXXXX")
    # shellcheck disable=SC2086  # SIM_ARGS is a list of options
    "$sim" ${SIM_ARGS:-} >"$sim_out" </dev/null &
    sim_pid=$!
    slave=
    for _ in $(seq 1 100); do  # up to 5 s for the first line
        slave=$(head -n 1 "$sim_out" 2>/dev/null || true)
        [[ -n "$slave" ]] && break
        if ! kill -0 "$sim_pid" 2>/dev/null; then
            echo "run-panel: the simulator stopped before naming its terminal" >&2
            exit 1
        fi
        sleep 0.05
    done
    if [[ -z "$slave" ]]; then
        echo "run-panel: the simulator named no terminal" >&2
        exit 1
    fi
    echo "run-panel: simulated counter on $slave" >&2
    panel_args=(--port "1=$slave" "${panel_args[@]}")
fi

status=0
"$panel" "${panel_args[@]}" || status=$?
if [[ "$headless" == yes && -f "$shot" ]]; then
    echo "run-panel: screenshot saved to $shot"
fi
exit "$status"

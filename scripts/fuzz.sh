#!/usr/bin/env bash
# Builds the panel logic with clang's libFuzzer and runs the fuzz target from
# the committed seed corpus. Usage: scripts/fuzz.sh [SECONDS]  (default 60)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
KT_WITH_CLANG=1 bash "$top/scripts/setup.sh"
build=$top/build-fuzz
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DKT_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target fuzz_panel
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus"
cp "$top"/fuzz/corpus/* "$work/corpus"/
log=$work/fuzz.log
rc=0
"$build/fuzz/fuzz_panel" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=2048 -print_final_stats=1 \
  "$work/corpus" >"$log" 2>&1 || rc=$?
# The start, the end (coverage and features) and the statistics; a finding in full.
if [ "$rc" -ne 0 ]; then
  tail -n 60 "$log"
else
  grep -E 'INITED|DONE|^stat::' "$log"
fi
exit "$rc"

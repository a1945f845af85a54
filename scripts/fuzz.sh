#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each from its committed
# seed corpus, the time shared between them: the panel logic (fuzz/corpus)
# and the reader and analyser of files of readings (fuzz/corpus_data_file).
# Usage: scripts/fuzz.sh [SECONDS]  (default 60, for both together);
# KT_FUZZ_CMAKE_ARGS adds options to the configure step (a compiler launcher).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
KT_WITH_CLANG=1 bash "$top/scripts/setup.sh"
build=$top/build-fuzz
CC=clang CXX=clang++ cmake -S "$top" -B "$build" -G Ninja -DKT_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo ${KT_FUZZ_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" --target fuzz_panel fuzz_data_file
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
half=$(( (seconds + 1) / 2 ))
rc=0
for target in fuzz_panel:corpus fuzz_data_file:corpus_data_file; do
  name=${target%%:*}
  corpus=${target#*:}
  mkdir -p "$work/$corpus"
  cp "$top/fuzz/$corpus"/* "$work/$corpus"/
  log=$work/$name.log
  echo "== $name, $half s"
  "$build/fuzz/$name" -max_total_time="$half" -max_len=4096 -rss_limit_mb=2048 -print_final_stats=1 \
    "$work/$corpus" >"$log" 2>&1 || rc=$?
  # The start, the end (coverage and features) and the statistics; a finding in full.
  if [ "$rc" -ne 0 ]; then
    tail -n 60 "$log"
    break
  fi
  grep -E 'INITED|DONE|^stat::' "$log"
done
exit "$rc"

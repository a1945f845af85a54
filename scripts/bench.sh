#!/usr/bin/env bash
# Builds the benchmarks in ./build-bench and runs all of them, or the one named.
#
#   scripts/bench.sh [NAME...]    NAME: logic store window flood full pace pace-deviations idle latency startup stats trend window-stability
#
# logic    time per reading through the receive event, fake serial control
# store    the record alone filled with 10,000,000 readings: resident memory
#          per held reading, add, read, snapshot and save as CSV
# window   one receive event in the real window (offscreen), fake serial control
# flood    the window against the simulator flooding a pseudo-terminal, 10 s,
#          readings window open and recording to a file, with `cat` reading
#          the same stream as the floor
# full     the same flood with the record first filled with 10,000,000
#          readings (its memory per reading printed): the window on a full record
# pace     the window at the real line rate of 38400 baud, 30 s: CPU share,
#          readings window open and recording, and `cat`'s share as the floor
# pace-deviations  the same, 20 s for each of the seven deviations chosen in
#          the readings window's stability chart (about three minutes)
# idle     the window connected, nothing arriving, 30 s: CPU share
# latency  click to command readable on the line, 1,000 clicks; again with the
#          readings window open on 10 million readings, its analysis running
# startup  process start to "*IDN?" on the line, warm and cold font cache
# stats    kt46290-stats --dev all --csv on generated recordings of 1 and 10
#          million readings (about 83 and 840 MB, in a temporary folder):
#          parse time, time of each deviation with its intervals, peak
#          memory, and `wc -l` on the same file as the floor (about a minute;
#          KT_STATS_COUNTS="1000000" for fewer)
# window-stability  the readings window on 1 and 10 million readings held: the
#          longest event on the event thread and the analysis' share of one core
# trend    the trend chart's redraw at 10 M readings: whole range, zoomed,
#          panned, following; cost and memory per reading
#
# All of them take about four minutes. Results: docs/performance.md.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build-bench
names="logic store window flood full pace pace-deviations idle latency startup stats trend window-stability"
which=" ${*:-all} "
for name in $which; do
  case " all $names " in
    *" $name "*) ;;
    *) echo "usage: scripts/bench.sh [NAME...]   NAME: $names" >&2; exit 2 ;;
  esac
done
wants() { [[ "$which" == *" all "* || "$which" == *" $1 "* ]]; }

bash "$top/scripts/setup.sh"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKT_BUILD_BENCH=ON -DKT_BUILD_TESTS=OFF >/dev/null
if [[ "$which" == " stats " ]]; then
  cmake --build "$build" --target kt46290-stats bench_gen_recording
else
  cmake --build "$build" --target bench_logic bench_store bench_window_event bench_flood bench_latency bench_startup bench_trend bench_stability_window \
    kt46290-stats bench_gen_recording
fi

export QT_QPA_PLATFORM=offscreen
bench=$build/bench
echo "machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), Qt $(qtpaths6 --qt-version 2>/dev/null || echo '?'), load $(cut -d' ' -f1-3 /proc/loadavg), $(date -u '+%Y-%m-%d %H:%M UTC')"

run() {  # name, command...
  local name=$1
  shift
  if wants "$name"; then
    echo
    echo "== $name: $*"
    "$@" 2> >(grep -v -e XDG_RUNTIME_DIR -e propagateSizeHints >&2)
  fi
}

run logic "$bench/bench_logic" --benchmark_min_time=0.2
run store "$bench/bench_store"
run window "$bench/bench_window_event" 2000 2000
run flood "$bench/bench_flood" --mode flood --readings
run full "$bench/bench_flood" --mode flood --readings --prefill 10000000
run pace "$bench/bench_flood" --mode pace --readings
for deviation in adev oadev mdev tdev hdev ohdev totdev; do
  run pace-deviations "$bench/bench_flood" --mode pace --readings --deviation "$deviation" --seconds 20
done
run idle "$bench/bench_flood" --mode idle
run latency "$bench/bench_latency" 1000
run latency "$bench/bench_latency" 1000 --record 10000000
run startup "$bench/bench_startup" --runs 10
run startup "$bench/bench_startup" --runs 1 --cold
run trend "$bench/bench_trend" --points 10000000
run window-stability "$bench/bench_stability_window" --readings 1000000 --seconds 20
run window-stability "$bench/bench_stability_window" --readings 10000000 --seconds 30

# The analyser on generated recordings: the file is read once beforehand so
# that it and `wc -l` both read from the page cache.
stats_run() {  # count
  local count=$1 file
  file=$stats_dir/recording-$count.csv
  "$bench/bench_gen_recording" "$count" "$file"
  # Written out first: else the kernel writes the new file back to disk while
  # it is read, and the reading counts that (a third of its speed, seen).
  sync "$file"
  cat "$file" >/dev/null
  echo "-- $count readings, $(stat -c %s "$file") bytes, load $(cut -d' ' -f1-3 /proc/loadavg)"
  /usr/bin/time -f "wc -l: %e s wall, %U s user, %S s system" wc -l "$file" >/dev/null
  /usr/bin/time -f "kt46290-stats: %e s wall, %U s user, %S s system, peak memory %M KiB" \
    "$build/tools/kt46290-stats" --timing --dev all --csv "$file" >"$stats_dir/out.csv" 2>"$stats_dir/err.txt" || {
    cat "$stats_dir/err.txt" >&2
    return 1
  }
  cat "$stats_dir/err.txt"
  local kib
  kib=$(sed -n 's/.*peak memory \([0-9]*\) KiB/\1/p' "$stats_dir/err.txt")
  echo "peak memory per reading: $(awk -v k="$kib" -v n="$count" 'BEGIN { printf "%.1f bytes", k * 1024 / n }')"
  echo "points: $(($(wc -l <"$stats_dir/out.csv") - 1))"
  rm -f "$file"
}
if wants stats; then
  echo
  echo "== stats: kt46290-stats --timing --dev all --csv FILE"
  stats_dir=$(mktemp -d)
  trap 'rm -rf "$stats_dir"' EXIT
  for count in ${KT_STATS_COUNTS:-1000000 10000000}; do
    stats_run "$count"
  done
fi


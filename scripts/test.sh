#!/usr/bin/env bash
# Builds everything and runs every test (logic, window, simulator, end to end),
# then the logic's unit tests built for Windows under Wine (scripts/test-windows.sh;
# KT_SKIP_WINDOWS=1 leaves that out).
# Usage: scripts/test.sh            normal build in ./build
#        scripts/test.sh --sanitize AddressSanitizer + UndefinedBehaviorSanitizer in ./build-asan
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ "${1:-}" = "--sanitize" ]; then
  build=$top/build-asan
  bash "$top/scripts/build.sh" "$build" -DKT_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export LSAN_OPTIONS=suppressions=$top/tests/lsan.supp:print_suppressions=0
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  build=$top/build
  bash "$top/scripts/build.sh" "$build"
fi
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
if [ "${1:-}" != "--sanitize" ] && [ "${KT_SKIP_WINDOWS:-0}" != 1 ]; then
  bash "$top/scripts/test-windows.sh"
fi

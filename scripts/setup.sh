#!/usr/bin/env bash
# Installs what building, running and testing the panel needs on Debian 12,
# skipping everything that is already installed. KT_SKIP_SETUP=1 skips it
# altogether (build, test, bench and fuzz scripts all call it).
set -euo pipefail
[ "${KT_SKIP_SETUP:-0}" = 1 ] && exit 0

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev qt6-qpa-plugins libgl-dev
  # Qt Charts; its CMake package needs the OpenGL module's, which Debian does not pull in.
  qt6-charts-dev libqt6opengl6-dev
  # Qt SVG: the charts exported as SVG.
  qt6-svg-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libboost-dev  # Boost.Math: chi-squared quantiles of the stability intervals
  fonts-liberation fonts-noto-cjk
  util-linux procps
  time  # /usr/bin/time -v: peak memory in the benchmark of kt46290-stats
  ser2net socat
  dpkg-dev file
)
if [ "${KT_WITH_CLANG:-0}" = 1 ]; then
  packages+=(clang libclang-rt-14-dev)
fi
if [ "${KT_WITH_WINDOWS:-0}" = 1 ]; then  # cross-build of the logic, tests under Wine
  packages+=(g++-mingw-w64-x86-64-posix wine64 googletest ccache)
fi

# One query for every package, so that nothing to do costs next to nothing.
# Packages dpkg has never heard of are not listed at all: missing too.
installed=" $(dpkg-query -W -f='${db:Status-Status}:${Package} ' "${packages[@]}" 2>/dev/null || true) "
missing=()
for p in "${packages[@]}"; do
  [[ "$installed" == *" installed:$p "* ]] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

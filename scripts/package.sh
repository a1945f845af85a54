#!/usr/bin/env bash
# Builds the Debian package kt46290-panel_<version>_<arch>.deb from the normal
# build in ./build and checks it with lintian when that is installed.
#
#   scripts/package.sh [OUT_DIR]     (default: ./build/package)
#
# Install it with: sudo apt install ./build/package/kt46290-panel_*.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/build/package}
mkdir -p "$out"
out=$(cd "$out" && pwd)

bash "$top/scripts/build.sh" "$top/build"
cpack --config "$top/build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 || {
    cat "$out/cpack.log" >&2
    exit 1
}
rm -rf "$out/_CPack_Packages"
deb=$(ls -t "$out"/kt46290-panel_*.deb | head -n 1)

if command -v lintian >/dev/null; then
    # Errors fail the build; warnings are shown.
    lintian --no-tag-display-limit "$deb" || {
        echo "package: lintian found errors in $deb" >&2
        exit 1
    }
fi
echo "$deb"

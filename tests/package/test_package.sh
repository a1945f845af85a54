#!/usr/bin/env bash
# The Debian package as a user gets it: made by CPack from this build,
# unpacked into a scratch root, and the panel run from there. It must find its
# pictures in the package's share folder: its screenshot must be the same,
# pixel for pixel and byte for byte, as that of the panel in the build tree,
# which has its pictures beside it.
#
#   test_package.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    fail "cpack could not build the package"
}
deb=$work/out/kt46290-panel_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$work/out")"

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6serialport6 fonts-noto-cjk fonts-liberation; do
    [[ "$depends" == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done

root=$work/root
dpkg -x "$deb" "$root"
for program in kt46290-panel kt46290-sim; do
    [ -x "$root/usr/bin/$program" ] || fail "no /usr/bin/$program"
    gzip -t "$root/usr/share/man/man1/$program.1.gz" || fail "no manual page for $program"
done
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/kt46290-panel.desktop")
[ -x "$root/usr/bin/${exec_line%% *}" ] || fail "the desktop entry starts '$exec_line', which the package lacks"
[ -f "$root/usr/share/icons/hicolor/48x48/apps/kt46290-panel.png" ] || fail "no icon"

reported=$("$root/usr/bin/kt46290-panel" --version)
[ "$reported" = "kt46290-panel $version" ] || fail "--version says '$reported'"

# The same window from both: no counter, port 1 on a device that is not there.
export QT_QPA_PLATFORM=offscreen
args=(--port "1=$work/no-such-device")
"$root/usr/bin/kt46290-panel" "${args[@]}" --screenshot "$work/installed.png" 2>"$work/installed.log" ||
    fail "the installed panel failed: $(cat "$work/installed.log")"
"$build/view/kt46290-panel" "${args[@]}" --screenshot "$work/built.png" 2>"$work/built.log" ||
    fail "the panel of the build tree failed: $(cat "$work/built.log")"
cmp -s "$work/installed.png" "$work/built.png" ||
    fail "the installed panel looks different from the built one: its pictures were not found"

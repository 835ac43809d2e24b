#!/usr/bin/env bash
# Retakes the documentation's screenshots: take-screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
#
# Twice, on a private X server (Xvfb) without a window manager: on a desktop with the fonts of
# the Debian package (DejaVu Sans and Liberation Sans: kven-*.png), and on a stock desktop whose
# only fonts are DejaVu Sans (kven-*-dejavu.png). fontconfig is limited to those families with
# the configurations the GUI tests use. Needs xvfb and imagemagick (KVEN_SCREENSHOTS=1
# scripts/install-deps.sh) and the kven_screenshots target.
set -euo pipefail
build=${1:-build}
out=${2:-docs}
shots="$build/tests/gui/kven_screenshots"
fonts="$(cd "$build" && pwd)/tests/gui/fonts"
for needed in "$shots" "$fonts/dejavu-sans.conf" "$fonts/dejavu-and-liberation.conf"; do
    if [[ ! -e "$needed" ]]; then
        echo "take-screenshots: $needed is missing" \
             "(cmake --build $build --target kven_screenshots)" >&2
        exit 1
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kven-shots.XXXXXX")
xvfb_pid=
cleanup() {
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number once it accepts connections.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
if ! read -r -t 30 display <"$work/display"; then
    echo "take-screenshots: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi

# A job that a loaded machine lets time out gives no pictures; it is tried again.
shoot() {
    local config=$1 suffix=$2 try
    for try in 1 2 3; do
        if DISPLAY=":$display" QT_QPA_PLATFORM=xcb FONTCONFIG_FILE="$fonts/$config" \
            "$shots" "$out" "$suffix"; then
            return 0
        fi
        echo "take-screenshots: attempt $try with $config failed" >&2
    done
    return 1
}
shoot dejavu-and-liberation.conf ""
shoot dejavu-sans.conf "-dejavu"

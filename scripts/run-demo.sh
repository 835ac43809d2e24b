#!/usr/bin/env bash
# The main job: a whole Program job on the built-in simulated target. With a display, the
# desktop program opens on the simulator instead (scripts/run-gui-demo.sh).
set -euo pipefail
build=${1:-build}
cli="$build/cli/kven-cli"
sim="$build/sim/kven-sim"
image="$build/sample.bin"

if [[ -n "${DISPLAY:-}" && -x "$build/app/kven" && -x scripts/run-gui-demo.sh && -z "${KVEN_CLI_DEMO:-}" ]]; then
    exec scripts/run-gui-demo.sh "$build"
fi

work=$(mktemp -d)
sim_pid=""
cleanup() {
    [[ -n "$sim_pid" ]] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The simulator prints its line's path first. It paces its line like a real one at 115200 baud;
# an erase of 2 s keeps the demo short.
exec 3< <(exec "$sim" --once --baud 115200 --erase-units 1 --erase-scale 1 --flash-out "$work/flash.bin" 2>&1)
sim_pid=$!
read -r tty <&3
echo "Simulated loader on $tty"
echo "\$ kven-cli program --baud 115200 --port $tty --readback $work/readback.bin $image"
# An empty INI: the demo neither reads nor writes the user's settings.
: >"$work/demo.INI"
status=0
"$cli" program --ini "$work/demo.INI" --baud 115200 --port "$tty" --readback "$work/readback.bin" "$image" || status=$?
# A failed job leaves the simulator waiting for the next session.
[[ $status -ne 0 ]] && kill "$sim_pid" 2>/dev/null
echo "--- simulator ---"
cat <&3
sim_pid=""
if [[ $status -eq 0 ]] && cmp -s "$image" "$work/readback.bin" && cmp -s "$image" <(head -c "$(stat -c %s "$image")" "$work/flash.bin"); then
    echo "The target's flash holds the image, and the read-back matches it."
fi
exit $status

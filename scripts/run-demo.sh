#!/usr/bin/env bash
# The main job: a whole Program job on the built-in simulated target, then two targets at once.
# With a display, the desktop program opens on the simulator instead (scripts/run-gui-demo.sh).
set -euo pipefail
build=${1:-build}
cli="$build/cli/kven-cli"
sim="$build/sim/kven-sim"
image="$build/sample.bin"

if [[ -n "${DISPLAY:-}" && -x "$build/app/kven" && -x scripts/run-gui-demo.sh && -z "${KVEN_CLI_DEMO:-}" ]]; then
    exec scripts/run-gui-demo.sh "$build"
fi

work=$(mktemp -d)
sim_pids=()
cleanup() {
    for pid in "${sim_pids[@]}"; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    rm -rf "$work"
}
trap cleanup EXIT

# Starts a simulator for one session on descriptor $1; it prints its line's path first. It
# paces its line like a real one at 115200 baud; an erase of 2 s keeps the demo short.
start_sim() {
    local fd=$1
    shift
    eval "exec $fd< <(exec \"\$sim\" --once --baud 115200 --erase-units 1 --erase-scale 1 \"\$@\" 2>&1)"
    sim_pids+=($!)
}

start_sim 3 --flash-out "$work/flash.bin"
read -r tty <&3
echo "Simulated loader on $tty"
echo "\$ kven-cli program --baud 115200 --port $tty --readback $work/readback.bin $image"
# An empty INI: the demo neither reads nor writes the user's settings.
: >"$work/demo.INI"
status=0
"$cli" program --ini "$work/demo.INI" --baud 115200 --port "$tty" --readback "$work/readback.bin" "$image" || status=$?
# A failed job leaves the simulator waiting for the next session.
[[ $status -ne 0 ]] && kill "${sim_pids[0]}" 2>/dev/null
echo "--- simulator ---"
cat <&3
if [[ $status -eq 0 ]] && cmp -s "$image" "$work/readback.bin" && cmp -s "$image" <(head -c "$(stat -c %s "$image")" "$work/flash.bin"); then
    echo "The target's flash holds the image, and the read-back matches it."
fi
[[ $status -ne 0 ]] && exit $status

# Two boards at once: one kven-cli process per port, a row per port, a line per job in the
# log. Each board gets a serial number of its own, written into an erased gap at the end of
# the image before the checksums are taken; the two processes share the serial state.
board_image="$work/board.bin"
{ head -c 65280 "$image"; head -c 256 /dev/zero | tr '\0' '\377'; } >"$board_image"
start_sim 4 --flash-out "$work/flash1.bin"
start_sim 5 --flash-out "$work/flash2.bin"
read -r tty1 <&4
read -r tty2 <&5
echo
echo "Two simulated loaders on $tty1 and $tty2"
serial=(--serial 0xFF00:4 --serial-start 1000 --serial-state "$work/serial.state")
echo "\$ kven-cli program --baud 115200 --port $tty1 --port $tty2 ${serial[*]} --log $work/jobs.log $board_image"
"$cli" program --ini "$work/demo.INI" --baud 115200 --port "$tty1" --port "$tty2" "${serial[@]}" \
    --log "$work/jobs.log" "$board_image" || status=$?
[[ $status -ne 0 ]] && kill "${sim_pids[1]}" "${sim_pids[2]}" 2>/dev/null
echo "--- job log ---"
cat "$work/jobs.log"
if [[ $status -eq 0 ]]; then
    cat <&4 >/dev/null
    cat <&5 >/dev/null
    echo "--- the boards ---"
    for n in 1 2; do
        echo "board on port $n holds serial number $(od -An -tu4 -j $((0xFF00)) -N4 "$work/flash$n.bin" | tr -d ' ')"
    done
    echo "next serial number: $(cat "$work/serial.state")"
fi
exit $status

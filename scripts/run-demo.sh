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

# Two targets at once: one kven-cli process per port, a row per port, a line per job in the log.
start_sim 4
start_sim 5
read -r tty1 <&4
read -r tty2 <&5
echo
echo "Two simulated loaders on $tty1 and $tty2"
echo "\$ kven-cli program --baud 115200 --port $tty1 --port $tty2 --log $work/jobs.log $image"
"$cli" program --ini "$work/demo.INI" --baud 115200 --port "$tty1" --port "$tty2" --log "$work/jobs.log" "$image" || status=$?
[[ $status -ne 0 ]] && kill "${sim_pids[1]}" "${sim_pids[2]}" 2>/dev/null
echo "--- job log ---"
cat "$work/jobs.log"
exit $status

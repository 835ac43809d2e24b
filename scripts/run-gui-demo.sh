#!/usr/bin/env bash
# Opens kven against the loader simulator: run-gui-demo.sh [BUILD_DIR]
#
# kven keeps its INI file beside its executable (kven -> kven.INI) when that folder is
# writable. The demo therefore runs a copy of kven from a private temporary folder (a copy, not
# a link: the program finds itself through /proc/self/exe, which resolves links), so it reads
# and writes only a private INI there and never the user's own. That INI maps a COM number to
# the simulator's pseudo-terminal (section "PORTS") and points TRANFILE at a sample image.
# Extra simulator options may be given in KVEN_SIM_ARGS, e.g. KVEN_SIM_ARGS="--baud 9600".
set -euo pipefail
build=${1:-build}
sim="$build/sim/kven-sim"
kven="$build/app/kven"
com=${KVEN_DEMO_COM:-9}
for program in "$sim" "$kven"; do
    if [[ ! -x "$program" ]]; then
        echo "run-gui-demo: $program is not built" >&2
        exit 1
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kven-demo.XXXXXX")
sim_pid=
cleanup() {
    [[ -n "$sim_pid" ]] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The simulator prints its device path on its first line, then a line per session.
mkfifo "$work/sim.out"
# shellcheck disable=SC2086
"$sim" --erase-scale 0.3 ${KVEN_SIM_ARGS:-} >"$work/sim.out" &
sim_pid=$!
exec 3<"$work/sim.out"
if ! read -r -t 20 slave <&3 || [[ -z "$slave" ]]; then
    echo "run-gui-demo: the simulator did not start" >&2
    exit 1
fi
cat <&3 >&2 &

head -c 65536 /dev/urandom >"$work/sample.bin"
cp "$kven" "$work/kven"
cat >"$work/kven.INI" <<INI
[CURRENT]
PORT=$com
BAUDRATE=115200
BYTESIZE=8
PARITY=0
STOPBITS=0
TRANFILE=$work/sample.bin
[PORTS]
COM$com=$slave
INI

echo "kven: COM$com is the simulated loader on $slave; settings in $work/kven.INI" >&2
"$work/kven"

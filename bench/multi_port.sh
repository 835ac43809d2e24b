#!/usr/bin/env bash
# Several ports at once: one kven-cli with a --port per simulated loader, next to as many
# minimal blocking hosts run side by side on the same loaders, and kven-cli again with the
# production line's options in the path (a serial number per board from a shared state file,
# a retry, reset sequences). Wall time of the whole batch, alternated RUNS times:
#
#     bench/multi_port.sh BUILD [PORTS] [SIZE_KIB] [BAUD] [RUNS] [KVEN_CLI]
#
# Defaults: 8 ports, 64 KiB, 115200 baud (each loader paces its line), 3 runs. KVEN_CLI
# (default: BUILD's) measures another kven-cli on the same loaders and hosts; one without
# --serial runs the first two batches only. A
# pseudo-terminal has no modem lines, so the reset sequences there are pauses of 1 ms: the
# path runs (the step before the link, the sequence, the drain of the input), the ioctls do
# not. Prints one line per batch and the medians.
set -euo pipefail
build=$(realpath "$1")
ports=${2:-8}
size_kib=${3:-64}
baud=${4:-115200}
runs=${5:-3}
kven_cli=$(realpath "${6:-$build/cli/kven-cli}")
work=$(mktemp -d)
sims=()
trap 'for p in "${sims[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"' EXIT

# The image, its last 256 bytes erased for the serial number.
head -c $((size_kib * 1024 - 256)) /dev/urandom >"$work/image.bin"
head -c 256 /dev/zero | tr '\0' '\377' >>"$work/image.bin"
serial_at=$(printf '0x%X' $((size_kib * 1024 - 256)))
: >"$work/bench.INI"

devices=()
for ((i = 0; i < ports; ++i)); do
    "$build/sim/kven-sim" --erase-scale 0 --packet-size 255 --baud "$baud" >"$work/sim$i.out" 2>&1 &
    sims+=($!)
done
for ((i = 0; i < ports; ++i)); do
    until [[ -s $work/sim$i.out ]]; do sleep 0.05; done
    devices+=("$(head -1 "$work/sim$i.out")")
done
port_args=()
for d in "${devices[@]}"; do port_args+=(--port "$d"); done

seconds() {  # label command...: wall time of the command, appended to the times
    local start end
    start=$(date +%s%N)
    "${@:2}" >/dev/null 2>>"$work/errors" || echo "$1 failed ($?)" >>"$work/errors"
    end=$(date +%s%N)
    echo "$1 $(((end - start) / 1000000))" >>"$work/times"
}
hosts() {
    local pids=() d
    for d in "${devices[@]}"; do
        "$build/bench/kven-blocking-host" program "$d" "$work/image.bin" "$baud" &
        pids+=($!)
    done
    local status=0
    for p in "${pids[@]}"; do wait "$p" || status=1; done
    return $status
}
cli=(
    "$kven_cli" program --quiet --ini "$work/bench.INI" --baud "$baud"
    "${port_args[@]}" "$work/image.bin"
)
line=(
    --serial "$serial_at:4" --serial-start 1000 --serial-state "$work/serial.state"
    --retries 1 --reset 1ms --after 1ms
)
for ((r = 0; r < runs; ++r)); do
    seconds kven "${cli[@]}"
    seconds hosts hosts
    if "$kven_cli" --help | grep -q -- --serial; then
        seconds kven+line "${cli[@]}" "${line[@]}"
    fi
done
[[ -s $work/errors ]] && cat "$work/errors" >&2
echo "$ports ports, $size_kib KiB at $baud baud, $kven_cli; next serial number: $(cat "$work/serial.state" 2>/dev/null || echo none)"
awk '
    { t[$1] = t[$1] " " $2 / 1000; printf "%-9s %6.2f s\n", $1, $2 / 1000 }
    function median(list,   a, n, i, j, x) {
        n = split(list, a, " ")
        for (i = 2; i <= n; ++i)
            for (j = i; j > 1 && a[j - 1] + 0 > a[j] + 0; --j) { x = a[j]; a[j] = a[j - 1]; a[j - 1] = x }
        return a[int((n + 1) / 2)]
    }
    END { for (k in t) printf "median %-9s %6.2f s\n", k, median(t[k]) }' "$work/times"

#!/usr/bin/env bash
# kven-cli next to the minimal blocking host on the same simulated line, alternated, with
# wall time, CPU time and voluntary context switches of each job:
#
#     bench/cli_vs_host.sh BUILD [SIZE_KIB] [RUNS] [BAUD] [KVEN_CLI]
#
# BAUD 0 (the default) leaves the line unpaced. KVEN_CLI (default: BUILD's) is the kven-cli
# under test, so that an older one can be measured on the same simulator and host. Prints one
# line per job and the medians.
set -euo pipefail
build=$(realpath "$1")
size_kib=${2:-1024}
runs=${3:-5}
baud=${4:-0}
cli=$(realpath "${5:-$build/cli/kven-cli}")
work=$(mktemp -d)
trap 'kill "$sim" 2>/dev/null; rm -rf "$work"' EXIT

head -c $((size_kib * 1024)) /dev/urandom >"$work/image.bin"
: >"$work/bench.INI"
pace=()
[[ $baud != 0 ]] && pace=(--baud "$baud")
"$build/sim/kven-sim" --erase-scale 0 --packet-size 255 "${pace[@]}" >"$work/sim.out" 2>&1 &
sim=$!
until [[ -s $work/sim.out ]]; do sleep 0.05; done
device=$(head -1 "$work/sim.out")
line_baud=$([[ $baud != 0 ]] && echo "$baud" || echo 115200)

measure() {  # label command...
    /usr/bin/time -f "$1 %e %U %S %w" "${@:2}" >/dev/null 2>>"$work/times"
}
for ((i = 0; i < runs; ++i)); do
    measure kven "$cli" program --quiet --ini "$work/bench.INI" --baud "$line_baud" \
        --port "$device" "$work/image.bin"
    measure host "$build/bench/kven-blocking-host" program "$device" "$work/image.bin" "$line_baud"
done
packets=$(( (size_kib * 1024 + 254) / 255 + 9 ))
awk -v packets="$packets" '
    { wall[$1] = wall[$1] " " $2; cpu[$1] = cpu[$1] " " ($3 + $4); vcs[$1] = vcs[$1] " " $5;
      printf "%-5s %6.2f s wall %6.2f s cpu %7d vcs\n", $1, $2, $3 + $4, $5 }
    function median(list,   a, n, i, j, t) {
        n = split(list, a, " ")
        for (i = 2; i <= n; ++i)
            for (j = i; j > 1 && a[j - 1] + 0 > a[j] + 0; --j) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
        return a[int((n + 1) / 2)]
    }
    END { for (k in wall)
            printf "median %-5s %6.2f s wall %6.2f s cpu %5.2f vcs/packet\n", k, median(wall[k]),
                   median(cpu[k]), median(vcs[k]) / packets }' "$work/times"

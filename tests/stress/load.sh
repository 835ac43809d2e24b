#!/usr/bin/env bash
# Loads the machine the way a busy workstation does, then runs a command under that load:
#
#     tests/stress/load.sh [--sessions N] [--compile DIR] -- COMMAND [ARGS...]
#
# In this session (the command's own autogroup) and in N other sessions (default 3, each its
# own autogroup, started with setsid): a busy loop per core, a compile loop and, in this
# session, a writer that syncs large files. The kernel shares the CPU between sessions first,
# so load in the command's own session is what slows its threads; the other sessions keep
# the machine's run queue long. Everything started here ends with the command.
set -euo pipefail

sessions=3
compile_dir=""
sync=1
while [[ $# -gt 0 ]]; do
    case "$1" in
        --sessions) sessions=$2; shift 2 ;;
        --compile) compile_dir=$2; shift 2 ;;
        --no-sync) sync=0; shift ;;
        --) shift; break ;;
        *) echo "usage: $0 [--sessions N] [--compile DIR] -- COMMAND..." >&2; exit 64 ;;
    esac
done
[[ $# -gt 0 ]] || { echo "usage: $0 [--sessions N] [--compile DIR] -- COMMAND..." >&2; exit 64; }

cores=$(nproc)
scratch=$(mktemp -d)
pids=()

# A translation unit heavy enough to keep a compiler busy for a second or two.
cat >"$scratch/unit.cpp" <<'CPP'
#include <map>
#include <regex>
#include <string>
#include <vector>
std::map<std::string, std::vector<std::regex>> table() {
    std::map<std::string, std::vector<std::regex>> t;
    for (int i = 0; i < 8; ++i) t[std::to_string(i)].emplace_back("a+b*c?" + std::to_string(i));
    return t;
}
CPP

busy_loops() {
    for ((i = 0; i < cores; ++i)); do
        bash -c 'while :; do :; done' &
        pids+=($!)
    done
}

compile_loop() {
    local out=$1
    bash -c "while :; do g++ -O2 -c '$scratch/unit.cpp' -o '$out' 2>/dev/null || true; done" &
    pids+=($!)
}

# Writes 64 MiB and syncs it, again and again: the disk's write-back queue stays full.
sync_writer() {
    bash -c "while :; do dd if=/dev/zero of='$scratch/big' bs=1M count=64 conv=fsync status=none; done" &
    pids+=($!)
}

other_session() {
    local n=$1
    setsid bash -c "
        for ((i = 0; i < $cores; ++i)); do (while :; do :; done) & done
        while :; do g++ -O2 -c '$scratch/unit.cpp' -o '$scratch/other$n.o' 2>/dev/null || true; done &
        wait" &
    pids+=($!)
}

stop() {
    # Each loop leads a process group of its own (job control below; setsid for the other
    # sessions), so a compiler it started goes with it.
    for p in "${pids[@]}"; do
        kill -- -"$p" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap stop EXIT

# The other sessions first: setsid makes its session without forking only while the caller
# leads no process group, so its pid is the session's process group.
for ((s = 0; s < sessions; ++s)); do other_session "$s"; done
set -m  # each local loop in a process group of its own, still in this session
busy_loops
compile_loop "$scratch/own.o"
[[ $sync == 1 ]] && sync_writer
if [[ -n "$compile_dir" ]]; then
    bash -c "while :; do cmake --build '$compile_dir' --clean-first -j4 >/dev/null 2>&1 || true; done" &
    pids+=($!)
fi
set +m

# In the background, so that a TERM or INT reaches the trap at once rather than after the
# command: the command is stopped with the load.
"$@" &
command_pid=$!
trap 'kill "$command_pid" 2>/dev/null' INT TERM
status=0
wait "$command_pid" || status=$?
# A signal ends the first wait early; the second collects the command's own status.
if kill -0 "$command_pid" 2>/dev/null; then
    wait "$command_pid" || status=$?
fi
exit $status

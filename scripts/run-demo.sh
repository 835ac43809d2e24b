#!/usr/bin/env bash
# The main job: a whole Program job on the built-in simulated target.
set -euo pipefail
build=${1:-build}
if [[ ! -x "$build/cli/kven-cli" || ! -x "$build/sim/kven-sim" ]]; then
    echo "kven: the command-line program and the simulator are not built yet."
    echo "When they are, 'make run' starts kven-sim on a pseudo-terminal and programs a sample image."
    exit 0
fi

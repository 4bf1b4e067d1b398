#!/usr/bin/env bash
# Configures and builds one tree. Usage: scripts/build.sh DIR [cmake options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
log=$root/$dir.configure.log
# The log sits beside the tree, in a folder a fresh clone does not have yet (build/ for
# build/release).
mkdir -p "$(dirname "$log")"
cmake -S "$root" -B "$root/$dir" -G Ninja "$@" > "$log" 2>&1 || { cat "$log"; exit 1; }
cmake --build "$root/$dir" -j "${QUENBO_JOBS:-$(nproc)}"

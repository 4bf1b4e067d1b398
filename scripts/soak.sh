#!/usr/bin/env bash
# Soak run. Usage: scripts/soak.sh MINUTES [SEED]
#
# Builds the soak driver in the test command's tree (build/asan: AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs it for MINUTES: the real main window against an
# in-process quenbo-sandbox, driven with mouse and key input while fault rules (slow,
# truncated, html, drop, redirect_loop, not_found, malformed, oversized and empty answers and
# pictures) are switched on at random. Prints what it did and whether every check held: no
# crash, no step hung, no partial or temporary file left in temp/, every favourite added and
# not removed in the database. Not part of the test command. QUENBO_SOAK_DIR names another
# build folder; a second argument repeats a run's random choices.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

minutes=${1:-}
[[ $minutes =~ ^[0-9]+$ && $minutes -gt 0 ]] || { echo "usage: scripts/soak.sh MINUTES [SEED]" >&2; exit 2; }
build=${QUENBO_SOAK_DIR:-build/asan}

mkdir -p "$(dirname "$build")"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUENBO_SANITIZE=address,undefined \
  -DQUENBO_WERROR=ON > "$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j "${QUENBO_JOBS:-$(nproc)}" --target quenbo_soak

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
"$build/tests/quenbo_soak" "$minutes" ${2:+"$2"} || status=$?
if ((status > 1)); then
  echo "result: FAIL (the driver ended with status $status: a crash or a hang, see above)"
fi
exit "$status"

#!/usr/bin/env bash
# Long fuzzing runs. Usage: scripts/fuzz.sh [TARGET|all] [SECONDS]
#
# Builds the fuzz tree (clang 14, libFuzzer) into build/fuzz and runs one target, or every
# target one after another, for SECONDS each (60 by default). Each target works on its corpus
# in build/fuzz/fuzz/TARGET.corpus (kept between runs and shared with the test command's
# smoke runs) over its seeds in tests/fuzz/corpus/TARGET. A run goes on past a crash, leak or
# time-out; each is written as crash-*, leak-*, timeout-* or oom-* into
# build/fuzz/fuzz/TARGET.findings/. Prints one line per target: executions, corpus size and
# the inputs that found a fault.
#
# QUENBO_FUZZ_DIR names another build folder; QUENBO_FUZZ_JOBS runs that many targets at once.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

target=${1:-all}
seconds=${2:-60}
if [[ $target =~ ^[0-9]+$ && $# -eq 1 ]]; then
  seconds=$target
  target=all
fi
[[ $seconds =~ ^[0-9]+$ && $seconds -gt 0 ]] || { echo "SECONDS must be a positive number" >&2; exit 2; }
build=${QUENBO_FUZZ_DIR:-build/fuzz}
jobs=${QUENBO_FUZZ_JOBS:-1}

mkdir -p "$(dirname "$build")"
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUENBO_FUZZ=ON > "$build.configure.log" 2>&1 || { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j "${QUENBO_JOBS:-$(nproc)}" --target quenbo_fuzzers

mapfile -t all < <(sed -n 's/^quenbo_add_fuzzer(\([a-z_]*\) .*/\1/p' tests/fuzz/CMakeLists.txt)
if [[ $target == all ]]; then
  targets=("${all[@]}")
elif printf '%s\n' "${all[@]}" | grep -qx "$target"; then
  targets=("$target")
else
  echo "unknown fuzz target '$target'; one of: ${all[*]}" >&2
  exit 2
fi

# The answer walks must stay linear in the answer's length, which shows only on long inputs.
max_len_for() {
  case $1 in
    fuzz_item_answer | fuzz_category_answer) echo "-max_len=1048576" ;;
  esac
}

run_one() {
  local name=$1 dir="$build/fuzz"
  local work="$dir/$name.corpus" findings="$dir/$name.findings" log="$dir/$name.log"
  local seeds="tests/fuzz/corpus/$name"
  mkdir -p "$work" "$findings"
  touch "$dir/$name.start"
  # shellcheck disable=SC2046
  "$dir/$name" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 $(max_len_for "$name") \
    -artifact_prefix="$findings/" "$work" $([[ -d $seeds ]] && echo "$seeds") > "$log" 2>&1 || true
  local last executions corpus found
  last=$(grep -E '^#[0-9]+: ' "$log" | tail -n 1)
  executions=$(sed -n 's/^#\([0-9]*\):.*/\1/p' <<< "$last")
  corpus=$(find "$work" -type f | wc -l)
  found=$(find "$findings" -type f -newer "$dir/$name.start" | wc -l)
  printf '%-22s executions %10s  corpus %6s inputs (%s)  faults found %s\n' "$name" \
    "${executions:-?}" "$corpus" "$(du -sh "$work" | cut -f1)" "$found"
  if ((found > 0)); then
    find "$findings" -type f -newer "$dir/$name.start" -printf '    %p\n'
  fi
}

for name in "${targets[@]}"; do
  while (($(jobs -rp | wc -l) >= jobs)); do
    wait -n
  done
  run_one "$name" &
done
wait

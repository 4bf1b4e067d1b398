#!/usr/bin/env bash
# Runs every test: unit, GUI and end-to-end suites under AddressSanitizer and
# UndefinedBehaviorSanitizer, then a short smoke run of each fuzz target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
mkdir -p build

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

echo "== tests under ASan and UBSan =="
bash scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug \
  -DQUENBO_SANITIZE=address,undefined -DQUENBO_WERROR=ON
ctest --test-dir build/asan --output-on-failure -j 2 --timeout 600

echo "== fuzz smoke runs =="
CC=clang-14 CXX=clang++-14 bash scripts/build.sh build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUENBO_FUZZ=ON
ctest --test-dir build/fuzz --output-on-failure -j 2 -L fuzz

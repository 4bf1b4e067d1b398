#!/usr/bin/env bash
# Checks the formatting, then runs every test: unit, GUI and end-to-end suites under
# AddressSanitizer and UndefinedBehaviorSanitizer, the thread-heavy suites again under
# ThreadSanitizer, then a short smoke run of each fuzz target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
mkdir -p build

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

echo "== formatting =="
# Every C++ file of ours is formatted with the repository's .clang-format.
find src tools tests bench \( -name '*.cpp' -o -name '*.h' \) -print0 |
  xargs -0 clang-format-14 --dry-run -Werror

echo "== tests under ASan and UBSan =="
bash scripts/build.sh build/asan -DCMAKE_BUILD_TYPE=Debug \
  -DQUENBO_SANITIZE=address,undefined -DQUENBO_WERROR=ON
ctest --test-dir build/asan --output-on-failure -j 2 --timeout 600

echo "== worker, registry, gateway exchange, shutdown and hanging-lookup tests under TSan =="
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUENBO_SANITIZE=thread \
  -DQUENBO_WERROR=ON > build/tsan.configure.log 2>&1 || { cat build/tsan.configure.log; exit 1; }
cmake --build build/tsan -j "${QUENBO_JOBS:-$(nproc)}" --target quenbo_core_tests quenbo_e2e_tests quenbo_gateway_tests quenbo_hanging_lookup_tests
TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/support/tsan.supp" ctest --test-dir build/tsan --output-on-failure -j 2 \
  -R 'quenbo_(core|e2e|gateway|hanging_lookup)_tests'

echo "== fuzz smoke runs =="
CC=clang-14 CXX=clang++-14 bash scripts/build.sh build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUENBO_FUZZ=ON
ctest --test-dir build/fuzz --output-on-failure -j 2 -L fuzz

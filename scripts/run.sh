#!/usr/bin/env bash
# Builds Quenbo and starts it from build/bin.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
mkdir -p build
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENBO_BUILD_TESTS=OFF
mkdir -p build/bin/data
exec build/bin/quenbo "$@"

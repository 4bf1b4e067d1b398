#!/usr/bin/env bash
# Builds Quenbo and starts it from build/bin.
#
# By default the application talks to quenbo-sandbox, a local stand-in for the platform
# gateway, the picture host and the maker's site: quenbo-demo starts it on loopback, packs an
# archive pointing at it and stops it when the application exits. The settings, pictures and
# favourites of these runs live on in build/run-home.
# With QUENBO_SANDBOX=0 the script starts neither and runs the program against the archive
# you packed (see the README).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
mkdir -p build
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENBO_BUILD_TESTS=OFF

if [ "${QUENBO_SANDBOX:-1}" != 0 ]; then
  # A fixed port keeps the addresses stored with favourites valid from one run to the next.
  export QUENBO_DEMO_HOME="$root/build/run-home"
  export QUENBO_DEMO_PORT="${QUENBO_SANDBOX_PORT:-8360}"
  exec build/bin/quenbo-demo "$@"
fi
exec build/bin/quenbo "$@"

#!/usr/bin/env bash
# Builds Quenbo and starts it from build/bin.
#
# By default the application talks to quenbo-sandbox, a local stand-in for the platform
# gateway, the picture host and the maker's site: the script starts it on loopback, packs
# build/bin/data/skin.isn pointing at it, and stops it when the application exits.
# With QUENBO_SANDBOX=0 the script starts neither and runs against the archive that is
# already at build/bin/data/skin.isn (see the README for packing one with your own keys).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/setup.sh
mkdir -p build
bash scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENBO_BUILD_TESTS=OFF
bin=build/bin
mkdir -p "$bin/data"

# Favourites live on across runs; the database is made from the schema only when missing.
if [ ! -f "$bin/data/data.db" ]; then
  sqlite3 "$bin/data/data.db" < data/schema.sql
fi

if [ "${QUENBO_SANDBOX:-1}" != 0 ]; then
  # A fixed port keeps the addresses stored with favourites valid from one run to the next.
  port=${QUENBO_SANDBOX_PORT:-8360}
  address_file=$(mktemp)
  "$bin/quenbo-sandbox" --port "$port" >"$address_file" 2>/dev/null &
  sandbox=$!
  trap 'kill $sandbox 2>/dev/null; wait $sandbox 2>/dev/null; rm -f "$address_file"' EXIT
  for _ in $(seq 50); do
    [ -s "$address_file" ] && break
    if ! kill -0 $sandbox 2>/dev/null; then
      # The port is taken: let the sandbox pick a free one.
      "$bin/quenbo-sandbox" --port 0 >"$address_file" &
      sandbox=$!
    fi
    sleep 0.1
  done
  base=$(head -n 1 "$address_file")
  [ -n "$base" ] || { echo "run: quenbo-sandbox did not start" >&2; exit 1; }
  echo "run: sandbox at $base"
  "$bin/quenbo-pack" --out "$bin/data/skin.isn" \
    --set App_Key=10000001 --set App_Secret=sandbox-secret --set NickName=quenbo \
    --set "IndexUrl=$base/index.xml" --set "FanXianUrl=$base/fanxian?id=" \
    --set "Gateway=$base" --set "SiteUrl=$base"
fi

"$bin/quenbo" "$@"

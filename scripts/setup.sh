#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Quenbo needs.
# Idempotent: packages already present are skipped, and the package lists are
# refreshed at most once per run, only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang-14 libclang-rt-14-dev clang-format-14
  qt6-base-dev libgl-dev
  libcurl4-openssl-dev libzip-dev zlib1g-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs libpng-dev libgif-dev
  libssl-dev libpugixml-dev libsqlite3-dev sqlite3
  libcpp-httplib-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-noto-cjk xvfb xauth xdotool x11-utils hyperfine curl jq bc
  dbus at-spi2-core python3-pyatspi
  desktop-file-utils appstream dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# The program as a user gets it: installed into a prefix (by `cmake --install` and from the
# Debian package), run from there with the per-user folders under a temporary home, and as a
# portable copy with its archive beside it.
#
#   test_installed_program.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/quenbo-install.XXXXXX")
sandbox=
window=
cleanup() {
  for process in $sandbox $window; do
    kill "$process" 2>/dev/null || true
    wait "$process" 2>/dev/null || true
  done
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen
# The installed programs may be built with sanitizers; their own leak reports are the other
# suites' business, not this test's.
export ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0

# -- Installing ------------------------------------------------------------------------------
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" --component Runtime > "$work/install.log"
for file in bin/quenbo bin/quenbo-pack bin/quenbo-sandbox bin/quenbo-demo share/quenbo/schema.sql \
  share/applications/org.quenbo.Quenbo.desktop share/metainfo/org.quenbo.Quenbo.metainfo.xml \
  share/icons/hicolor/16x16/apps/org.quenbo.Quenbo.png \
  share/icons/hicolor/256x256/apps/org.quenbo.Quenbo.png; do
  [ -e "$prefix/$file" ] || fail "cmake --install left out $file"
done

(cd "$build" && cpack -G DEB -B "$work/package" > "$work/cpack.log") || { cat "$work/cpack.log"; fail "cpack"; }
deb=$(ls "$work"/package/quenbo_*.deb)
dpkg-deb -x "$deb" "$work/deb"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libcurl4 libzip4 libsqlite3-0 libjpeg62-turbo fonts-noto-cjk; do
  [[ $depends == *"$library"* ]] || fail "the package does not depend on $library: $depends"
done
[ "$(cd "$work/deb/usr" && find . -type f | sort)" = "$(cd "$prefix" && find . -type f | sort)" ] ||
  fail "the package does not hold the files cmake --install writes"

# Read-only prefixes, and a record of them to show that running writes nothing there.
chmod -R a-w "$prefix" "$work/deb"
snapshot() { find "$1" -printf '%p %s %T@ %m\n' | sort; }
before_prefix=$(snapshot "$prefix")
before_deb=$(snapshot "$work/deb")

# -- Running the installed program --------------------------------------------------------------
home=$work/home
mkdir -p "$home"
user_env=(env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_CACHE_HOME HOME="$home"
  XDG_DATA_DIRS="$work/no-shared-data")
run() { "${user_env[@]}" "$@"; }
bin=$prefix/bin

version=$(run "$bin/quenbo" --version)
[[ $version == *"Layout: installed"* ]] || fail "--version: $version"
[[ $version == *"$home/.config/quenbo/config.ini"* ]] || fail "--version: $version"
[ ! -e "$home/.config" ] || fail "--version wrote files"

"$bin/quenbo-sandbox" --port 0 > "$work/sandbox-address" 2>/dev/null &
sandbox=$!
for _ in $(seq 100); do [ -s "$work/sandbox-address" ] && break; sleep 0.1; done
base=$(head -n 1 "$work/sandbox-address")
[ -n "$base" ] || fail "quenbo-sandbox did not start"
mkdir -p "$home/.local/share/quenbo"
run "$bin/quenbo-pack" --out "$home/.local/share/quenbo/skin.isn" \
  --set App_Key=10000001 --set App_Secret=sandbox-secret --set NickName=quenbo \
  --set "IndexUrl=$base/index.xml" --set "FanXianUrl=$base/fanxian?id=" \
  --set "Gateway=$base" --set "SiteUrl=$base" > /dev/null

# One favourite, brought in from a backup before the first start.
header=fid,fTitle,fNick,fClick,fShopClick,fPrice,fYongjin,fPicUrl,fFanxian,fXiaoCount,fCredit,fAddress,fVolume
printf '%s\r\n%s\r\n' "$header" \
  '8000000001,"连衣裙, ""新款""",掌柜,http://a/1,http://a/2,12.50,1.2,http://p/1.jpg,0.60,3,5,杭州,42' \
  > "$work/backup.csv"
run "$bin/quenbo" --import-favourites "$work/backup.csv" | grep -q "已添加 1 条收藏，" ||
  fail "the import did not add the favourite"

# Starts the window of the quenbo in $bin, waits until the start-up list's pictures are in the
# picture cache folder given, closes it as the desktop would and checks that it ended cleanly.
run_window() {
  local cache=$1
  "${user_env[@]}" "$bin/quenbo" > "$work/window.log" 2>&1 &
  window=$!
  local pictures=0
  for _ in $(seq 300); do
    pictures=$( (find "$cache" -name '*.jpg' 2>/dev/null || true) | wc -l)
    [ "$pictures" -ge 5 ] && break
    kill -0 $window 2>/dev/null || break
    sleep 0.1
  done
  [ "$pictures" -ge 5 ] || { cat "$work/window.log"; fail "the window cached no pictures"; }
  kill -TERM $window
  local status=0
  wait $window || status=$?
  window=
  [ $status -eq 0 ] || { cat "$work/window.log"; fail "the window ended with status $status"; }
}
run_window "$home/.cache/quenbo/pictures"
[ -f "$home/.config/quenbo/config.ini" ] || fail "no config.ini in the per-user config folder"
[ -f "$home/.local/share/quenbo/data.db" ] || fail "no data.db in the per-user data folder"
run_window "$home/.cache/quenbo/pictures"
run "$bin/quenbo" --export-favourites "$work/after.csv" > /dev/null
grep -q '^8000000001,' "$work/after.csv" || fail "the favourite did not survive the restarts"

# The same from the package's files.
run "$work/deb/usr/bin/quenbo" --version | grep -q "Layout: installed" || fail "the packaged quenbo"

[ "$(snapshot "$prefix")" = "$before_prefix" ] || fail "something was written under the prefix"
[ "$(snapshot "$work/deb")" = "$before_deb" ] || fail "something was written under the package's files"

# -- The portable layout: an archive beside the program keeps everything there ------------------
portable=$work/portable
mkdir -p "$portable/data"
cp "$prefix/bin/quenbo" "$portable/"
cp "$home/.local/share/quenbo/skin.isn" "$portable/data/"
sqlite3 "$portable/data/data.db" < "$prefix/share/quenbo/schema.sql"
rm -rf "$home"
mkdir -p "$home"
version=$(run "$portable/quenbo" --version)
[[ $version == *"Layout: portable"* && $version == *"$portable/config.ini"* ]] ||
  fail "portable --version: $version"
bin=$portable
home_before=$(snapshot "$home")
run "$bin/quenbo" --import-favourites "$work/backup.csv" > /dev/null
run_window "$portable/temp"
[ "$(printf '[config]\r\ndeltmp=0\r\n')" = "$(cat "$portable/config.ini")" ] ||
  fail "the portable settings file: $(cat -A "$portable/config.ini")"
[ -z "$(ls -A "$portable/temp")" ] || fail "the portable picture cache was not emptied at exit"
[ "$(snapshot "$home")" = "$home_before" ] || fail "the portable copy wrote into the home folder"
[ "$(sqlite3 "$portable/data/data.db" 'select fid from info')" = 8000000001 ] ||
  fail "the portable favourites"
echo "PASS"

# shellcheck shell=bash
# What the X tests share, sourced by each of them (after `set -euo pipefail`): a temporary
# folder that stands in for the home folder, a real X server (Xvfb), the sandbox, a portable
# copy of the program pointing at it, the program's window, the helpers that watch them, and
# the cleanup that stops them all.
#
#   . x11_session.sh
#   session_begin BIN_DIR     # BIN_DIR holds quenbo, quenbo-pack and quenbo-sandbox
#   start_xvfb                # exits 77 (a CTest skip) when Xvfb or xdotool cannot serve
#   start_sandbox             # sets base, the sandbox's base address
#   make_portable             # sets portable, the folder of the copy
#   start_window [NAME=VALUE ...]   # the copy, with these in its environment; sets window
#   wait_for_main_window      # sets main, the window's id
#   wait_for_first_loading

session_source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
schema=$(cd "$session_source_dir/../.." && pwd)/data/schema.sql

work=
xvfb=
sandbox=
window=
window_start=
base=
portable=
main=

cleanup() {
  if [ -n "$window" ]; then
    kill -KILL "$window" 2>/dev/null || true
    wait "$window" 2>/dev/null || true
  fi
  for process in $sandbox $xvfb; do
    kill -TERM "$process" 2>/dev/null || true
    wait "$process" 2>/dev/null || true
  done
  [ -z "$work" ] || rm -rf "$work"
}

session_begin() {
  bin=$(cd "$1" && pwd)
  work=$(mktemp -d "${TMPDIR:-/tmp}/quenbo-x11.XXXXXX")
  # Nothing of the run reaches the real home folder.
  mkdir -p "$work/home" "$work/runtime"
  chmod 700 "$work/runtime"
  export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime
  trap cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

# A test may define report_state to add what it watches to a failure's report.
fail() {
  echo "FAIL: $*" >&2
  if declare -F report_state > /dev/null; then
    report_state >&2 || true
  fi
  if [ -n "$work" ] && [ -s "$work/quenbo.log" ]; then
    echo "-- quenbo's output --" >&2
    cat "$work/quenbo.log" >&2
  fi
  exit 1
}
skip() {
  echo "SKIP: $*"
  exit 77
}

# Seconds on the monotonic clock, to the microsecond.
now() { perl -MTime::HiRes=clock_gettime,CLOCK_MONOTONIC -e 'printf "%.6f\n", clock_gettime(CLOCK_MONOTONIC)'; }
# since FROM TO: TO - FROM in seconds, to the millisecond.
since() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
# before A B: A < B.
before() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
# plus A B: A + B.
plus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.6f", a + b }'; }
# started PID: the process's start time, which tells it from a later process given its id.
started() {
  local fields=()
  read -ra fields 2> /dev/null < "/proc/$1/stat" || return 0
  echo "${fields[21]}"
}
# alive PID START: the process started at START runs. An ended child is gone once bash has
# reaped it, or a zombie until then; neither counts.
alive() {
  local fields=()
  read -ra fields 2> /dev/null < "/proc/$1/stat" || return 1
  [ "${fields[2]}" != Z ] && [ "${fields[21]}" = "$2" ]
}
# The program's windows that are mapped, one id a line.
visible_windows() { xdotool search --onlyvisible --pid "$window" 2>/dev/null | sort || true; }
# The targets the sandbox received lately, one a line (nothing when it does not answer).
received() { curl -fsS --max-time 10 "$base/__control/requests" 2>/dev/null || true; }

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every 0.1 s until it succeeds. Fails naming
# WHAT when SECONDS have passed, or at once when the program has ended.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local limit
  limit=$(plus "$(now)" "$seconds")
  until "$@"; do
    alive "$window" "$window_start" || fail "quenbo ended while waiting for $what"
    before "$(now)" "$limit" || fail "$what: not seen within $seconds s"
    sleep 0.1
  done
}

start_xvfb() {
  command -v Xvfb > /dev/null || skip "Xvfb is not installed"
  command -v xdotool > /dev/null || skip "xdotool is not installed"
  # -displayfd picks a free display number and writes it once the server accepts connections.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    3> "$work/display" > "$work/xvfb.log" 2>&1 &
  xvfb=$!
  local xvfb_start
  xvfb_start=$(started $xvfb)
  for _ in $(seq 300); do
    grep -q '^[0-9]' "$work/display" 2>/dev/null && break
    alive "$xvfb" "$xvfb_start" || break
    sleep 0.1
  done
  local display
  display=$(head -n 1 "$work/display" 2>/dev/null || true)
  [ -n "$display" ] || { cat "$work/xvfb.log"; skip "Xvfb did not start"; }
  export DISPLAY=:$display
  unset WAYLAND_DISPLAY
  xdotool getmouselocation > /dev/null 2>&1 || skip "xdotool cannot reach the X server on $DISPLAY"
  echo "Xvfb on $DISPLAY"
}

start_sandbox() {
  "$bin/quenbo-sandbox" --port 0 > "$work/sandbox-address" 2> "$work/sandbox.log" &
  sandbox=$!
  local sandbox_start
  sandbox_start=$(started $sandbox)
  for _ in $(seq 300); do
    [ -s "$work/sandbox-address" ] && break
    alive "$sandbox" "$sandbox_start" || break
    sleep 0.1
  done
  base=$(head -n 1 "$work/sandbox-address")
  [ -n "$base" ] || { cat "$work/sandbox.log" >&2; fail "quenbo-sandbox did not start"; }
}

# A portable copy pointing at the sandbox, with an empty favourites database.
make_portable() {
  portable=$work/portable
  mkdir -p "$portable/data"
  cp "$bin/quenbo" "$portable/"
  "$bin/quenbo-pack" --out "$portable/data/skin.isn" \
    --set App_Key=10000001 --set App_Secret=sandbox-secret --set NickName=quenbo \
    --set "IndexUrl=$base/index.xml" --set "FanXianUrl=$base/fanxian?id=" \
    --set "Gateway=$base" --set "SiteUrl=$base" > /dev/null
  sqlite3 "$portable/data/data.db" < "$schema"
}

# start_window [NAME=VALUE ...]: the arguments are optional, so calls without any are meant.
# shellcheck disable=SC2120
start_window() {
  # Leak reports at exit belong to the other suites; these tests judge only the exit status,
  # so a leak must not turn a clean close into a failure. The X keyboard library copies a
  # keymap name with strndup from a buffer without a closing NUL, which strndup allows but the
  # test command's strict string checks report; they stay on for our own code in the other
  # suites.
  env "$@" QT_QPA_PLATFORM=xcb \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0:strict_string_checks=0" \
    "$portable/quenbo" > "$work/quenbo.log" 2>&1 &
  window=$!
  window_start=$(started $window)
}

wait_for_main_window() {
  main=
  for _ in $(seq 1200); do
    main=$(xdotool search --onlyvisible --pid "$window" --name '^Quenbo$' 2>/dev/null | head -n 1 || true)
    [ -n "$main" ] && break
    alive "$window" "$window_start" || fail "quenbo ended before its window was shown"
    sleep 0.1
  done
  [ -n "$main" ] || fail "the window \"Quenbo\" was not mapped within 120 s"
}

# The version file is read once the first loading (the start-up list and the top categories)
# has been shown.
wait_for_first_loading() {
  local loaded=
  for _ in $(seq 1200); do
    grep -q '^/bate\.txt' <<< "$(received)" && { loaded=1; break; }
    alive "$window" "$window_start" || fail "quenbo ended during the first loading"
    sleep 0.1
  done
  [ -n "$loaded" ] || fail "the first loading did not finish within 120 s"
}

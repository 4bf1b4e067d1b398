#!/usr/bin/env bash
# One window per set of folders, with the real program on portable copies whose archive points
# at a gateway nobody listens on (the window does not wait for it):
# - a second start on a running program's folder ends with status 0, touches none of its files,
#   and the running program is asked to bring its window to the front;
# - the terminal commands still work beside the running window;
# - a copy in another folder runs beside it;
# - the lock a killed program leaves behind does not block the next start;
# - where the lock cannot be made, the program says so and runs.
#
#   test_one_window_per_folders.sh BIN_DIR SCHEMA
#
# BIN_DIR holds quenbo and quenbo-pack; SCHEMA is the favourites schema.
set -euo pipefail
bin=$(cd "$1" && pwd)
schema=$2

work=$(mktemp -d "${TMPDIR:-/tmp}/quenbo-one-window.XXXXXX")
# Nothing of the run reaches the real home folder.
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen
unset XDG_DATA_HOME XDG_CONFIG_HOME XDG_CACHE_HOME
# The gateway and the picture host: a loopback port nobody listens on.
dead=http://127.0.0.1:9

cleanup() {
  # The windows still running: the shell's jobs not reaped yet, so never an unrelated process
  # that got the id of one reaped already.
  for process in $(jobs -p); do
    kill -KILL "$process" 2>/dev/null || true
    wait "$process" 2>/dev/null || true
  done
  chmod -R u+w "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() {
  echo "FAIL: $*" >&2
  for log in "$work"/*.log; do
    [ -s "$log" ] || continue
    echo "-- $(basename "$log") --" >&2
    cat "$log" >&2
  done
  exit 1
}

# alive PID: the process runs (an ended child stays a zombie until it is reaped; that does not
# count).
alive() {
  local fields=()
  read -ra fields 2> /dev/null < "/proc/$1/stat" || return 1
  [ "${fields[2]}" != Z ]
}

# The program, the folder of its settings and the folder of its lock, for the window NAME: a
# portable copy in $work/NAME, or, for "installed", a program in $work/prefix/bin with the
# per-user folders under $HOME.
program_of() {
  if [ "$1" = installed ]; then echo "$work/prefix/bin/quenbo"; else echo "$work/$1/quenbo"; fi
}
settings_of() {
  if [ "$1" = installed ]; then echo "$HOME/.config/quenbo"; else echo "$work/$1"; fi
}
lock_of() {
  if [ "$1" = installed ]; then echo "$HOME/.local/share/quenbo"; else echo "$work/$1/data"; fi
}
# holder NAME: the process id the lock of NAME names, if any.
holder() { head -n 1 "$(lock_of "$1")/quenbo.lock" 2>/dev/null || true; }

# pack FILE: an archive whose gateway nobody listens on.
pack() {
  "$bin/quenbo-pack" --out "$1" \
    --set App_Key=10000001 --set App_Secret=sandbox-secret --set NickName=quenbo \
    --set "IndexUrl=$dead/index.xml" --set "FanXianUrl=$dead/fanxian?id=" \
    --set "Gateway=$dead" --set "SiteUrl=$dead" > /dev/null
}

# make_copy NAME: a portable copy in $work/NAME.
make_copy() {
  local dir=$work/$1
  mkdir -p "$dir/data"
  cp "$bin/quenbo" "$dir/"
  pack "$dir/data/skin.isn"
  sqlite3 "$dir/data/data.db" < "$schema"
}

# make_installed: the installed program, its schema and the user's archive.
make_installed() {
  mkdir -p "$work/prefix/bin" "$work/prefix/share/quenbo" "$HOME/.local/share/quenbo"
  cp "$bin/quenbo" "$work/prefix/bin/"
  cp "$schema" "$work/prefix/share/quenbo/schema.sql"
  pack "$HOME/.local/share/quenbo/skin.isn"
}

# start_window NAME LOG LOCKED [COMMAND...]: starts the window NAME (through COMMAND when
# given) with its output in $work/LOG.log, sets $pid, and waits until the window has made its
# settings file and, when LOCKED is "locked", until the lock names it.
start_window() {
  local name=$1 log=$work/$2.log locked=$3
  shift 3
  "$@" "$(program_of "$name")" > "$log" 2>&1 &
  pid=$!
  for _ in $(seq 1200); do
    if [ -f "$(settings_of "$name")/config.ini" ] &&
      { [ "$locked" != locked ] || [ "$(holder "$name")" = "$pid" ]; }; then
      return 0
    fi
    alive "$pid" || fail "the window in $name ended during its start"
    sleep 0.1
  done
  fail "the window in $name did not start within 120 s"
}

# ask_to_front NAME LOG: a further start of NAME, which must end with status 0 once the
# window running there has answered from its event loop.
ask_to_front() {
  local status=0
  timeout 120 "$(program_of "$1")" > "$work/$2.log" 2>&1 || status=$?
  [ "$status" -eq 0 ] || fail "a start on the folder of a running window ended with status $status"
  grep -q -F "$brought_to_front" "$work/$2.log" || fail "the start in $2.log did not say what it did"
}

# stop_window PID: closes the window as the desktop would; it must end with status 0. Only for a
# window whose event loop runs (it has answered a start), so that it handles the signal.
stop_window() {
  kill -TERM "$1"
  local status=0
  wait "$1" || status=$?
  [ "$status" -eq 0 ] || fail "the window $1 ended with status $status after SIGTERM"
}

# Every file of a folder with its size and time of change.
snapshot() { find "$1" -printf '%P %s %T@\n' | sort; }
# count TEXT FILE: how many lines of FILE hold TEXT.
count() { grep -c -F -- "$1" "$2" || true; }

asked_to_front="已把窗口带到前面"
brought_to_front="已把它的窗口带到前面"

make_copy a
make_copy b

# -- A second start on the same folder ---------------------------------------------------------
start_window a first locked
first=$pid

# The terminal commands open no window and are not held back by the running one.
"$work/a/quenbo" --version > "$work/version.out" 2>&1 || fail "--version beside the window"
grep -q "Layout: portable" "$work/version.out" || fail "--version: $(cat "$work/version.out")"
"$work/a/quenbo" --export-favourites "$work/favourites.csv" > /dev/null 2>&1 ||
  fail "--export-favourites beside the window"
grep -q '^fid,' "$work/favourites.csv" || fail "the export beside the window wrote no header"

# A window holds its lock for hours; the lock's age does not make it stale.
touch -d '2 hours ago' "$work/a/data/quenbo.lock"
before=$(snapshot "$work/a")
ask_to_front a second
alive "$first" || fail "the running window ended when the second start came"
[ "$(count "$asked_to_front" "$work/first.log")" = 1 ] ||
  fail "the running window was not asked once to come to the front"
[ "$(snapshot "$work/a")" = "$before" ] || fail "the second start changed the folder's files"

# -- Other folders run beside it: another portable copy, an installed program -------------------
# beside NAME: the window NAME starts while the first one runs, and each answers the starts on
# its own folders only.
beside() {
  start_window "$1" "$1" locked
  local window=$pid
  alive "$first" || fail "the first window ended when $1 started"
  ask_to_front "$1" "$1-second"
  [ "$(count "$asked_to_front" "$work/$1.log")" = 1 ] ||
    fail "the window $1 was not asked to come to the front"
  [ "$(count "$asked_to_front" "$work/first.log")" = 1 ] ||
    fail "a start of $1 asked the first window to come to the front"
  stop_window "$window"
  [ ! -e "$(lock_of "$1")/quenbo.lock" ] || fail "the window $1 left its lock behind when it closed"
}
make_installed
beside b
beside installed

# -- A lock left by a killed program -----------------------------------------------------------
kill -KILL "$first"
wait "$first" 2>/dev/null || true
[ "$(holder a)" = "$first" ] || fail "the killed window left no lock to take over"
start_window a after-kill locked
heir=$pid
# The new window holds the folder: a further start is sent to it.
ask_to_front a further
alive "$heir" || fail "the window that took the lock over ended"
[ "$(count "$asked_to_front" "$work/after-kill.log")" = 1 ] ||
  fail "the window that took the lock over was not asked to come to the front"
stop_window "$heir"

# -- A folder the lock cannot be made in ---------------------------------------------------------
make_copy c
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  # Root writes anywhere: the copy runs as nobody, who may write the program folder but not
  # data/.
  command -v setpriv > /dev/null || fail "setpriv is needed to run as another user"
  chmod 755 "$work"
  mkdir -p "$work/nobody-home" "$work/nobody-runtime"
  chown -R nobody "$work/c" "$work/nobody-home" "$work/nobody-runtime"
  chown root "$work/c/data"
  chmod 700 "$work/nobody-runtime"
  as_user=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups
    env HOME="$work/nobody-home" XDG_RUNTIME_DIR="$work/nobody-runtime")
fi
chmod a-w "$work/c/data"
start_window c read-only unlocked "${as_user[@]}"
grep -q -F "锁文件无法创建，本程序照常运行，但不能阻止同一组文件夹上再启动一个：$work/c/data/quenbo.lock: " \
  "$work/read-only.log" || fail "no warning that the lock cannot be made"
alive "$pid" || fail "the window without a lock ended"
echo "PASS"

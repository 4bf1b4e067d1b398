#!/usr/bin/env bash
# What a screen reader finds in the window: under a real X server and a D-Bus session of its
# own, the program is read over AT-SPI (pyatspi) with Qt's accessibility bridge on. The item
# list's rows read their title, price and seller and offer the row buttons and the shop menu
# as commands; running 去看看 hands the item's address to the browser; the category tree's
# rows read their names and 展开 opens one. Skipped (status 77) when Xvfb, xdotool, D-Bus or
# pyatspi is missing.
#
#   test_screen_reader.sh BIN_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${QUENBO_OWN_DBUS:-}" ]; then
  if ! command -v dbus-run-session > /dev/null || ! /usr/bin/python3 -c 'import pyatspi' 2> /dev/null; then
    echo "SKIP: dbus-run-session or pyatspi is not installed"
    exit 77
  fi
  # The accessibility bus comes with the session bus of this run, not the desktop's.
  exec env QUENBO_OWN_DBUS=1 dbus-run-session -- bash "$0" "$@"
fi

. "$here/x11_session.sh"
session_begin "$1"

opened_log=$work/opened
read_window() { /usr/bin/python3 "$here/read_rows.py" "$1" 2> "$work/reader.log" || fail "$(cat "$work/reader.log")"; }

start_xvfb
start_sandbox
make_portable
mkdir -p "$work/browser"
cat > "$work/browser/xdg-open" << END
#!/bin/sh
printf '%s\n' "\$1" >> '$opened_log'
END
chmod +x "$work/browser/xdg-open"

start_window QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "PATH=$work/browser:$PATH" \
  "BROWSER=$work/browser/xdg-open"
wait_for_main_window
wait_for_first_loading

read_window items
read_window item-page
wait_for 10 "the item page handed to the browser" test -s "$opened_log"
echo "the browser was handed: $(head -n 1 "$opened_log")"
read_window categories
echo "PASS"

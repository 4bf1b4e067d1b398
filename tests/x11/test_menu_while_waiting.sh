#!/usr/bin/env bash
# The window stays usable while a gateway answer is held back: under a real X server (Xvfb),
# driven by xdotool as a user would, a keyword search goes out to a sandbox told to hold its
# answer for a few seconds. Meanwhile Alt+F must open the File menu before the held answer
# could have arrived, and the program, closed by SIGTERM while the answer is still held, must
# exit within a few seconds. The times are printed; only bounds far above them are asserted.
#
#   test_menu_while_waiting.sh BIN_DIR
#
# BIN_DIR holds quenbo, quenbo-pack and quenbo-sandbox. Exits 77 (a CTest skip) when Xvfb or
# xdotool is missing or cannot be started.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR
# shellcheck source=x11_session.sh
. "$(dirname "$0")/x11_session.sh"
session_begin "$1"

# How long the sandbox holds every keyword-search answer, in seconds.
held=4
# The File menu is opened this long after the search button is pressed.
menu_after=0.5
keyword=dress

# -- The X server ----------------------------------------------------------------------------
start_xvfb

# -- The sandbox, told to hold every keyword-search answer ---------------------------------------
start_sandbox
answer=$(curl -fsS --max-time 10 \
  -d "path=/router/rest&method=taobao.taobaoke.items.get&kind=slow&delay_ms=$((held * 1000))" \
  "$base/__control/fault") || fail "the sandbox refused the fault"
[ "$answer" = ok ] || fail "the sandbox answered the fault with: $answer"

# -- A portable copy pointing at the sandbox -----------------------------------------------------
make_portable

# -- The window -----------------------------------------------------------------------------
start_window
wait_for_main_window
eval "$(xdotool getwindowgeometry --shell "$main")"
main_x=$X
main_y=$Y
# The points clicked below come from the window's layout at its designed size.
if [ "$WIDTH" != 900 ] || [ "$HEIGHT" != 650 ]; then
  fail "the window is ${WIDTH}x$HEIGHT, not 900x650"
fi

wait_for_first_loading
sleep 0.5

# Without a window manager nobody gives the window the keyboard; Alt+F needs it to be active.
xdotool windowfocus --sync "$main"

# The keyword box E_Serch: 181 + 390/2, 5 + 22/2 inside the search strip at (207, 24). The
# search button b_Srech: 5 px right of the box, 106 x 27 at y 4.
xdotool mousemove --window "$main" --sync 583 40 click 1
xdotool type --delay 40 "$keyword"
# Taken before the press: the held answer cannot arrive sooner than $held s after this.
clicked=$(now)
xdotool mousemove --window "$main" --sync 836 41 click 1
answer_due=$(plus "$clicked" "$held")

# The search goes out: the sandbox receives the query with the keyword typed.
request=
while :; do
  request=$(grep 'method=taobao\.taobaoke\.items\.get' <<< "$(received)" | tail -n 1 || true)
  [ -n "$request" ] && break
  alive $window "$window_start" || fail "quenbo ended after the search button was pressed"
  before "$(now)" "$(plus "$clicked" 3)" || fail "no keyword search reached the sandbox within 3 s"
  sleep 0.02
done
sent=${request#*&keyword=}
sent=${sent%%&*}
[ "$(printf '%b' "${sent//%/\\x}")" = "$keyword" ] ||
  fail "the search asked for \"$sent\", not \"$keyword\": $request"
seen=$(now)
echo "keyword search seen by the sandbox $(since "$clicked" "$seen") s after the search click"

# -- Alt+F while the answer is held ------------------------------------------------------------
until before "$(plus "$clicked" "$menu_after")" "$(now)"; do sleep 0.01; done
shown=$(visible_windows)
pressed=$(now)
xdotool key alt+f
menu=
opened=
# Watched past the held answer, so that a late menu still gets its figure.
watch_until=$(plus "$answer_due" 6)
while :; do
  windows=$(visible_windows)
  t=$(now)
  menu=$(comm -13 <(echo "$shown") <(echo "$windows") | head -n 1)
  [ -n "$menu" ] && { opened=$t; break; }
  alive $window "$window_start" || fail "quenbo ended after Alt+F"
  before "$t" "$watch_until" || break
  sleep 0.003
done
[ -n "$menu" ] || fail "Alt+F opened no window within $(since "$pressed" "$watch_until") s"
echo "File menu opened $(since "$pressed" "$opened") s after Alt+F while the search waited" \
  "(Alt+F $(since "$clicked" "$pressed") s after the search click; the answer was held $held s)"
before "$opened" "$answer_due" ||
  fail "the File menu opened $(since "$clicked" "$opened") s after the search click, not before" \
    "the held answer ($held s): the window waited for the network"

# The new window is the File menu's popup: it hangs from the menu bar at the window's left.
eval "$(xdotool getwindowgeometry --shell "$menu")"
if [ "$X" -lt "$main_x" ] || [ "$X" -gt $((main_x + 200)) ] ||
  [ "$Y" -lt $((main_y + 10)) ] || [ "$Y" -gt $((main_y + 60)) ]; then
  fail "the window opened at +$((X - main_x))+$((Y - main_y)) is not the File menu"
fi

xdotool key Escape
closed=
for _ in $(seq 500); do
  grep -qx "$menu" <<< "$(visible_windows)" || { closed=1; break; }
  sleep 0.01
done
[ -n "$closed" ] || fail "Escape did not close the File menu"

# -- Closing while the answer is still held ----------------------------------------------------
term=$(now)
if before "$term" "$answer_due"; then
  pending="with the held answer still pending"
else
  pending="after the held answer could have arrived"
fi
kill -TERM "$window"
limit=$(plus "$term" 30)
while alive $window "$window_start" && before "$(now)" "$limit"; do sleep 0.01; done
ended=$(now)
if alive $window "$window_start"; then
  fail "quenbo did not exit within 30 s of SIGTERM"
fi
status=0
wait "$window" || status=$?
window=
echo "quenbo exited $(since "$term" "$ended") s after SIGTERM, $pending"
[ $status -eq 0 ] || fail "quenbo ended with status $status after SIGTERM"
before "$(since "$term" "$ended")" 3 || fail "quenbo took more than 3 s to exit after SIGTERM"
echo "PASS"

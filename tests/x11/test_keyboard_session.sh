#!/usr/bin/env bash
# A whole session with the keyboard alone: under a real X server (Xvfb), xdotool presses keys
# as a user would (no mouse click; the pointer is only parked outside the window) and each
# step is judged by its effect: what the sandbox received, the addresses handed to the web
# browser, the favourites database and the program's exit status. In order: a keyword search
# from the keyword box, the next page by 下一页, a page chosen in the page list, an item page
# opened from the item list, that item added to the favourites, its shop opened from the shop
# menu (Menu key, then Shift+F10), a category opened and listed from the category tree, and
# the window closed by File → 退出. Each step prints one line once it has passed; the first
# that does not have its effect fails the test.
#
#   test_keyboard_session.sh BIN_DIR
#
# BIN_DIR holds quenbo, quenbo-pack and quenbo-sandbox. Exits 77 (a CTest skip) when Xvfb or
# xdotool is missing or cannot be started.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR
# shellcheck source=x11_session.sh
. "$(dirname "$0")/x11_session.sh"
session_begin "$1"

# Titles of the sandbox's catalogue hold "Mini" often enough for a dozen pages of results.
keyword=mini
# The page chosen in the page list: neither 1 nor the page shown when it opens (2).
chosen_page=3
# The row of the item list (from 0) and of the category tree that the keys go to.
item_row=1
category_row=1
# How long one step may take to show its effect; only there to stop a hang.
patience=20

# -- The helpers --------------------------------------------------------------------------------
passed() { echo "ok: $*"; }

# press KEY...: the keys one after another, as typed on the keyboard (XTEST) into the window
# that has the keyboard.
press() {
  xdotool key --delay 150 "$@"
  sleep 0.3
}

# gateway_request METHOD [NAME=VALUE...]: prints the last gateway request the sandbox received
# for METHOD whose parameters include every NAME=VALUE (values compared percent-decoded), and
# fails (status 1) when there is none.
gateway_request() {
  received | perl -e '
    my ($method, @wanted) = @ARGV;
    my $hit;
    while (my $line = <STDIN>) {
      chomp $line;
      my ($path, $query) = split /\?/, $line, 2;
      next unless $path eq "/router/rest" && defined $query;
      my %param;
      for (split /&/, $query) {
        my ($name, $value) = split /=/, $_, 2;
        $value //= "";
        $value =~ s/%([0-9A-Fa-f]{2})/chr hex $1/ge;
        $param{$name} = $value;
      }
      next unless ($param{method} // "") eq $method;
      my $all = 1;
      for (@wanted) {
        my ($name, $value) = split /=/, $_, 2;
        $all = 0 unless defined $param{$name} && $param{$name} eq $value;
      }
      $hit = $line if $all;
    }
    exit 1 unless defined $hit;
    print "$hit\n";
  ' "$@"
}
# seen_request METHOD [NAME=VALUE...]: gateway_request quietly.
seen_request() { gateway_request "$@" > /dev/null; }

# answer_of TARGET: the sandbox's answer to a request the program made, asked again. The
# signature stays valid for ten minutes and the catalogue does not change, so the answer is
# the one the program read.
answer_of() {
  curl -fsS --max-time 20 "$base$1" || fail "the sandbox did not answer $1 again"
}
# items_of ANSWER: one line per item of an item answer, in order: id, click address, shop
# address, separated by tabs.
items_of() {
  perl -0777 -ne '
    sub field { my ($item, $name) = @_; my ($v) = $item =~ m{<$name>(.*?)</$name>}s;
                $v //= ""; $v =~ s/&amp;/&/g; return $v }
    while (m{<taobaoke_item>(.*?)</taobaoke_item>}sg) {
      my $item = $1;
      print join("\t", field($item, "num_iid"), field($item, "click_url"),
                 field($item, "shop_click_url")), "\n";
    }' <<< "$1"
}
# categories_of ANSWER: the ids of a category answer's categories, in order, one a line.
categories_of() {
  perl -0777 -ne 'print "$1\n" while m{<item_cat>.*?<cid>(\d+)</cid>.*?</item_cat>}sg' <<< "$1"
}

# picture_asked EARLIER ID...: a picture of one of the IDs not asked for in EARLIER (the
# sandbox's log before the page was asked for) has been asked for: the page they came on is
# in the list. Pictures asked for before come from the picture cache and are not asked again.
picture_asked() {
  local earlier=$1
  shift
  local targets id
  targets=$(received)
  for id in "$@"; do
    grep -q "^/pic/$id" <<< "$earlier" && continue
    grep -q "^/pic/$id" <<< "$targets" && return 0
  done
  return 1
}
# wait_for_listed TARGET EARLIER WHAT: waits until the item page the program asked for with
# TARGET is in the item list (EARLIER: the sandbox's log before the keys that asked for it);
# sets page_items (id, click, shop a line) from its answer.
wait_for_listed() {
  page_items=$(items_of "$(answer_of "$1")")
  [ -n "$page_items" ] || fail "$3 found no items: $1"
  # shellcheck disable=SC2046
  wait_for $patience "the items of $3 in the list" picture_asked "$2" $(cut -f 1 <<< "$page_items")
}

# The windows the program has mapped besides these (one id a line), as a popup opens.
new_window_since() {
  popup=$(comm -13 <(echo "$1") <(visible_windows) | head -n 1)
  [ -n "$popup" ]
}
window_gone() { ! grep -qx "$1" <<< "$(visible_windows)"; }
# open_popup WHAT KEY...: the keys open a new window of the program (a menu or a list);
# sets popup to its id.
open_popup() {
  local what=$1
  shift
  local before_keys
  before_keys=$(visible_windows)
  press "$@"
  wait_for $patience "$what to open" new_window_since "$before_keys"
}

# The addresses handed to the web browser, one a line, oldest first.
opened_log=$work/opened
opened() { cat "$opened_log" 2>/dev/null || true; }
opened_count_is() { [ "$(opened | wc -l)" -eq "$1" ]; }

# What a failure report shows besides the program's output.
report_state() {
  echo "-- addresses handed to the browser --"
  opened
  echo "-- the last requests the sandbox received --"
  received | tail -n 20
}

favourite_stored() {
  [ "$(sqlite3 -cmd '.timeout 5000' "$portable/data/data.db" \
    "SELECT count(*) FROM info WHERE fid = '$1'" 2>/dev/null)" = 1 ]
}

# -- The X server, the sandbox, the portable copy ----------------------------------------------
start_xvfb
start_sandbox
make_portable

# The web browser: Qt hands an address to xdg-open (or to $BROWSER when that is missing).
# This one only writes it down.
mkdir -p "$work/browser"
cat > "$work/browser/xdg-open" << EOF
#!/bin/sh
printf '%s\n' "\$1" >> '$opened_log'
EOF
chmod +x "$work/browser/xdg-open"

# -- The window -----------------------------------------------------------------------------
start_window "PATH=$work/browser:$PATH" "BROWSER=$work/browser/xdg-open"
wait_for_main_window
wait_for_first_loading

# The top categories the tree lists, as the program received them.
top_request=$(gateway_request taobao.itemcats.get parent_cid=0) ||
  fail "the sandbox received no query for the top categories"
mapfile -t categories < <(categories_of "$(answer_of "$top_request")")
[ ${#categories[@]} -gt $category_row ] ||
  fail "the top categories answer has ${#categories[@]} categories: $top_request"

# The pointer stays outside the window, so that no row is hot and no picture preview opens.
eval "$(xdotool getwindowgeometry --shell "$main")"
park_x=1279
park_y=1023
[ "$X" -gt 0 ] && park_x=0
[ "$Y" -gt 0 ] && park_y=0
xdotool mousemove --sync $park_x $park_y
# Without a window manager nobody gives the window the keyboard.
xdotool windowfocus --sync "$main"
sleep 0.5
passed "the window is shown with the first loading done and has the keyboard"

# -- Search ------------------------------------------------------------------------------------
# The focus starts in the first control of the tab order, the category tree; the keyword box
# comes next.
press Tab
xdotool type --delay 100 "$keyword"
press Return
wait_for $patience "a keyword search for \"$keyword\" (Tab, typing, Return)" \
  seen_request taobao.taobaoke.items.get "keyword=$keyword" page_no=1
passed "Tab, \"$keyword\", Return: the sandbox received the keyword search, page 1"

# -- Paging ------------------------------------------------------------------------------------
# From the keyword box: the sort list, the item list, 上一页, the page list, 下一页.
press Tab Tab Tab Tab Tab space
wait_for $patience "page 2 (Tab ×5 to 下一页, space)" \
  seen_request taobao.taobaoke.items.get "keyword=$keyword" page_no=2
passed "Tab ×5 to 下一页, space: the sandbox received page 2 of the search"

press shift+Tab
open_popup "the page list (Shift+Tab, F4)" F4
page_list=$popup
xdotool type --delay 100 "$chosen_page"
before_page=$(received)
press Return
wait_for $patience "page $chosen_page (typed in the page list, Return)" \
  seen_request taobao.taobaoke.items.get "keyword=$keyword" "page_no=$chosen_page"
wait_for $patience "the page list to close" window_gone "$page_list"
passed "Shift+Tab, F4, \"$chosen_page\", Return: the page list opened and the sandbox received" \
  "page $chosen_page"

# -- Opening an item -------------------------------------------------------------------------
page_request=$(gateway_request taobao.taobaoke.items.get "keyword=$keyword" "page_no=$chosen_page")
wait_for_listed "$page_request" "$before_page" "page $chosen_page"
item=$(sed -n "$((item_row + 1))p" <<< "$page_items")
[ -n "$item" ] || fail "page $chosen_page has no row $item_row"
IFS=$'\t' read -r item_id item_click item_shop <<< "$item"
case $item_click in
  "$base/click?id=$item_id") ;;
  *) fail "the item $item_id has the click address \"$item_click\", not one of the sandbox" ;;
esac

# From the page list back to 上一页, then to the item list, whose first row is current once it
# has the focus.
press shift+Tab shift+Tab
for _ in $(seq 1 "$item_row"); do press Down; done
press Return
wait_for $patience "the item page $item_click in the browser (Shift+Tab ×2, Down, Return)" \
  grep -qxF "$item_click" "$opened_log"
opened_count_is 1 || fail "Return opened more than the item page: $(opened)"
passed "Shift+Tab ×2 to the item list, Down ×$item_row, Return: the browser got $item_click"

# -- Favourite ---------------------------------------------------------------------------------
press space
wait_for $patience "the item $item_id in the favourites database (space)" \
  favourite_stored "$item_id"
passed "space: the favourites database holds $item_id"

# -- Shop menu ---------------------------------------------------------------------------------
open_popup "the shop menu (Menu key)" Menu
press Escape
wait_for $patience "the shop menu to close (Escape)" window_gone "$popup"
opened_count_is 1 || fail "the Menu key or Escape opened an address: $(opened)"
passed "Menu: the shop menu opened; Escape closed it"

open_popup "the shop menu (Shift+F10)" shift+F10
shop_menu=$popup
# Up from no active entry goes to the last one, 进入店铺.
press Up Return
wait_for $patience "the shop $item_shop in the browser (Shift+F10, Up, Return)" \
  grep -qxF "$item_shop" "$opened_log"
opened_count_is 2 || fail "进入店铺 opened more than the shop: $(opened)"
wait_for $patience "the shop menu to close" window_gone "$shop_menu"
passed "Shift+F10, Up, Return on 进入店铺: the browser got $item_shop"

# -- Categories --------------------------------------------------------------------------------
category=${categories[$category_row]}
# From the item list back over the sort list and the keyword box to the category tree, whose
# first row is current once it has the focus.
press shift+Tab shift+Tab shift+Tab
for _ in $(seq 1 "$category_row"); do press Down; done
press Right
wait_for $patience "the subcategories of category $category (Shift+Tab ×3, Down, Right)" \
  seen_request taobao.itemcats.get "parent_cid=$category"
passed "Shift+Tab ×3 to the category tree, Down ×$category_row, Right: the sandbox" \
  "received the subcategory query of $category"
press Return
wait_for $patience "the items of category $category (Return)" \
  seen_request taobao.taobaoke.items.get "cid=$category"
passed "Return: the sandbox received the item search of category $category"

# -- Closing -----------------------------------------------------------------------------------
open_popup "the File menu (Alt+F)" alt+f
# The File menu's only entry is 退出; Down makes it the active one, whichever was before.
press Down Return
limit=$(plus "$(now)" 60)
while alive "$window" "$window_start" && before "$(now)" "$limit"; do sleep 0.1; done
alive "$window" "$window_start" && fail "quenbo did not exit within 60 s of 退出"
status=0
wait "$window" || status=$?
window=
[ $status -eq 0 ] || fail "quenbo ended with status $status after 退出"
opened_count_is 2 || fail "more addresses were opened: $(opened)"
passed "Alt+F, Down, Return on 退出: quenbo exited with status 0"
echo "PASS"

#!/usr/bin/env bash
# The whole-form fill on a headless sway with no X display: `formix --trigger fill` (what a key
# bound in sway runs) fills the page in front in chromium on native Wayland
# (--ozone-platform=wayland) and in firefox-esr (MOZ_ENABLE_WAYLAND=1), both open at once, each
# with Formix's extension and the relay registered in a scratch home: only the browser in front is
# filled, and with another program in front nothing is; with the bar focused (clicked), the browser
# focused before it is. Each page reports every value its own
# script sees to the 127.0.0.1 server that served it, whose log the checks read.
#
#   tests/wayland/fill_run.sh BUILD_DIR [chromium|firefox ...]    (both browsers by default)
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$here/sway_session.sh"
source "$here/fill_common.sh"
build=$(cd "${1:?build folder}" && pwd)
shift
browsers=(chromium firefox)
[ $# -gt 0 ] && browsers=("$@")
fill_session
SWAY_EXTRA_CONFIG='for_window [title="^Formix"] floating enable, sticky enable
no_focus [title="^Formix"]'
start_sway "$work" || { echo "FAIL: the headless sway did not start"; exit 1; }

fill_app
serve_form || { echo "FAIL: no free port for the form"; exit 1; }

"$app/formix" >"$work/formix.log" 2>&1 &
started_pids+=($!)
formix_pid=$!
wait_until 15 window_shown '^Formix' &&
  wait_until 10 dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetNameOwner \
    string:org.formix.Formix1
check "formix: runs on sway and takes triggers" kill -0 "$formix_pid"

# Each browser's page is named after the browser.
app_of() { case $1 in chromium) echo chromium ;; firefox) echo firefox-esr ;; esac; }
trigger_fill() { "$app/formix" --trigger fill >>"$work/trigger.log" 2>&1; }
# Both browsers open at once, each with the extension connected: the fill must pick the one in front.
open=()
for browser in "${browsers[@]}"; do
  start_browser "$browser" "$(page_url "$browser")"
  if wait_until 60 focus_on "^新規会員登録.*$(title_of "$browser")" &&
    wait_until 30 relays_at_least $((${#open[@]} + 1)); then
    open+=("$browser")
  else
    check "$browser: opens the page on Wayland with the extension connected" false
    tail -n 5 "$work/$browser.log"
  fi
done
sleep 1  # the pages have loaded; a person looks before pressing the key

# Another program in front (a terminal): every browser says it has lost the focus, nothing is filled.
foot --title=elsewhere --app-id=foot -- sh -c 'sleep 60' >>"$work/foot.log" 2>&1 &
foot_pid=$!
started_pids+=("$foot_pid")
if wait_until 10 focus_on '^elsewhere$'; then
  m=$(log_mark)
  check "a terminal in front: the trigger is delivered" trigger_fill
  sleep 2
  check "a terminal in front: no page is filled" unfilled "$m" "${open[@]}"
else
  check "the terminal takes the focus" false
fi
kill "$foot_pid" 2>/dev/null
wait "$foot_pid" 2>/dev/null

for browser in "${open[@]}"; do
  page=$browser
  swaymsg "[app_id=\"^$(app_of "$browser")\$\"] focus" >/dev/null
  wait_until 10 focus_on "$(title_of "$browser")"
  sleep 0.5
  m=$(log_mark)
  check "$browser: the trigger is delivered" trigger_fill
  check_filled "$browser" "$page" "$m"
  check "$browser: keeps the focus" focus_on "$(title_of "$browser")"
  for other in "${open[@]}"; do
    [ "$other" = "$browser" ] || check "$browser: the browser behind ($other) is not filled" test -z "$(seen "$other" sei "$m")"
  done

  # The bar clicked first (it takes the focus, as a click on its fill button does): the browser
  # that lost the focus to it is filled, and gets the focus back. The page is loaded afresh.
  "$build/tests/wayland/wayland_keys" ctrl+shift+r  # a plain reload keeps the values in firefox
  sleep 2
  swaymsg '[title="^Formix"] focus' >/dev/null
  if wait_until 5 focus_on '^Formix'; then
    m=$(log_mark)
    check "$browser from the bar: the trigger is delivered" trigger_fill
    check "$browser from the bar: the family name reaches the page" sees "$page" sei "$m" 山田
    check "$browser from the bar: the telephone" sees "$page" tel3 "$m" 5678
    check "$browser from the bar: the browser has the focus again" wait_until 5 focus_on "$(title_of "$browser")"
    for other in "${open[@]}"; do
      [ "$other" = "$browser" ] || check "$browser from the bar: $other is not filled" test -z "$(seen "$other" sei "$m")"
    done
  else
    check "$browser: the bar takes the focus when asked" false
  fi
done
stop_browsers

check "formix runs on" kill -0 "$formix_pid"
grep -v '^formix: on sway the gestures\|^bindsym\|^for_window\|^no_focus' "$work/formix.log" | head -n 20
echo "($((SECONDS - started)) s)"
checks_summary

#!/usr/bin/env bash
# The whole-form fill on a headless GNOME compositor (mutter), where formix runs through
# XWayland: `formix --trigger fill` (what a custom shortcut runs on GNOME) fills the page in
# firefox-esr and chromium running on Wayland itself, which X11 does not see, and in chromium
# through XWayland, each while it is in front. With another program in front (a native Qt
# window, an X11 one) nothing is filled, and the X11 one gets a phrase typed; a click on the
# bar's fill button fills the page too. A phrase aimed at chromium on Wayland stays on the
# clipboard, and formix says so. The pages report every value their own script sees to the
# 127.0.0.1 server that served them.
#
#   tests/wayland/mutter_fill_run.sh BUILD_DIR
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$here/mutter_session.sh"
source "$here/fill_common.sh"
build=$(realpath "${1:?build folder}")
fill_session

fill_app
cp "$build/bin/libfmxhook.so" "$app/"
sed -i -e 's/^Win_Key=.*/Win_Key=0/' -e 's/^Add_Key=.*/Add_Key=2/' "$app/$(id -un).ini"
start_mutter "$work" || { echo "FAIL: the headless mutter did not start"; exit 1; }
serve_form || { echo "FAIL: no free port for the form"; exit 1; }

"$app/formix" >"$work/formix.log" 2>&1 &
formix_pid=$!
started_pids+=("$formix_pid")
wait_until 15 xdotool search --name '^Formix $' && wait_until 10 bus_name_owned org.formix.Formix1
check "formix: runs through XWayland and takes triggers" kill -0 "$formix_pid"
trigger() { "$app/formix" --trigger "$1" >>"$work/trigger.log" 2>&1; }
# mutter lets a new Wayland window have the focus only when it was asked for (firefox-esr's
# never is): the person clicks into the page below the form, where the bar is not.
click_page() { /usr/bin/python3 "$here/mutter_click.py" 300 650 && sleep 0.5; }
# The X server's active window: none while a Wayland program has the focus.
x11_focus_is_none() { xprop -root _NET_ACTIVE_WINDOW | grep -qv 'window id # 0x[1-9a-f]'; }

start_browser chromium "$(page_url chromium)"
if ! wait_until 60 relays_at_least 1; then
  check "chromium: opens the page on Wayland with the extension connected" false
  tail -n 5 "$work/chromium.log"
  exit 1
fi
sleep 2  # the page has loaded; a person looks before pressing the key

# chromium on Wayland. Another program in front, first a native Wayland one, then an X11 one:
# nothing is filled.
for platform in wayland xcb; do
  QT_QPA_PLATFORM=$platform "$build/tests/linux/formix_recorder" Elsewhere >"$work/recorder.log" 2>&1 &
  recorder_pid=$!
  started_pids+=("$recorder_pid")
  sleep 2
  m=$(log_mark)
  check "a $platform program in front: the trigger is delivered" trigger fill
  sleep 2
  check "a $platform program in front: the page is not filled" unfilled "$m" chromium
  if [ "$platform" = xcb ]; then
    # An X11 program gets the phrase and Enter through XWayland, as on X11.
    check "an X11 program: the phrase trigger is delivered" trigger phrase:1:1
    expected="text いつもお世話になっております。\\n山田です。
key Return"
    recorded() { [ "$(cut -d' ' -f2- "$work/recorder.log" | grep -E '^(text|key) ')" = "$expected" ]; }
    check "an X11 program: the phrase, then Enter" wait_until 10 recorded
    recorded || { echo "  got:"; cut -d' ' -f2- "$work/recorder.log" | sed 's/^/    /'; }
  fi
  kill "$recorder_pid" 2>/dev/null
  wait "$recorder_pid" 2>/dev/null
done

# The browser in front again (the other program closed): its page is filled.
sleep 1
m=$(log_mark)
check "chromium: the trigger is delivered" trigger fill
check_filled chromium chromium "$m"
check "chromium: keeps the focus" x11_focus_is_none

# A phrase cannot be typed there: it waits on the clipboard, and formix says so once.
check "phrase: the trigger is delivered" trigger phrase:1:1
check "phrase: formix says it is on the clipboard" wait_until 10 grep -q "the phrase is on the clipboard" "$work/formix.log"
check "phrase: the clipboard holds it" wait_until 5 sh -c \
  '[ "$(xclip -o -selection clipboard)" = "$(printf "いつもお世話になっております。\n山田です。")" ]'
check "phrase: no key went to the bar" x11_focus_is_none
check "phrase: the notice says where it is" wait_until 5 xdotool search --name '^Formix$'
xdotool search --name '^Formix$' windowclose  # the notice; the bar is "Formix "

# The page afresh in a new tab (chromium hands the address to the running browser), then the
# bar's fill button clicked: the bar takes no focus, and the page is filled. The button lies at
# the bar's left edge, 360 to 378 pixels down.
chromium --ozone-platform=wayland --no-sandbox --user-data-dir="$HOME/.config/chromium" "$(page_url again)" >>"$work/chromium.log" 2>&1
sleep 3
# Where the bar's own area lies, below the title bar mutter draws (xwininfo counts the frame right).
read -r x y < <(xwininfo -id "$(xdotool search --name '^Formix $' | head -n 1)" |
  awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x, y}')
m=$(log_mark)
xdotool mousemove "$((x + 22))" "$((y + 369))" click 1
check "bar's fill button: the family name reaches the page" sees again sei "$m" 山田
check "bar's fill button: the telephone" sees again tel3 "$m" 5678
# mutter gives the clicked bar the focus, and an X11 program cannot hand it back to a Wayland one.
bar_focused() { xprop -root _NET_ACTIVE_WINDOW | grep -q "$(printf '0x%x' "$(xdotool search --name '^Formix $' | head -n 1)")"; }
check "bar's fill button: the bar has the focus" bar_focused
stop_browsers
no_relays() { ! relays_at_least 1; }
wait_until 10 no_relays

# GNOME's usual pair: firefox-esr on Wayland, then chromium through XWayland in front of it. Each
# is filled while it has the focus; the one behind is not.
start_browser firefox "$(page_url firefox)"
if wait_until 60 relays_at_least 1; then
  sleep 3
  click_page
  m=$(log_mark)
  check "firefox: the trigger is delivered" trigger fill
  check_filled firefox firefox "$m"
  start_browser chromium-x11 "$(page_url chromium-x11)"
  if wait_until 60 relays_at_least 2 && wait_until 30 xdotool search --name ' - Chromium$'; then
    sleep 3
    m=$(log_mark)
    check "chromium through XWayland: the trigger is delivered" trigger fill
    check_filled "chromium through XWayland" chromium-x11 "$m"
    check "chromium through XWayland: firefox behind it is not filled" unfilled "$m" firefox
  else
    check "chromium through XWayland: opens the page with the extension connected" false
  fi
else
  check "firefox: opens the page on Wayland with the extension connected" false
fi
stop_browsers

check "formix runs on" kill -0 "$formix_pid"
grep -v "RemoteDesktop portal" "$work/formix.log" | head -n 20
echo "($((SECONDS - started)) s)"
checks_summary

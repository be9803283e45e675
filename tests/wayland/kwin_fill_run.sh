#!/usr/bin/env bash
# The whole-form fill on a headless KWin with no X display: `formix --trigger fill` (what a
# custom shortcut runs on KDE Plasma) fills the page in chromium running on Wayland itself
# (--ozone-platform=wayland), then in firefox-esr (MOZ_ENABLE_WAYLAND=1), with Formix's
# extension and the relay registered in a scratch home; with another program in front (a native
# Qt window) nothing is filled; a click on the bar's fill button, which takes no focus there,
# fills the page too. Formix learns the window in front from its KWin script; the page reports
# every value its own script sees to the 127.0.0.1 server that served it, whose log the checks
# read.
#
#   tests/wayland/kwin_fill_run.sh BUILD_DIR
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$here/kwin_session.sh"
source "$here/fill_common.sh"
build=$(realpath "${1:?build folder}")
fill_session

fill_app
keys="$build/tests/wayland/wayland_keys"
grant_fake_input formix-kwin "$app/formix"
grant_fake_input formix-test-keys "$keys"
start_kwin "$work" || { echo "FAIL: the headless KWin did not start"; exit 1; }
use_kde_portal
serve_form || { echo "FAIL: no free port for the form"; exit 1; }

# Drawn without a frame of its own (the headless KWin draws none either): the bar's window is its
# area, and a click lands where the test means it to.
QT_WAYLAND_DISABLE_WINDOWDECORATION=1 "$app/formix" >"$work/formix.log" 2>&1 &
formix_pid=$!
started_pids+=("$formix_pid")
wait_until 15 kwin_window_added '^Formix$' && wait_until 10 bus_name_owned org.formix.Formix1
check "formix: runs on KWin and takes triggers" kill -0 "$formix_pid"
check "formix: the portal gave its gestures the desktop's shortcuts" wait_until 30 \
  grep -q "Meta+Alt+F runs the whole-form fill, Meta+Alt+M runs the menu" "$work/formix.log"
trigger_fill() { "$app/formix" --trigger fill >>"$work/trigger.log" 2>&1; }

page_title="^新規会員登録.*$(title_of chromium)"
start_browser chromium "$(page_url chromium)"
if ! wait_until 60 kwin_focus_on "$page_title" || ! wait_until 30 relays_at_least 1; then
  check "chromium: opens the page on Wayland with the extension connected" false
  tail -n 5 "$work/chromium.log"
  exit 1
fi
sleep 1  # the page has loaded; a person looks before pressing the key

# Another program in front (the test's Qt window): the browser says it has lost the focus, and
# nothing is filled.
QT_QPA_PLATFORM=wayland "$build/tests/linux/formix_recorder" Elsewhere >"$work/recorder.log" 2>&1 &
recorder_pid=$!
started_pids+=("$recorder_pid")
if wait_until 30 kwin_focus_on '^Elsewhere$'; then
  sleep 0.5
  m=$(log_mark)
  check "another program in front: the trigger is delivered" trigger_fill
  sleep 2
  check "another program in front: the page is not filled" unfilled "$m" chromium
else
  check "the other program takes the focus" false
fi
kill "$recorder_pid" 2>/dev/null
wait "$recorder_pid" 2>/dev/null

# The browser in front again: its page is filled, and it keeps the focus.
kwin_activate "$page_title"
if wait_until 10 kwin_focus_on "$page_title"; then
  sleep 0.5
  m=$(log_mark)
  check "chromium: the trigger is delivered" trigger_fill
  check_filled chromium chromium "$m"
  check "chromium: keeps the focus" kwin_focus_on "$page_title"

  # The desktop's shortcut for the fill, as a person presses it, on the page loaded afresh.
  "$keys" ctrl+shift+r
  sleep 2
  m=$(log_mark)
  "$keys" Super_L+alt+f
  check "the fill's shortcut: the family name reaches the page" sees chromium sei "$m" 山田
  check "the fill's shortcut: the telephone" sees chromium tel3 "$m" 5678

  # The page loaded afresh, then the bar's fill button clicked: it lies at the bar's left edge,
  # 360 to 378 pixels down.
  "$keys" ctrl+shift+r
  sleep 2
  IFS=$'\t' read -r _ _ bar_x bar_y _ < <(kwin_window_added '^Formix$' | head -n 1)
  m=$(log_mark)
  "$keys" "click:$((bar_x + 22)),$((bar_y + 369))"
  check "bar's fill button: the family name reaches the page" sees chromium sei "$m" 山田
  check "bar's fill button: the telephone" sees chromium tel3 "$m" 5678
  check "bar's fill button: the browser keeps the focus" kwin_focus_on "$page_title"
else
  check "chromium: takes the focus back" false
fi
stop_browsers

# firefox-esr on Wayland there too.
start_browser firefox "$(page_url firefox)"
if wait_until 60 kwin_focus_on "^新規会員登録.*$(title_of firefox)" && wait_until 30 relays_at_least 1; then
  sleep 1
  m=$(log_mark)
  check "firefox: the trigger is delivered" trigger_fill
  check_filled firefox firefox "$m"
  check "firefox: keeps the focus" kwin_focus_on "$(title_of firefox)"
else
  check "firefox: opens the page on Wayland with the extension connected" false
  tail -n 5 "$work/firefox.log"
fi
stop_browsers

check "formix runs on" kill -0 "$formix_pid"
grep -v '^formix: on KDE Plasma the gestures' "$work/formix.log" | head -n 20
echo "($((SECONDS - started)) s)"
checks_summary

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
build=$(cd "${1:?build folder}" && pwd)
shift
browsers=(chromium firefox)
[ $# -gt 0 ] && browsers=("$@")
work=$(mktemp -d)
started=$SECONDS
scratch_session "$work"
# The browsers run in process groups of their own: every helper process ends with them.
browser_groups=()
stop_browsers() {
  local group
  for group in "${browser_groups[@]}"; do kill -- "-$group" 2>/dev/null || true; done
  for group in "${browser_groups[@]}"; do
    wait_until 5 sh -c "! kill -0 -- -$group" || kill -KILL -- "-$group" 2>/dev/null || true
    wait "$group" 2>/dev/null || true
  done
  browser_groups=()
}
trap 'status=$?; stop_browsers; (exit $status); end_session' EXIT
export LANG=C.UTF-8
SWAY_EXTRA_CONFIG='for_window [title="^Formix"] floating enable, sticky enable
no_focus [title="^Formix"]'
start_sway "$work" || { echo "FAIL: the headless sway did not start"; exit 1; }

app="$work/app"
mkdir -p "$app"
cp "$build/bin/formix" "$build/bin/formix-bridge" "$app/"
cp "$root/examples/sample.ini" "$app/$(id -un).ini"
"$app/formix" --install-browser-integration >"$work/install.log"

# The test's own form, served from 127.0.0.1 only; the page reports what its script sees.
pages="$root/tests/linux/pages"
for _ in $(seq 20); do
  port=$((20000 + RANDOM % 20000))
  python3 -m http.server "$port" --bind 127.0.0.1 --directory "$pages" >"$work/http.log" 2>&1 &
  server=$!
  sleep 0.5
  if kill -0 "$server" 2>/dev/null; then started_pids+=("$server"); break; fi
done
page_url() { echo "http://127.0.0.1:$port/signup.html?page=$1"; }
seen() { python3 "$root/tests/linux/page_seen.py" "$work/http.log" "$@"; }  # PAGE FIELD MARK
sees() {  # PAGE FIELD MARK VALUE: the page's own script saw VALUE (waits up to 10 s)
  wait_until 10 sh -c '[ "$(python3 "$0" "$1" "$2" "$3" "$4")" = "$5" ]' "$root/tests/linux/page_seen.py" \
    "$work/http.log" "$@"
}
log_mark() { wc -l <"$work/http.log"; }

"$app/formix" >"$work/formix.log" 2>&1 &
started_pids+=($!)
formix_pid=$!
wait_until 15 window_shown '^Formix' &&
  wait_until 10 dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetNameOwner \
    string:org.formix.Formix1
check "formix: runs on sway and takes triggers" kill -0 "$formix_pid"

start_browser() {  # NAME URL: in a process group of its own, on Wayland itself
  case $1 in
    chromium)
      setsid chromium --ozone-platform=wayland --no-sandbox --disable-gpu --no-first-run --no-default-browser-check \
        --disable-background-networking --disable-component-update --disable-features=Translate --disable-sync \
        --password-store=basic --user-data-dir="$HOME/.config/chromium" --load-extension="$root/bridge/extension" \
        "$2" >>"$work/chromium.log" 2>&1 &
      ;;
    firefox)
      # A scratch profile that takes the unsigned extension from its extensions folder.
      local profile="$work/firefox-profile"
      mkdir -p "$profile/extensions"
      (cd "$root/bridge/extension/firefox" && zip -q -r "$profile/extensions/bridge@formix.xpi" .)
      cat >"$profile/user.js" <<'PREFS'
user_pref("xpinstall.signatures.required", false);
user_pref("extensions.autoDisableScopes", 0);
user_pref("extensions.enabledScopes", 15);
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.aboutwelcome.enabled", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("app.update.disabledForTesting", true);
user_pref("browser.sessionstore.resume_from_crash", false);
PREFS
      MOZ_ENABLE_WAYLAND=1 setsid firefox-esr --profile "$profile" "$2" >>"$work/firefox.log" 2>&1 &
      ;;
  esac
  browser_groups+=($!)
}

# Each browser's window, by its title's end, and its page (named after the browser).
title_of() { case $1 in chromium) echo ' - Chromium$' ;; firefox) echo ' — Mozilla Firefox$' ;; esac; }
app_of() { case $1 in chromium) echo chromium ;; firefox) echo firefox-esr ;; esac; }
trigger_fill() { "$app/formix" --trigger fill >>"$work/trigger.log" 2>&1; }
# Both browsers open at once, each with the extension connected: the fill must pick the one in front.
open=()
for browser in "${browsers[@]}"; do
  start_browser "$browser" "$(page_url "$browser")"
  if wait_until 60 focus_on "^新規会員登録.*$(title_of "$browser")" &&
    wait_until 30 sh -c "[ \$(pgrep -f '^$app/formix-bridge' | wc -l) -ge $((${#open[@]} + 1)) ]"; then
    open+=("$browser")
  else
    check "$browser: opens the page on Wayland with the extension connected" false
    tail -n 5 "$work/$browser.log"
  fi
done
sleep 1  # the pages have loaded; a person looks before pressing the key
unfilled() {  # MARK: no page saw a family name since MARK
  local b
  for b in "${open[@]}"; do [ -z "$(seen "$b" sei "$1")" ] || return 1; done
}

# Another program in front (a terminal): every browser says it has lost the focus, nothing is filled.
foot --title=elsewhere --app-id=foot -- sh -c 'sleep 60' >>"$work/foot.log" 2>&1 &
foot_pid=$!
started_pids+=("$foot_pid")
if wait_until 10 focus_on '^elsewhere$'; then
  m=$(log_mark)
  check "a terminal in front: the trigger is delivered" trigger_fill
  sleep 2
  check "a terminal in front: no page is filled" unfilled "$m"
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
  check "$browser: the family name reaches the page's own state" sees "$page" sei "$m" 山田
  check "$browser: the given name" sees "$page" mei "$m" 太郎
  check "$browser: the mail address" sees "$page" mail "$m" taro.yamada@example.co.jp
  check "$browser: the postal code in two boxes" sees "$page" zip2 "$m" 0001
  check "$browser: the prefecture list" sees "$page" pref "$m" 13
  check "$browser: the gender button" sees "$page" sex "$m" 1
  check "$browser: the telephone" sees "$page" tel3 "$m" 5678
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

#!/usr/bin/env bash
# Formix.exe's browser bridge under Wine, end to end: the registration with the browsers, the named
# pipe, formix-bridge.exe started as Chrome starts it, and whole-form fills of a stand-in browser's
# page by the Windows key and by the fill button.
#
#   tests/wine/bridge_e2e.sh FOLDER TOOL
#
# FOLDER holds Formix.exe, FmxHook.dll, formix-bridge.exe and browser_stub.exe; TOOL is
# formix-tool, which writes the settings file the program starts from. browser_stub.exe plays the
# browser and its extension (two windows, one page of facts); clicks come from xdotool. The prefix
# is fresh and Japanese, as for the other Wine tests.
set -euo pipefail
[ -n "${FORMIX_E2E_TRACE:-}" ] && set -x

here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_prefix.sh"

if [ "${1:-}" != "--in-display" ]; then
  bin=$(cd "${1:?folder with Formix.exe, formix-bridge.exe and browser_stub.exe}" && pwd)
  tool=$(realpath "${2:?formix-tool}")
  fresh_wine_prefix
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" --in-display "$bin" "$tool" "$work"
  end_wine_session
  echo "bridge tests under Wine took $((SECONDS - started))s"
  exit 0
fi

# --- Inside the display ---
bin=$2
tool=$3
work=$4
app="$work/app"
mkdir -p "$app"
openbox >"$work/openbox.log" 2>&1 &
openbox_pid=$!
cp "$bin/Formix.exe" "$bin/FmxHook.dll" "$bin/formix-bridge.exe" "$bin/browser_stub.exe" "$app/"

failures=0
checks=0
formix_pid=""
stub_pid=""

dump_logs() {
  echo "--- stand-in browser:"; tail -n 40 "$work/stub.out" 2>/dev/null || true
  echo "--- its errors (the relay's too):"; tail -n 20 "$work/stub.err" 2>/dev/null || true
  echo "--- Formix.exe:"; tail -n 20 "$work/formix.out" 2>/dev/null || true
}
fail() { { echo "FAIL: $*"; dump_logs; } >&2; kill $formix_pid $stub_pid $openbox_pid 2>/dev/null || true; exit 1; }
check() {  # DESCRIPTION, then a command that must succeed
  local what=$1; shift
  checks=$((checks + 1))
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
winpath() { winepath -w "$1" 2>/dev/null; }

# ---- Registration: manifests beside the program, keys under HKCU ----
(cd "$app" && wine ./Formix.exe --install-browser-integration) >"$work/install.out" 2>&1 || true
manifest=$(winpath "$app/formix.bridge.json")
firefox_manifest=$(winpath "$app/formix.bridge.firefox.json")
relay=$(winpath "$app/formix-bridge.exe")
key_value() {  # KEY: the default value of HKCU\KEY, as `reg query` prints it
  wine reg query "HKCU\\$1" /ve 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ[[:space:]]*//p'
}
keys_point_to() {  # CHROMIUM-MANIFEST FIREFOX-MANIFEST
  [ "$(key_value 'Software\Google\Chrome\NativeMessagingHosts\formix.bridge')" = "$1" ] &&
    [ "$(key_value 'Software\Chromium\NativeMessagingHosts\formix.bridge')" = "$1" ] &&
    [ "$(key_value 'Software\Microsoft\Edge\NativeMessagingHosts\formix.bridge')" = "$1" ] &&
    [ "$(key_value 'Software\Mozilla\NativeMessagingHosts\formix.bridge')" = "$2" ]
}
manifest_names() {  # FILE RELAY-PATH KEY VALUE
  python3 - "$@" <<'EOF'
import json, sys
m = json.load(open(sys.argv[1], encoding="utf-8"))
sys.exit(0 if m["name"] == "formix.bridge" and m["type"] == "stdio" and m["path"] == sys.argv[2]
         and m[sys.argv[3]] == [sys.argv[4]] else 1)
EOF
}
check "install: it says what it wrote, for each browser" \
  eval "[ \$(grep -c ': wrote ' '$work/install.out') -eq 6 ] && grep -q 'Microsoft Edge: wrote HKCU' '$work/install.out'"
check "install: the keys of Chrome, Chromium, Edge and Firefox name the manifests by absolute path" \
  keys_point_to "$manifest" "$firefox_manifest"
check "install: the Chromium family's manifest names the relay and allows the extension's origin" \
  manifest_names "$app/formix.bridge.json" "$relay" allowed_origins "chrome-extension://kpcajhppambjomnbnjdmeahmglfjkmnf/"
check "install: Firefox's manifest allows the add-on" \
  manifest_names "$app/formix.bridge.firefox.json" "$relay" allowed_extensions "bridge@formix"

(cd "$app" && wine ./Formix.exe --uninstall-browser-integration) >"$work/uninstall.out" 2>&1 || true
no_keys() {
  for k in 'Google\Chrome' 'Chromium' 'Microsoft\Edge' 'Mozilla'; do
    wine reg query "HKCU\\Software\\$k\\NativeMessagingHosts\\formix.bridge" /ve >/dev/null 2>&1 && return 1
  done
  return 0
}
check "uninstall: every key is gone" no_keys
check "uninstall: ... and both manifests" eval "[ ! -e '$app/formix.bridge.json' ] && [ ! -e '$app/formix.bridge.firefox.json' ]"
check "uninstall: it says what it removed" eval "[ \$(grep -c ': removed HKCU' '$work/uninstall.out') -eq 4 ]"

# A folder other users may change: the browsers must not start its relay, so nothing is registered.
shared="$work/shared"
mkdir -p "$shared" && chmod 0777 "$shared"
cp "$bin/Formix.exe" "$bin/formix-bridge.exe" "$shared/"
status=0
(cd "$shared" && wine ./Formix.exe --install-browser-integration) >"$work/shared-install.out" 2>&1 || status=$?
check "install from a folder others may change: refused, with a failure status" test "$status" -ne 0
check "... in one line that says why" \
  eval "[ \$(grep -c . '$work/shared-install.out') -eq 1 ] && grep -q '^refused: other users may change .*--install-browser-integration again' '$work/shared-install.out'"
check "... writing no key and no manifest" eval "no_keys && [ ! -e '$shared/formix.bridge.json' ]"

# Registered from another folder, then moved here: the start rewrites the registration.
old="$work/old"
mkdir -p "$old"
cp "$bin/Formix.exe" "$old/"
(cd "$old" && wine ./Formix.exe --install-browser-integration) >/dev/null 2>&1 || true
rm -rf "$old"

# ---- The settings: the sample profile, the Windows key filling the whole form (key mode 2) ----
user=$(wine cmd /c echo %USERNAME% 2>/dev/null | tr -d '\r')
[ -n "$user" ] || fail "no user name"
"$tool" settings dump "$here/../../examples/sample.ini" | "$tool" settings write "$app/$user.ini"
grep -q $'^Win_Key=2\r$' "$app/$user.ini" || fail "the sample settings do not choose key mode 2"

# ---- The stand-in browser and Formix ----
mkfifo "$work/stub.in"
wine "$app/browser_stub.exe" "$relay" <"$work/stub.in" >"$work/stub.out" 2>"$work/stub.err" &
stub_pid=$!
exec 3>"$work/stub.in"
mark() { wc -l <"$work/stub.out"; }
wait_for() {  # MARK PATTERN [SECONDS]: a stand-in line after MARK matches PATTERN
  local deadline=$((SECONDS + ${3:-30}))
  until tail -n +"$(($1 + 1))" "$work/stub.out" 2>/dev/null | grep -qE "$2"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.05
  done
}
tell() {  # COMMAND PATTERN: sends a command and waits for the answer
  local m; m=$(mark)
  printf '%s\n' "$1" >&3
  wait_for "$m" "$2" || fail "the stand-in never answered '$1' with /$2/"
}
since() { tail -n +"$(($1 + 1))" "$work/stub.out"; }
wait_for 0 '^ready$' || fail "the stand-in browser did not start"

start_formix() {
  (cd "$app" && exec wine ./Formix.exe) >"$work/formix.out" 2>&1 &
  formix_pid=$!
}
stop_formix() {
  wine "$app/browser_stub.exe" --close-formix >/dev/null 2>&1 || true
  local deadline=$((SECONDS + 30))
  while kill -0 "$formix_pid" 2>/dev/null; do [ $SECONDS -lt $deadline ] || return 1; sleep 0.1; done
  wait "$formix_pid" 2>/dev/null || true
}

m=$(mark)
tell start '^relay started'
start_formix
check "start: the relay started through cmd.exe reaches Formix and is welcomed" wait_for "$m" '^welcome$' 60
check "start: a registration made from another folder is rewritten for this one" keys_point_to "$manifest" "$firefox_manifest"
check "start: ... and says so" grep -q 'browser integration: Microsoft Edge: wrote' "$work/formix.out"

# ---- A whole-form fill by the Windows key: only the front window, all its controls ----
fill_by_key() {  # A|B: that window in front, message 1284 posted to it; waits for the fill's end
  tell "front $1" "^front $1"
  sleep 0.5
  local m; m=$(mark)
  tell post1284 '^posted 1284'
  wait_for "$m" '^(filled|relay ended)' 30 || true
  sleep 0.5
  since "$m" >"$work/last.out"
}
fill_by_key A
check "key mode 2: the front window's page is collected" grep -q '^collect window=1$' "$work/last.out"
check "key mode 2: the family name is filled" grep -q '^fill window=1 control=0 value=山田$' "$work/last.out"
check "key mode 2: the given name is filled" grep -q '^fill window=1 control=1 value=太郎$' "$work/last.out"
check "key mode 2: the mail address is filled" grep -qE '^fill window=1 control=2 value=.+@.+' "$work/last.out"
check "key mode 2: the browser window never saw the Windows key's message" eval "! grep -q '^message 1284' '$work/last.out'"
# From the Windows key's message posted to the browser window to the browser's last fill applied,
# on the stand-in's clock (a figure, not a check).
posted=$(grep -o '^posted 1284 t=[0-9]*' "$work/last.out" | sed 's/.*t=//' || true)
done_at=$(grep -o '^filled [0-9]* t=[0-9]*' "$work/last.out" | sed 's/.*t=//' || true)
[ -n "$posted" ] && [ -n "$done_at" ] && echo "measure: trigger to filled page under Wine: $((done_at - posted)) ms"

fill_by_key B
check "two windows: with B in front only B is collected" eval "grep -q '^collect window=2$' '$work/last.out' && ! grep -q 'window=1' '$work/last.out'"
check "two windows: ... and only B is filled" eval "grep -q '^fill window=2 control=0 value=山田$' '$work/last.out'"

# ---- The fill button (cmdPOST): the window behind the bar ----
tell "front A" '^front A'
sleep 0.5
read -r bx by <<<"$(tell button '^button' && grep '^button' "$work/stub.out" | tail -n 1 | sed 's/^button //')"
[ -n "$bx" ] && [ "$bx" != none ] || fail "the fill button was not found"
m=$(mark)
xdotool mousemove "$bx" "$by" click 1
wait_for "$m" '^filled' 30 || true
sleep 0.5
check "cmdPOST: the window behind the bar is filled" eval "since $m | grep -q '^fill window=1 control=0 value=山田$'"

# ---- The relay killed mid-fill: nothing changes, and the next fill works ----
tell kill-on-collect '^armed'
fill_by_key A
check "relay killed mid-fill: the page was being collected" grep -q '^collect window=1$' "$work/last.out"
check "relay killed mid-fill: nothing is filled" eval "! grep -q '^fill ' '$work/last.out'"
m=$(mark)
wait_for "$m" '^welcome$' 30 || true
fill_by_key A
check "relay killed mid-fill: the next fill (through a new relay) works" grep -q '^fill window=1 control=0 value=山田$' "$work/last.out"

# ---- Firefox's way: the relay started directly, with the manifest's path and the add-on's id ----
tell stop '^relay ended'
m=$(mark)
tell "start-firefox $firefox_manifest" '^relay started'
check "Firefox's start: the relay takes the manifest's path and the add-on's id, and is welcomed" \
  wait_for "$m" '^welcome$' 30
fill_by_key A
check "Firefox's start: a fill goes through that relay" grep -q '^fill window=1 control=0 value=山田$' "$work/last.out"
tell stop '^relay ended'

# ---- A wrong origin: the relay refuses before it connects ----
m=$(mark)
tell "start-origin chrome-extension://aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa/" '^relay started'
check "wrong origin: the relay refuses (exit 2) and Formix never hears of it" \
  eval "wait_for $m '^relay ended status=2$' 30 && ! since $m | grep -q '^welcome'"
check "wrong origin: ... saying why" grep -q "only Formix's browser extension may start this program" "$work/stub.err"

# ---- Another program holds the pipe's name first ----
stop_formix || fail "Formix did not end"
# Meanwhile another copy, still in its folder, was registered: the start leaves it registered.
other_copy="$work/other-copy"
mkdir -p "$other_copy"
cp "$bin/Formix.exe" "$bin/formix-bridge.exe" "$other_copy/"
(cd "$other_copy" && wine ./Formix.exe --install-browser-integration) >/dev/null 2>&1 || true
other_manifests=("$(winpath "$other_copy/formix.bridge.json")" "$(winpath "$other_copy/formix.bridge.firefox.json")")
tell squat '^squatting'
start_formix
deadline=$((SECONDS + 60))
until grep -q 'browser bridge unavailable' "$work/formix.out" 2>/dev/null; do [ $SECONDS -lt $deadline ] || break; sleep 0.2; done
check "another copy registered: the start changes nothing" keys_point_to "${other_manifests[@]}"
check "... and says so once, naming --install-browser-integration" \
  eval "[ \$(grep -c \"another copy's relay\" '$work/formix.out') -eq 1 ] && grep -q \"another copy's relay, .*other-copy.*formix-bridge.exe; nothing changed (run Formix.exe --install-browser-integration\" '$work/formix.out'"
check "squatted pipe: Formix.exe refuses to serve on it and says so" \
  grep -q 'browser bridge unavailable: another program holds the pipe name' "$work/formix.out"
# The relay meets the squatter, which sends a message above the browsers' 1 MB.
before=$(tell received '^received' && grep '^received' "$work/stub.out" | tail -n 1 | sed 's/^received //')
m=$(mark)
tell start '^relay started'
check "over 1 MB: the relay ends at the message's length (exit 1)" \
  eval "wait_for $m '^sent big$' 30 && wait_for $m '^relay ended status=1$' 30"
tell stop '^'
after=$(tell received '^received' && grep '^received' "$work/stub.out" | tail -n 1 | sed 's/^received //')
check "over 1 MB: ... having written nothing of it to the browser" test "$before" = "$after"
echo "note: Wine runs every program as one user, so a pipe server of another user cannot be shown here"

# ---- No extension connected: said once when a browser's window is in front, not otherwise ----
# (Formix serves no pipe now, so no browser is connected.)
tell "front A" '^front A'
sleep 0.5
tell post1284 '^posted 1284'
sleep 3
check "no extension: a program that is no known browser in front gets no notice" \
  eval "tell dialog '^dialog' && grep '^dialog' '$work/stub.out' | tail -n 1 | grep -q '^dialog none$'"
cp "$app/browser_stub.exe" "$app/chrome.exe"
mkfifo "$work/chrome.in"
wine "$app/chrome.exe" "$relay" <"$work/chrome.in" >"$work/chrome.out" 2>/dev/null &
chrome_pid=$!
exec 4>"$work/chrome.in"
chrome_says() {  # PATTERN: a line of the second browser
  local deadline=$((SECONDS + 20))
  until grep -qE "$1" "$work/chrome.out" 2>/dev/null; do [ $SECONDS -lt $deadline ] || return 1; sleep 0.1; done
}
chrome_says '^ready$' || fail "the second stand-in (chrome.exe) did not start"
printf 'front A\n' >&4
chrome_says '^front A' || true
sleep 0.5
printf 'post1284\n' >&4
notice_shown() {
  local deadline=$((SECONDS + 15))
  while [ $SECONDS -lt $deadline ]; do
    printf 'dialog\n' >&4
    sleep 0.5
    grep -q '^dialog text=ブラウザー拡張機能が接続されていません。' "$work/chrome.out" && return 0
  done
  return 1
}
check "no extension: with chrome.exe in front, a fill says the extension is not connected" notice_shown
check "... and that another copy is registered, naming --install-browser-integration" \
  grep -q '^dialog text=ブラウザー拡張機能が接続されていません。\\nブラウザーには別の場所の Formix が登録されています。.*--install-browser-integration' "$work/chrome.out"
printf 'dismiss\nquit\n' >&4
exec 4>&-
wait "$chrome_pid" 2>/dev/null || true

tell unsquat '^unsquatted'
stop_formix || true
printf 'quit\n' >&3
wait "$stub_pid" 2>/dev/null || true
exec 3>&-
end_wine_session
kill "$openbox_pid" 2>/dev/null || true
echo "Formix.exe's browser bridge under Wine: $((checks - failures)) passed, $failures failed"
[ $failures -eq 0 ] || { dump_logs; exit 1; }

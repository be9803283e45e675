#!/usr/bin/env bash
# formix fills a page in Debian's chromium through the browser bridge: the extension loaded with
# --load-extension, the relay registered by `formix --install-browser-integration` in a scratch
# home folder, pages served from 127.0.0.1. The page reports every value its own script sees
# (through input and change events) to the server, whose log the checks read.
#
#   tests/linux/browser_run.sh BUILD_DIR
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$here/desktop_session.sh"
source "$here/formix_ui.sh"
build=$(cd "${1:?build folder}" && pwd)
work=$(mktemp -d)
started=$SECONDS
scratch_session "$work"
start_desktop "$work" || exit 1


app="$work/app"
mkdir -p "$app"
cp "$build/bin/formix" "$build/bin/libfmxhook.so" "$build/bin/formix-bridge" "$app/"
cp "$root/examples/sample.ini" "$app/$(id -un).ini"  # Windows key: whole-form fill (key mode 2)
"$app/formix" --install-browser-integration >"$work/install.log"
check "the integration registers the relay with chromium" \
  grep -qF "Chromium: wrote $HOME/.config/chromium/NativeMessagingHosts/formix.bridge.json" "$work/install.log"

# The page server, on a free port of 127.0.0.1 only.
start_page_server "$here/pages"
page_url() { echo "http://127.0.0.1:$port/signup.html?page=$1"; }
seen() { python3 "$here/page_seen.py" "$work/http.log" "$@"; }  # PAGE FIELD MARK: its last value
log_mark() { wc -l <"$work/http.log"; }
sees() {  # PAGE FIELD MARK VALUE: the page's own script saw VALUE (waits up to 5 s)
  wait_until 5 sh -c '[ "$(python3 "$0" "$1" "$2" "$3" "$4")" = "$5" ]' "$here/page_seen.py" "$work/http.log" "$@"
}

"$app/formix" >"$work/formix.log" 2>&1 &
formix_pid=$!
started_pids+=("$formix_pid")
wait_until 10 sh -c "xdotool search --onlyvisible --name '^Formix \$'"

flags=(--no-sandbox --no-first-run --no-default-browser-check --disable-background-networking
       --disable-component-update --disable-features=Translate --disable-sync --password-store=basic
       --disable-gpu --user-data-dir="$HOME/.config/chromium" --load-extension="$root/bridge/extension")
chromium "${flags[@]}" "$(page_url one)" >"$work/chromium.log" 2>&1 &
started_pids+=($!)
wait_until 30 sh -c "xdotool search --onlyvisible --name '新規会員登録'"
wait_until 20 pgrep -f "$app/formix-bridge"
browser=$(xdotool search --onlyvisible --name '新規会員登録' | head -n 1)

# The user types a search word first (the page puts the caret there): the engine writes nothing
# there.
xdotool windowactivate --sync "$browser"
sleep 0.5
xdotool type --delay 50 'sale'
check "the user's search word reached the page" sees one q 0 sale
m=$(log_mark)
xdotool key super
check "Windows key: the family name reaches the page's own state" sees one sei "$m" 山田
check "Windows key: the given name" sees one mei "$m" 太郎
check "Windows key: the mail address" sees one mail "$m" taro.yamada@example.co.jp
check "Windows key: the postal code in two boxes" sees one zip2 "$m" 0001
check "Windows key: the prefecture list" sees one pref "$m" 13
check "Windows key: the gender button" sees one sex "$m" 1
check "Windows key: the telephone" sees one tel3 "$m" 5678
check "Windows key: the search word the user typed stays" test "$(seen one q 0)" = sale
# The page hears of no blur or focus of its window between the key and the last value written.
no_window_event_before_fill() {  # PAGE MARK
  tail -n +"$(($2 + 1))" "$work/http.log" | grep -F "/seen?page=$1&" |
    awk '/field=window&/ && !w {w = NR} /field=(sei|mei|mail|zip2|pref|sex|tel3)&/ {f = NR} END {exit !(f > 0 && (w == 0 || w > f))}'
}
sleep 0.5
check "Windows key: the browser keeps the focus until the page is filled (no blur, no focus)" \
  no_window_event_before_fill one "$m"
check "formix runs on" kill -0 "$formix_pid"

# cmdPOST on the bar fills the page again after a reload.
xdotool windowactivate --sync "$browser" key F5
sleep 2
m=$(log_mark)
click_form 330 5535  # cmdPOST
check "cmdPOST: the page in front is filled" sees one sei "$m" 山田

# Two browser windows: only the one in front is filled.
chromium "${flags[@]}" --new-window "$(page_url two)" >>"$work/chromium.log" 2>&1 &
wait_until 20 sh -c "[ \$(xdotool search --onlyvisible --name '新規会員登録' | wc -l) -ge 2 ]"
sleep 1
m=$(log_mark)
xdotool key super
check "two windows: the front one is filled" sees two sei "$m" 山田
sleep 1
check "two windows: the one behind is not" test -z "$(seen one sei "$m")"

echo "browser fill test took $((SECONDS - started))s"
checks_summary

#!/usr/bin/env bash
# End-to-end tests of Formix.exe under Wine, on a virtual X display, as a user meets it.
#
#   tests/wine/formix_e2e.sh FOLDER TOOL
#
# FOLDER holds Formix.exe, FmxHook.dll, desktop_probe.exe, shellwindows_stub.exe, text_tests.exe
# (the text layer's tests, cross-built) and trust_tests.exe; TOOL is formix-tool, which writes
# the settings files the program starts from and reads back what it saved. desktop_probe.exe is
# "another program" (an editor window Formix types into) and the test's eyes on the screen; mouse
# clicks and keys come from xdotool through the X server. The prefix is fresh and Japanese
# (LANG=ja_JP.UTF-8: code page 932 and a Japanese UI font), as the program's users have it.
set -euo pipefail
[ -n "${FORMIX_E2E_TRACE:-}" ] && set -x

here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_prefix.sh"

if [ "${1:-}" != "--in-display" ]; then
  bin=$(cd "${1:?folder with Formix.exe, FmxHook.dll and desktop_probe.exe}" && pwd)
  tool=$(realpath "${2:?formix-tool}")
  fresh_wine_prefix
  # The text layer's own tests, against the converter of code page 932 that Formix.exe uses.
  env -u DISPLAY wine "$bin/text_tests.exe" --gtest_brief=1 >"$work/text_tests.log" 2>&1 ||
    { cat "$work/text_tests.log"; echo "FAIL: the text layer's tests with the Windows converter"; exit 1; }
  echo "ok   the text layer's tests pass with code page 932 from WideCharToMultiByte/MultiByteToWideChar"
  # The rules of trust: settings folder, save, programs. A folder every user may write to:
  mkdir -p "$work/shared" && chmod 0777 "$work/shared"
  FORMIX_SHARED_FOLDER=$(env -u DISPLAY winepath -w "$work/shared" 2>/dev/null) \
    env -u DISPLAY wine "$bin/trust_tests.exe" --gtest_brief=1 >"$work/trust_tests.log" 2>&1 ||
    { cat "$work/trust_tests.log"; echo "FAIL: Formix.exe's rules of trust"; exit 1; }
  echo "ok   the settings folder, the save's temporary file and program starts follow Formix.exe's rules of trust"
  end_wine_session  # the programs with windows start a session of their own, with the display
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" --in-display "$bin" "$tool" "$work"
  end_wine_session
  echo "Formix.exe end-to-end tests took $((SECONDS - started))s"
  exit 0
fi

# --- Inside the display ---
bin=$2
tool=$3
work=$4
app="$work/app"
mkdir -p "$app"
# A window manager gives the keyboard to the window in front, as on a real desktop.
openbox >"$work/openbox.log" 2>&1 &
openbox_pid=$!
# A notification area (an XEmbed tray) for Formix's icon.
trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 --transparent false \
  >"$work/trayer.log" 2>&1 &
trayer_pid=$!
cp "$bin/Formix.exe" "$bin/FmxHook.dll" "$bin/desktop_probe.exe" "$bin/shellwindows_stub.exe" "$app/"

failures=0
checks=0
formix_pid=""
probe_pid=""

dump_logs() {
  echo "--- probe output:"; tail -n 40 "$work/probe.out" 2>/dev/null || true
  echo "--- probe errors:"; tail -n 20 "$work/probe.err" 2>/dev/null || true
}
fail() { { echo "FAIL: $*"; dump_logs; } >&2; kill $formix_pid $probe_pid $openbox_pid $trayer_pid 2>/dev/null || true; exit 1; }
check() {  # DESCRIPTION, then a command that must succeed
  local what=$1; shift
  checks=$((checks + 1))
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

mark() { wc -l <"$work/probe.out"; }
wait_for() {  # MARK PATTERN [SECONDS]: a probe line after MARK matches PATTERN
  local deadline=$((SECONDS + ${3:-30}))
  until tail -n +"$(($1 + 1))" "$work/probe.out" 2>/dev/null | grep -qE "$2"; do
    [ $SECONDS -lt $deadline ] || fail "the probe never printed /$2/"
    sleep 0.05
  done
}
# Asks the probe and prints its answer (the lines after the command up to one matching PATTERN).
ask() {  # COMMAND PATTERN
  local m; m=$(mark)
  printf '%s\n' "$1" >&3
  wait_for "$m" "$2"
  tail -n +"$((m + 1))" "$work/probe.out"
}
answer() { ask "$1" "$2" | grep -E "$2" | head -n 1; }
printed_since() { tail -n +"$(($1 + 1))" "$work/probe.out" | grep -qE "$2"; }
not_printed_since() { ! printed_since "$@"; }

# Polls until COMMAND's answer matches PATTERN; false after SECONDS.
eventually() {  # SECONDS COMMAND ANSWER-PATTERN MATCH-PATTERN
  local deadline=$((SECONDS + $1))
  while [ $SECONDS -lt $deadline ]; do
    answer "$2" "$3" | grep -qE "$4" && return 0
    sleep 0.2
  done
  return 1
}

start_formix() {  # FOLDER
  (cd "$1" && exec wine ./Formix.exe) >"$work/formix.out" 2>&1 &
  formix_pid=$!
}
formix_window() { answer "window Formix " '^window '; }
wait_formix_shown() { eventually 30 "window Formix " '^window ' 'visible=1' || fail "Formix never showed its bar"; }
formix_ended() { ! kill -0 "$formix_pid" 2>/dev/null; }
wait_formix_ended() {
  local deadline=$((SECONDS + 30))
  until formix_ended; do [ $SECONDS -lt $deadline ] || return 1; sleep 0.1; done
  wait "$formix_pid" 2>/dev/null || true
}

# The child control of the bar with this class and text: its screen centre as "X Y".
control_centre() {  # CLASS TEXT-PATTERN [extra pattern]
  ask "controls Formix " '^controls end' | grep -E "^control class=$1 " | grep -E "text=$2\$" | grep -E "${3:-.}" | head -n 1 |
    sed -E 's/.* x=(-?[0-9]+) y=(-?[0-9]+) w=([0-9]+) h=([0-9]+) .*/\1 \2 \3 \4/' |
    awk '{ print $1 + int($3 / 2), $2 + int($4 / 2) }'
}
control_line() { ask "controls Formix " '^controls end' | grep -E "^control class=$1 " | grep -E "text=$2\$" | head -n 1; }
click_at() { xdotool mousemove "$2" "$3" click "$1"; }

# --- The other program: an editor at the left of the screen ---
mkfifo "$work/probe.in"
wine "$app/desktop_probe.exe" "Probe editor" 100 100 <"$work/probe.in" >"$work/probe.out" 2>"$work/probe.err" &
probe_pid=$!
exec 3>"$work/probe.in"
wait_for 0 '^ready$'
user=$(answer user '^user ' | sed 's/^user //')
[ -n "$user" ] && [ "$user" != none ] || fail "no user name"
echo "Wine user: $user"


# ---- Start-up from a settings file in the original format, under the Wine user's name ----
# The sample file, with Enter added after a phrase, one phrase whose text code page 932 lacks in
# part, and an empty Wait (it comes back as 50).
"$tool" settings dump "$here/../../examples/sample.ini" >"$work/sample.json"
sed -e 's/"Add_Key": "0"/"Add_Key": "2"/' -e 's/"M011": ""/"M011": "絵文字"/' \
    -e 's/"M012": ""/"M012": "髙橋さん😀ｶﾅ%R次の行"/' "$work/sample.json" >"$work/expected.json"
sed -e 's/"Wait": "50"/"Wait": ""/' "$work/expected.json" | "$tool" settings write "$app/$user.ini"
grep -q $'^Wait=\r$' "$app/$user.ini" || fail "the test's settings file has a Wait"

start_formix "$app"
wait_formix_shown
window=$(formix_window)
check "start-up: the bar is shown, always on top, as a tool window" grep -qE 'visible=1 topmost=1 tool=1' <<<"$window"
check "start-up: the bar stands where the file puts it (12600, 1200 twips) and is narrow" \
  grep -qE ' x=840 y=80 w=77 ' <<<"$window"
controls=$(ask "controls Formix " '^controls end')
has_control() { grep -qE "^control class=$1 checked=$2 .* text=$3\$" <<<"$controls"; }
check "start-up: page 1 is selected" has_control Button 1 '1'
check "start-up: page 1's phrase titles are on the bar" has_control Button 0 '挨拶'
check "start-up: mouse trigger 右ｸﾘｯｸ is chosen" has_control Button 1 '右ｸﾘｯｸ'
check "start-up: Windows key 一括入力 is chosen" has_control Button 1 '一括入力'
check "start-up: Enterｷｰ is added after a phrase" has_control Button 1 'Enterｷｰ'
check "start-up: the profile is restored" has_control Edit 0 '山田'
check "start-up: a phrase with characters outside code page 932 is restored whole" \
  grep -qF 'text=髙橋さん😀ｶﾅ%R次の行' <<<"$controls"

# A second start ends at once and silently; the first one runs on.
second_status=0
(cd "$app" && timeout 60 wine ./Formix.exe) >/dev/null 2>&1 || second_status=$?
check "a second start ends by itself, without an error" test "$second_status" -eq 0
check "a second start shows no message" grep -q '^dialog none' <<<"$(answer 'dialog Formix' '^dialog')"
check "a second start leaves the first bar as it was" grep -qE 'visible=1' <<<"$(formix_window)"

# ---- Typing: a phrase button pastes its text into the other program, then Enter ----
answer front '^front' >/dev/null
read -r bx by <<<"$(control_centre Button '挨拶')"
click_at 1 "$bx" "$by"
check "typing: the phrase button types its text and Enter into the other program" \
  eventually 15 text '^text ' '^text いつもお世話になっております。\\r\\n山田です。\\r\\n$'
answer clear '^cleared' >/dev/null
answer front '^front' >/dev/null
read -r bx by <<<"$(control_centre Button '絵文字')"
click_at 1 "$bx" "$by"
check "typing: characters code page 932 lacks arrive whole through the clipboard" \
  eventually 15 text '^text ' '^text 髙橋さん😀ｶﾅ\\r\\n次の行\\r\\n$'
answer clear '^cleared' >/dev/null

# ---- Triggers: mouse mode 3 takes a right click in another program and opens the popup ----
answer front '^front' >/dev/null
m=$(mark)
click_at 3 250 200
check "mouse mode 3: a right click in another program opens the popup menu" eventually 15 menus '^menus ' '^menus 1 '
check "mouse mode 3: the other program never sees the right click" not_printed_since "$m" '^(rbutton|contextmenu)'
# The first phrase item: below the page submenu and a separator (items of H pixels, separators of
# 9, 3 pixels of border; the menu holds 21 items and 3 separators).
read -r mx my mw mh <<<"$(answer menus '^menus ' | sed -E 's/^menus 1 x=(-?[0-9]+) y=(-?[0-9]+) w=([0-9]+) h=([0-9]+).*/\1 \2 \3 \4/')"
item=$(((mh - 6 - 27) / 21))
click_at 1 $((mx + mw / 2)) $((my + 3 + item + 9 + item / 2))
check "popup: choosing a phrase types it into the other program" \
  eventually 15 text '^text ' '^text いつもお世話になっております。\\r\\n山田です。\\r\\n$'
answer clear '^cleared' >/dev/null

# ---- Whole-form fill: key mode 2, message 1284, a stand-in ShellWindows ----
# The stand-in is a local COM server of our own; Wine's desktop process serves a ShellWindows of
# its own, so the collection's class is pointed at ours (TreatAs) for this prefix.
stub="$work/stub"
mkdir -p "$stub"
standin='{5A0F0F31-6C1B-4D3E-9A57-0F0D1E2C3B4A}'
wine reg add "HKCR\\CLSID\\$standin\\LocalServer32" /ve /f \
  /d "$(winepath -w "$app/shellwindows_stub.exe") $(winepath -w "$stub")" >/dev/null 2>&1
wine reg add 'HKCR\CLSID\{9BA05972-F6A8-11CF-A442-00A0C90A8F39}\TreatAs' /ve /d "$standin" /f >/dev/null 2>&1
hwnd=$(answer hwnd '^hwnd ' | sed 's/^hwnd //')
form() { printf '<FORM action=/entry method=post>お名前<INPUT type=text name=%s></FORM>' "$1"; }
filled() { grep -qF 'value="山田太郎"' "$stub/out-$1.html" 2>/dev/null; }
written() { test -e "$stub/out-$1.html"; }
# Brings the editor to the front and has it retrieve message 1284 (the Windows key); waits until
# the stand-in has logged PATTERN, then a moment for anything after it.
fill_gesture() {  # PATTERN
  rm -f "$stub"/out-*.html
  : >"$stub/log.txt"
  answer front '^front' >/dev/null
  local m; m=$(mark)
  answer post1284 '^posted 1284' >/dev/null
  local deadline=$((SECONDS + 30))
  until grep -qE "$1" "$stub/log.txt"; do [ $SECONDS -lt $deadline ] || break; sleep 0.1; done
  sleep 1
  not_printed_since "$m" '^message 1284$'
}
echo "$hwnd" >"$stub/browser"
printf '<P>frames</P>' >"$stub/top.html"
for k in $(seq 0 11); do form "f$k" >"$stub/frame$k.html"; done
check "key mode 2: the Windows key's message is taken from the other program" fill_gesture '^write frame9$'
first_ten_filled() { for k in 0 1 2 3 4 5 6 7 8 9; do filled "frame$k" || return 1; done; }
check "fill: a page of 12 frames fills frames 0 to 9" first_ten_filled
check "fill: frames 10 and 11 are left alone" eval '! written frame10 && ! written frame11'
check "fill: the top body of a page with frames is not written" eval '! written top'

rm -f "$stub"/frame*.html
form f0 >"$stub/frame0.html"
{ printf '<IFRAME src="/ad.html" width=200></IFRAME>'; form sei; } >"$stub/top.html"
fill_gesture '^write top$' || true
check "fill: a page with an inline frame fills its top body" filled top
check "fill: ... and only its top body" eval '! written frame0'
check "fill: the top body is written once" test "$(grep -c '^write' "$stub/log.txt")" -eq 1

echo $((hwnd + 4)) >"$stub/browser"  # the stand-in lists another window: the editor is no browser
fill_gesture '^enumerate$' || true
check "fill: a target that is no browser window changes nothing" bash -c "! grep -qE '^(read|write)' '$stub/log.txt'"
check "fill: the fill button is enabled again after a fill" \
  bash -c "grep -qE '^control class=Button checked=0 visible=1 enabled=1 .* w=44 h=18 text=\$' <<<'$(ask "controls Formix " '^controls end')'"

# ---- Side panel: the settings panel opens beside the bar, and a title typed there is kept ----
# The two toggles are the 22 x 18 buttons without a caption; chkSET is the upper one.
toggle_centre() {
  ask "controls Formix " '^controls end' | grep -E '^control class=Button .* w=22 h=18 text=$' |
    sed -E 's/.* x=(-?[0-9]+) y=(-?[0-9]+) w=([0-9]+) h=([0-9]+) .*/\2 \1 \3 \4/' | sort -n | head -n "$1" | tail -n 1 |
    awk '{ print $2 + int($3 / 2), $1 + int($4 / 2) }'
}
read -r sx sy <<<"$(toggle_centre 1)"
click_at 1 "$sx" "$sy"
check "settings panel: the bar widens and moves left by the panel's width" \
  eventually 10 "window Formix " '^window ' ' x=492 y=80 w=425 '
controls=$(ask "controls Formix " '^controls end')
check "settings panel: the phrase editors show the contents" grep -qE '^control class=Edit .*visible=1 .* text=%D$' <<<"$controls"
# The seventh title editor from the top (row 6, key M013).
title7=$(grep -E '^control class=Edit .* w=58 h=13 ' <<<"$controls" |
  sed -E 's/.* x=(-?[0-9]+) y=(-?[0-9]+) w=([0-9]+) h=([0-9]+) .*/\2 \1 \3 \4/' | sort -n | sed -n 7p |
  awk '{ print $2 + int($3 / 2), $1 + int($4 / 2) }')
read -r ex ey <<<"$title7"
click_at 1 "$ex" "$ey"
xdotool type --delay 50 'Hello7'
xdotool key BackSpace
read -r ox oy <<<"$(control_centre Button '無効')"  # mouse trigger off
click_at 1 "$ox" "$oy"
read -r sx sy <<<"$(toggle_centre 1)"  # the bar has moved with the panel
click_at 1 "$sx" "$sy"
check "settings panel: closing it narrows the bar back to its place" \
  eventually 10 "window Formix " '^window ' ' x=840 y=80 w=77 '
check "settings panel: a title typed in the editor becomes the phrase button's caption" \
  grep -qE '^control class=Button checked=0 visible=1 enabled=1 .* text=Hello$' <<<"$(ask "controls Formix " '^controls end')"
answer front '^front' >/dev/null
m=$(mark)
click_at 3 250 200
check "mouse option 無効: a right click reaches the other program again" eventually 10 menus '^menus ' '^menus 0$'
check "mouse option 無効: ... as its own context menu" eval 'wait_for "$m" "^contextmenu$" 10'

# ---- Tray: hide to the notification area and back through the icon's callback ----
# The notification area is trayer's, at the bottom right of the screen; Formix's icon is the only
# one there, so its 16 x 16 picture (blue #1F5FBF) sits at the right end.
icon_x=1011 icon_y=755
tray_icon_shown() {  # [COLOUR]: the normal picture, or the one of this colour
  import -window root png:- 2>/dev/null | convert png:- -crop 20x20+$((icon_x - 10))+$((icon_y - 10)) +repage \
    -format %c histogram:info:- | grep -qi "#${1:-1F5FBF}"
}
eventually_icon() {  # shown|gone|busy
  local deadline=$((SECONDS + 10))
  while [ $SECONDS -lt $deadline ]; do
    case $1 in
      shown) tray_icon_shown && return 0 ;;
      gone) tray_icon_shown || return 0 ;;
      busy) tray_icon_shown D0601A && return 0 ;;
    esac
    sleep 0.2
  done
  return 1
}
check "tray: no icon while the bar is shown" eventually_icon gone
read -r tx ty <<<"$(control_centre FormixPanel '' ' w=77 h=13 ')"
click_at 1 "$tx" "$ty"
check "tray: the tray button hides the bar" eventually 10 "window Formix " '^window ' 'visible=0'
check "tray: ... and puts its icon in the notification area" eventually_icon shown
# A fill while the bar is hidden: the icon shows the busy picture until the (slow) page is done.
echo "$hwnd" >"$stub/browser"
rm -f "$stub"/frame*.html "$stub"/out-*.html
form sei >"$stub/top.html"
echo 1000 >"$stub/delay"
answer front '^front' >/dev/null
answer post1284 '^posted 1284' >/dev/null
check "tray: a fill while the bar is hidden shows the busy picture" eventually_icon busy
check "tray: ... and the normal picture once the page is filled" eventually_icon shown
check "tray: ... and the page was filled meanwhile" filled top
rm -f "$stub/delay"
click_at 3 "$icon_x" "$icon_y"
check "tray: a right click on the icon opens the popup menu" eventually 10 menus '^menus ' '^menus 1 '
check "tray: the bar stays hidden meanwhile" grep -q 'visible=0' <<<"$(formix_window)"
click_at 1 700 700  # a click beside the menu closes it
check "tray: a click beside the popup menu closes it" eventually 10 menus '^menus ' '^menus 0$'
click_at 1 "$icon_x" "$icon_y"
check "tray: a left click on the icon brings the bar back" eventually 10 "window Formix " '^window ' 'visible=1'
check "tray: ... and takes the icon away" eventually_icon gone

# ---- Close: the settings file is written and reads back with every value ----
answer "post 16 0 0 Formix " '^post' >/dev/null  # WM_CLOSE, as the window's close box sends it
check "close: the program ends" wait_formix_ended
check "close: the program never crashed on the way" eval '! grep -qiE "unhandled|exception" "$work/formix.out"'
sed -i -e 's/"M013": ""/"M013": "Hello"/' -e 's/"Mouse": "3"/"Mouse": "0"/' "$work/expected.json"
"$tool" settings dump "$app/$user.ini" >"$work/saved.json"
check "close: formix-tool reads every value back from the saved file, Wait as 50" \
  diff -u "$work/expected.json" "$work/saved.json"

# ---- A missing FmxHook.dll is said, and the program runs on without global gestures ----
# The library is taken from the program's folder only: one in the working directory is not loaded.
nohook="$work/nohook"
mkdir -p "$nohook"
cp "$bin/Formix.exe" "$nohook/"
(cd "$app" && exec wine "$nohook/Formix.exe") >"$work/formix.out" 2>&1 &
formix_pid=$!
check "no hook library: a message box says so" eventually 30 'dialog Formix' '^dialog' \
  '^dialog text=フックライブラリ fmxhook を読み込めませんでした。'
answer 'dismiss Formix' '^dismiss' >/dev/null
wait_formix_shown
check "no hook library: the bar starts at the top-left corner without a settings file" \
  grep -qE ' x=0 y=0 ' <<<"$(formix_window)"
answer "post 16 0 0 Formix " '^post' >/dev/null
wait_formix_ended || fail "Formix without the hook library did not end"
check "no hook library: the settings file is written at close" test -s "$nohook/$user.ini"

# ---- At 144 dots per inch: the same twips, more pixels, and the trigger codes still understood ----
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
sed -e 's/"Mouse": "0"/"Mouse": "3"/' "$work/expected.json" | "$tool" settings write "$app/$user.ini"
start_formix "$app"
wait_formix_shown
check "144 dpi: the bar is 1155 x 6300 twips in pixels of 1/144 inch, pulled onto the screen" \
  grep -qE ' x=90[89] y=120 w=116 h=630$' <<<"$(formix_window)"  # 9085 twips: 908.5 pixels
answer front '^front' >/dev/null
click_at 3 250 200
check "144 dpi: the right click's trigger code still opens the popup menu" eventually 15 menus '^menus ' '^menus 1 '
click_at 1 700 700
eventually 10 menus '^menus ' '^menus 0$' || true
answer "post 16 0 0 Formix " '^post' >/dev/null
wait_formix_ended || fail "Formix at 144 dpi did not end"
check "144 dpi: the saved position is in twips (the screen's 10240 less the bar's 1155)" \
  grep -qE $'^Left=9085\r$' "$app/$user.ini"

send_quit() { printf 'quit\n' >&3; }
send_quit
wait "$probe_pid" || true
exec 3>&-
end_wine_session
kill "$openbox_pid" "$trayer_pid" 2>/dev/null || true
echo "Formix.exe under Wine: $((checks - failures)) passed, $failures failed"
[ $failures -eq 0 ] || { dump_logs; exit 1; }

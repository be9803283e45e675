#!/usr/bin/env bash
# End-to-end test of formix on a virtual X desktop (Xvfb, openbox, trayer), driven by xdotool the
# way a user drives it. A recording window of our own stands for "another program".
#
#   tests/linux/run.sh BUILD_DIR
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/desktop_session.sh"
source "$here/formix_ui.sh"
build=$(cd "${1:?build folder}" && pwd)
tool="$build/tools/formix-tool"
work=$(mktemp -d)
started=$SECONDS
scratch_session "$work"
start_desktop "$work" || { echo "FAIL: the virtual desktop did not start"; exit 1; }


# ---- The recording window ----
rec_log="$work/recorder.log"
"$build/tests/linux/formix_recorder" Recorder >"$rec_log" 2>"$work/recorder.err" &
started_pids+=($!)
wait_until 10 grep -q ready "$rec_log"
recorder=$(xdotool search --sync --name '^Recorder$' | head -n 1)
rec_mark() { wc -l <"$rec_log"; }
rec_since() { tail -n +"$(($1 + 1))" "$rec_log" | cut -d' ' -f2-; }
rec_got() {  # MARK LINE: the recorder logged LINE after MARK (waits up to 3 s)
  wait_until 3 sh -c "tail -n +$(($1 + 1)) '$rec_log' | cut -d' ' -f2- | grep -qxF -- \"\$0\"" "$2"
}
rec_pasted() {  # MARK TEXT: after MARK the recorder's text grew by TEXT (waits up to 3 s)
  wait_until 3 sh -c "tail -n +$(($1 + 1)) '$rec_log' | cut -d' ' -f2- | grep '^text ' | tail -n 1 | grep -F -- \"\$0\" >/dev/null" "$2"
}
rec_lacks() { ! rec_since "$1" | grep -xF -- "$2" >/dev/null; }
focus_recorder() { xdotool mousemove 350 350 click 1; sleep 0.3; }

# ---- A program folder with the sample profile ----
user=$(id -un)
make_app() {  # FOLDER HOOK(real|refusing|none) : formix with the sample settings, positions and modes
  mkdir -p "$1" && chmod go-w "$1"  # a portable copy: nobody else may write to its folder
  cp "$build/bin/formix" "$1/"
  case $2 in
    real) cp "$build/bin/libfmxhook.so" "$1/" ;;
    refusing) cp "$build/tests/linux/libfmxhook_refusing.so" "$1/libfmxhook.so" ;;
  esac
  sed -e 's/^Left=.*/Left=30000/' -e 's/^Top=.*/Top=-500/' -e 's/^Add_Key=.*/Add_Key=2/' \
      -e 's/^Win_Key=.*/Win_Key=1/' "$here/../../examples/sample.ini" >"$1/$user.ini"
}
start_formix() {  # FOLDER: starts it and waits for its bar (or its first message box)
  "$1/formix" >"$work/formix.out" 2>"$work/formix.err" &
  formix_pid=$!
  started_pids+=("$formix_pid")
  wait_until 10 sh -c "xdotool search --onlyvisible --name '^Formix ?$'"
}

app="$work/app"
make_app "$app" real
ini="$app/$user.ini"

# ==== Start-up ====
start_formix "$app"
w=$(formix_window)
sleep 0.5  # a user looks once the window has settled
check "start-up: the caption is exactly \"Formix \"" \
  sh -c "xprop -id $w _NET_WM_NAME | grep -qx '_NET_WM_NAME(UTF8_STRING) = \"Formix \"'"
check "start-up: the bar is above other windows" sh -c "xprop -id $w _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE"
check "start-up: no taskbar entry" sh -c "xprop -id $w _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR"
read -r fx fy < <(origin "$w")
read -r cw ch < <(client_size "$w")
# Left 30000 and Top -500 twips are pulled onto the 1280-pixel screen: the frame's left edge at
# (19200 - 1155) / 15 = 1203 pixels, its top at 0; the frame of openbox is 1 pixel wide, 20 high.
check "start-up: a stored position off the screen is pulled onto it" test "$fx $fy" = "1204 20"
check "start-up: the bar is 1155 twips wide" test "$cw" = 75
"$app/formix" >"$work/second.out" 2>&1
second=$?
check "start-up: a second start ends at once and silently" test "$second:$(cat "$work/second.out")" = "0:"
check "start-up: the first instance runs on" kill -0 "$formix_pid"
check "start-up: still one bar" test "$(xdotool search --name '^Formix $' | wc -l)" = 1
DISPLAY="unix$DISPLAY" "$app/formix" >"$work/second.out" 2>&1
second=$?
check "start-up: a second start through another name of the display ends too" \
  test "$second:$(cat "$work/second.out")" = "0:"
check "start-up: still one bar after it" test "$(xdotool search --name '^Formix $' | wc -l)" = 1

# ==== Typing a phrase ====
focus_recorder
m=$(rec_mark)
click_phrase 0
check "typing: the phrase button pastes its text into the window the user was in" \
  rec_got "$m" 'text いつもお世話になっております。\n山田です。'
check "typing: then Enter, as chosen" rec_got "$m" 'key Return'

# ==== A fill with no browser extension connected ====
notice_shown() { xdotool search --onlyvisible --name '^Formix$' >/dev/null 2>&1; }
click_form 330 5535  # cmdPOST, with the recording window in front
check "no extension: Formix says once that it is not connected" wait_until 5 notice_shown
m=$(rec_mark)
click_phrase 0  # the notice waits for no answer: the bar goes on working
check "no extension: the notice does not hold the program up" rec_got "$m" 'key Return'
xdotool windowactivate --sync "$(xdotool search --onlyvisible --name '^Formix$' | head -n 1)" key Return
wait_until 5 sh -c '! xdotool search --onlyvisible --name "^Formix\$"'
click_form 330 5535
sleep 1
check "no extension: and only once" sh -c '! xdotool search --onlyvisible --name "^Formix\$"'
focus_recorder

# ==== Triggers ====
m=$(rec_mark)
xdotool mousemove 350 300 click 3
check "mouse mode 3: a right click in another window opens the popup" wait_until 3 menu_shown
sleep 0.3
check "mouse mode 3: that window never sees the click" rec_lacks "$m" 'button 3'
xdotool key Down Down Return
check "mouse mode 3: a phrase chosen in the popup is typed there" rec_pasted "$m" 'いつもお世話になっております。\n山田です。'
m=$(rec_mark)
xdotool key super
check "key mode 1: the Super key opens the popup" wait_until 3 menu_shown
xdotool key Escape
wait_until 3 sh -c '! xwininfo -name "Formix menu" | grep -q IsViewable'
# Any client of the display can send the window a report; only the hook library's carry its key.
"$here/send_client_message.py" "$(formix_window)" _FORMIX_HOOK 0x202 1000 0 0 0
sleep 1
check "a report that another client sends opens nothing" sh -c '! xwininfo -name "Formix menu" 2>/dev/null | grep -q IsViewable'

click_settings
click_mouse_option 4
click_settings
focus_recorder
m=$(rec_mark)
xdotool mousemove 350 300 click 3
check "mouse mode 4: a plain right click arrives untouched" rec_got "$m" 'button 3'
xdotool keydown ctrl mousemove 350 300 click 3 keyup ctrl
check "mouse mode 4: Ctrl+right click opens the popup" wait_until 3 menu_shown
xdotool key Escape

click_settings
click_mouse_option 0
click_settings
m=$(rec_mark)
xdotool mousemove 350 300 click 3
check "mouse mode 0: a right click arrives untouched" rec_got "$m" 'button 3'

click_settings
click_mouse_option 3
m=$(rec_mark)
xdotool mousemove 350 300 click 3
check "while a panel is open a right click is not caught" rec_got "$m" 'button 3'
check "while a panel is open no popup opens" sh -c '! xwininfo -name "Formix menu" 2>/dev/null | grep -q IsViewable'

# ==== Panels ====
read -r cw ch < <(client_size "$w")
read -r px py < <(origin "$w")
check "settings panel: the window widens to 6380 twips" test "$cw" = 423
# At the right edge the window moves left by what it gains, 5225 twips.
check "settings panel: the window moves left at the right edge" test "$px" = $((1204 - 348))
click_tray_button
check "panels: the tray button does nothing while a panel is open" mapped "$w"
click_settings
read -r cw ch < <(client_size "$w")
read -r px py < <(origin "$w")
check "settings panel closed: the bar returns to its place" test "$cw $px" = "75 1204"
click_profile
read -r cw ch < <(client_size "$w")
check "profile panel: the window widens to 6380 twips" test "$cw" = 423
click_form 1750 420  # txtAUTO(0), the family name
xdotool key ctrl+a; paste_text '佐藤'
click_form 3070 420  # txtAUTO(1): leaving the box keeps the text
click_profile

# ==== Tray ====
click_tray_button
check "tray: the window hides to the notification area" wait_until 3 sh -c "! xwininfo -id $w | grep -q IsViewable"
icon=$(tray_icon)
check "tray: the icon is shown" test -n "$icon"
if [ -n "$icon" ]; then
  read -r ix iy < <(origin "$icon")
  xdotool mousemove $((ix + 11)) $((iy + 11)) click 3
  check "tray: a right click on the icon opens the popup" wait_until 3 menu_shown
  xdotool key Escape
  sleep 0.3
  xdotool mousemove $((ix + 11)) $((iy + 11)) click 1
  check "tray: a click on the icon brings the window back" wait_until 3 mapped "$w"
  check "tray: and the icon goes" wait_until 3 no_tray_icon
fi

# ==== A stopped Formix never freezes the desktop ====
kill -STOP "$formix_pid"
m=$(rec_mark)
xdotool mousemove 350 300 click 1 type --delay 30 'abc'
check "freeze: with Formix stopped another window still gets clicks" rec_got "$m" 'button 1'
check "freeze: and keys" wait_until 3 sh -c "tail -n 1 '$rec_log' | grep -q 'abc$'"
kill -CONT "$formix_pid"
sleep 0.5

# ==== Close ====
xdotool mousemove 350 300 click 3
wait_until 3 menu_shown
xdotool key Up Return  # the last item, 終了
check "close: 終了 ends the program" wait_until 5 sh -c "! kill -0 $formix_pid 2>/dev/null"
dump=$("$tool" settings dump "$ini")
field() {  # KEY VALUE: the dump holds KEY with VALUE (or says what it holds)
  grep -qF "\"$1\": \"$2\"" <<<"$dump" || { grep -F "\"$1\":" <<<"$dump" >&2; false; }
}
check "close: the profile edit is saved" field A001 佐藤
check "close: the mouse mode is saved" field Mouse 3
check "close: the position on the screen is saved" field Left 18045
check "close: the phrases are kept" field M002 'いつもお世話になっております。%R山田です。'

# ==== The session ends ====
start_formix "$app"
click_profile
click_form 1750 420
xdotool key ctrl+a; paste_text '鈴木'
kill -TERM "$formix_pid"
check "a kill or the end of the session closes the program" wait_until 5 sh -c "! kill -0 $formix_pid 2>/dev/null"
dump=$("$tool" settings dump "$ini")
check "and saves what was edited" field A001 鈴木

# ==== Another program holds the lock ====
# Any client can own the lock's selection; formix then says who does and ends with a failure,
# where a real second formix ends silently (above).
squat_in="$work/squat.in"
mkfifo "$squat_in"
"$here/hold_selection.py" "_FORMIX_INSTANCE_U$(id -u)" <"$squat_in" >"$work/squat.out" 2>&1 &
squat_pid=$!
started_pids+=("$squat_pid")
exec 7>"$squat_in"
wait_until 5 grep -qx holding "$work/squat.out"
"$app/formix" >"$work/squatted.out" 2>"$work/squatted.err" &
squatted_pid=$!
started_pids+=("$squatted_pid")
check "lock held by another program: a message box titled Formix says so" \
  wait_until 5 sh -c "xdotool search --onlyvisible --name '^Formix\$'"
check "lock held by another program: it names the program" \
  grep -q "^formix: another program holds formix's instance lock on this display: .*python.* (process $squat_pid); not starting\$" \
  "$work/squatted.err"
check "lock held by another program: one line on stderr" test "$(wc -l <"$work/squatted.err")" = 1
xdotool key Return
wait_until 5 sh -c "! kill -0 $squatted_pid 2>/dev/null"
wait "$squatted_pid"
check "lock held by another program: the start fails" test $? -ne 0
check "lock held by another program: no bar" sh -c "! xdotool search --name '^Formix \$'"
exec 7>&-
wait "$squat_pid" 2>/dev/null

# ==== Hook library refused or missing ====
refused="$work/refused"
make_app "$refused" refusing
cp "$refused/$user.ini" "$work/refused.ini"
start_formix "$refused"
check "refused hook: a message box titled Formix says so" wait_until 5 sh -c "xdotool search --onlyvisible --name '^Formix$'"
xdotool key Return
check "refused hook: the program ends" wait_until 5 sh -c "! kill -0 $formix_pid 2>/dev/null"
check "refused hook: nothing is written" cmp -s "$refused/$user.ini" "$work/refused.ini"

missing="$work/missing"
make_app "$missing" none
XDG_RUNTIME_DIR="" start_formix "$missing"  # and no runtime folder for the bridge's socket
check "missing hook: a message box titled Formix says so" wait_until 5 sh -c "xdotool search --onlyvisible --name '^Formix$'"
xdotool key Return
check "missing hook: the bar comes up all the same" wait_until 5 sh -c "xdotool search --onlyvisible --name '^Formix \$'"
check "no runtime folder: formix says what is missing for the browser bridge" \
  wait_until 5 grep -q 'browser bridge unavailable: XDG_RUNTIME_DIR is not set' "$work/formix.err"
xdotool windowactivate --sync "$(formix_window)" key alt+F4
wait_until 5 sh -c "! kill -0 $formix_pid 2>/dev/null"

# ==== No notification area ====
kill "${desktop_pids[2]}" && wait "${desktop_pids[2]}" 2>/dev/null  # trayer, the last one started
wait_until 5 sh -c '! xwininfo -root -tree | grep "\"panel\" \"trayer\"" >/dev/null'
notray="$work/notray"
make_app "$notray" real
sed -i 's/^Task_Tray=.*/Task_Tray=1/' "$notray/$user.ini"
start_formix "$notray"
check "no notification area: a start in the tray still shows the bar" \
  wait_until 5 sh -c "xdotool search --onlyvisible --name '^Formix \$'"
xdotool windowactivate --sync "$(formix_window)" key alt+F4
wait_until 5 sh -c "! kill -0 $formix_pid 2>/dev/null"

# ==== The display goes away (a session that ends without a signal) ====
start_formix "$notray"
click_profile
click_form 1750 420
xdotool key ctrl+a; paste_text '高橋'
kill "${desktop_pids[0]}"  # Xvfb, the first one started
check "the display gone: the program ends" wait_until 5 sh -c "! kill -0 $formix_pid 2>/dev/null"
dump=$("$tool" settings dump "$notray/$user.ini")
check "the display gone: the edit is saved all the same" field A001 高橋

echo "linux desktop test took $((SECONDS - started))s"
checks_summary

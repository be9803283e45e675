#!/usr/bin/env bash
# Phrases typed by `formix --trigger phrase:1:1` on a headless sway, with no X display at all,
# into a terminal (foot), a GTK 3 editor (mousepad) and a native Qt window (the test's recorder).
# Each gets a Japanese phrase with a line break, then Enter (the recorder, in a second run, Tab);
# what arrived is read back from the program itself, and the program keeps the keyboard focus.
# Also: the phrase chosen from the focused bar and from the menu trigger's popup, formix's
# clipboard read within its own process, and what the invocation says when it cannot deliver.
#
#   tests/wayland/typing_run.sh BUILD_DIR
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$here/sway_session.sh"
build=$(cd "${1:?build folder}" && pwd)
work=$(mktemp -d)
started=$SECONDS
scratch_session "$work"
export LANG=C.UTF-8 LC_ALL=C.UTF-8  # the terminal and its shell take the text as UTF-8
# The bar floats and is never given the focus when it appears: the lines a user adds for it.
SWAY_EXTRA_CONFIG='for_window [title="^Formix"] floating enable, sticky enable
no_focus [title="^Formix"]'
start_sway "$work" || { echo "FAIL: the headless sway did not start"; exit 1; }

# Phrase 1 of the sample profile, "いつもお世話になっております。%R山田です。": "%R" is one line break.
text=$'いつもお世話になっております。\n山田です。'

app="$work/app"
mkdir -p "$app"
cp "$build/bin/formix" "$app/"
formix() { "$app/formix" "$@"; }

# ==== The trigger without a running formix, and with a bad name ====
formix --trigger phrase:1:1 >"$work/out" 2>"$work/err"
status=$?
cat "$work/err"
check "trigger: no formix running: non-zero, one line on stderr" \
  test "$status:$(wc -l <"$work/err"):$(wc -c <"$work/out")" = "1:1:0"
formix --trigger phrase:15:1 >"$work/out" 2>"$work/err"
status=$?
cat "$work/err"
check "trigger: a page outside 1-14: non-zero, one line on stderr" test "$status:$(wc -l <"$work/err")" = "2:1"

# ==== The clipboard within one process ====
probe=$("$build/tests/wayland/clipboard_probe" "$text"; printf x)
check "clipboard: set through its thread, read on the main thread of the same process" test "$probe" = "${text}x"

# ==== formix on sway ====
formix_pid=
start_formix() {  # ADD_KEY (1 Tab, 2 Enter): starts it, waits until it takes triggers
  sed -e "s/^Add_Key=.*/Add_Key=$1/" -e 's/^Win_Key=.*/Win_Key=0/' -e 's/^Mouse=.*/Mouse=3/' \
    "$root/examples/sample.ini" >"$app/$(id -un).ini"
  "$app/formix" >>"$work/formix.log" 2>&1 &
  formix_pid=$!
  started_pids+=("$formix_pid")
  wait_until 15 window_shown '^Formix' || return 1
  # Ready for triggers once its name is on the session bus.
  wait_until 10 dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetNameOwner \
    string:org.formix.Formix1
}
stop_formix() { kill "$formix_pid"; wait "$formix_pid" 2>/dev/null; }
check "formix: the bar appears as a Wayland window" start_formix 2
"$app/formix" >"$work/second.out" 2>&1
check "formix: a second start ends at once and silently" test "$?:$(cat "$work/second.out")" = "0:"
check "formix: the first one runs on" kill -0 "$formix_pid"
# The right click of the settings (Mouse=3) as sway's binding, with the lines for the bar.
check "formix: says which lines in sway's configuration make its gestures" \
  grep -q "^bindsym --whole-window button3 exec '$app/formix' --trigger menu\$" "$work/formix.log"

start_program() { start_program_with focus_on "$@"; }  # TITLE_PATTERN COMMAND...
trigger() {  # NAME: what a key bound in sway runs
  formix --trigger "$1" >>"$work/trigger.log" 2>&1
}

# ---- foot: `cat` writes what the terminal is given ----
file="$work/foot.txt"
: >"$file"
if start_program '^typing-terminal$' foot --title=typing-terminal --app-id=foot -- sh -c "stty -icanon; exec cat > '$file'"; then
  check "foot: the trigger is delivered" trigger phrase:1:1
  check "foot: Ctrl+Shift+V brings the phrase, then Enter" wait_until 10 file_is "$file" "$text"$'\n'
  file_is "$file" "$text"$'\n' || printf '  got: %q\n' "$(cat "$file"; printf x)"
  check "foot: keeps the focus" focus_on '^typing-terminal$'
  stop_program
else
  check "foot: the window opens" false
fi

# ---- mousepad (GTK 3 on Wayland) ----
check_mousepad focus_on "$text"

# ---- the recorder, a native Qt window: logs what reaches it ----
log="$work/recorder.log"
if start_program '^Recorder$' sh -c "QT_QPA_PLATFORM=wayland exec '$build/tests/linux/formix_recorder' Recorder >'$log'"; then
  check "recorder: the trigger is delivered" trigger phrase:1:1
  expected="text ${text//$'\n'/\\n}
key Return"
  recorded() { [ "$(cut -d' ' -f2- "$log" | grep -E '^(text|key) ')" = "$expected" ]; }
  check "recorder: the phrase, then Enter" wait_until 10 recorded
  recorded || { echo "  got:"; cut -d' ' -f2- "$log" | sed 's/^/    /'; }
  check "recorder: keeps the focus" focus_on '^Recorder$'
  # The bar clicked (it took the focus): the phrase goes to the program focused before it.
  mark=$(wc -l <"$log")
  swaymsg '[title="^Formix"] focus' >/dev/null
  if wait_until 5 focus_on '^Formix'; then
    trigger phrase:1:1
    again="text ${text//$'\n'/\\n}${text//$'\n'/\\n}
key Return"
    recorded_again() { [ "$(tail -n +"$((mark + 1))" "$log" | cut -d' ' -f2- | grep -E '^(text|key) ')" = "$again" ]; }
    check "recorder: from the focused bar, the phrase goes to the window focused before it" wait_until 10 recorded_again
    check "recorder: which has the focus again" focus_on '^Recorder$'
  else
    check "recorder: the bar takes the focus when asked" false
  fi
  # The menu trigger: its popup is a window of its own, chosen from with the keyboard here (a
  # click focuses it the same way); its first phrase goes to the window the user worked in.
  mark=$(wc -l <"$log")
  check "menu: the trigger is delivered" trigger menu
  if wait_until 5 window_shown '^Formix menu$' && swaymsg '[title="^Formix menu$"] focus' >/dev/null &&
    wait_until 5 focus_on '^Formix menu$'; then
    "$build/tests/wayland/wayland_keys" Down Down Return
    thrice="text ${text//$'\n'/\\n}${text//$'\n'/\\n}${text//$'\n'/\\n}
key Return"
    recorded_thrice() { [ "$(tail -n +"$((mark + 1))" "$log" | cut -d' ' -f2- | grep -E '^(text|key) ')" = "$thrice" ]; }
    check "menu: its first phrase goes to the window focused before it" wait_until 10 recorded_thrice
    check "menu: which has the focus again" focus_on '^Recorder$'
  else
    check "menu: the popup opens" false
  fi
  stop_program
else
  check "recorder: the window opens" false
fi

# ==== Tab as the added key ====
stop_formix
if start_formix 1 && start_program '^Recorder$' sh -c "QT_QPA_PLATFORM=wayland exec '$build/tests/linux/formix_recorder' Recorder >'$log'"; then
  trigger phrase:1:1
  expected="text ${text//$'\n'/\\n}
key Tab"
  check "recorder: the phrase, then Tab" wait_until 10 recorded
  stop_program
else
  check "formix and the recorder start again" false
fi

# ==== A trigger after formix ended ====
stop_formix
formix --trigger menu >"$work/out" 2>"$work/err"
status=$?
check "trigger: after formix ended: non-zero, one line on stderr" test "$status:$(wc -l <"$work/err")" = "1:1"
[ "$status:$(wc -l <"$work/err")" = "1:1" ] || { echo "  got: $status"; cat "$work/err"; }

echo "($((SECONDS - started)) s)"
checks_summary

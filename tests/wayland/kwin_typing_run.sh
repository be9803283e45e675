#!/usr/bin/env bash
# Phrases typed by `formix --trigger phrase:1:1` on a headless KWin, with no X display at all,
# into a native Qt window (the test's recorder) and a GTK 3 editor (mousepad): a Japanese phrase
# with a line break, then Enter, read back from the program itself, which keeps the focus.
# Also: the menu trigger's popup, the window rule formix writes for its bar (kept idempotent, the user's own rules kept),
# the bar that takes no focus when it appears or is clicked, and what formix says about the
# gestures. KWin's fake input is granted to formix and to the test's key tool by desktop files,
# as the package grants it.
#
#   tests/wayland/kwin_typing_run.sh BUILD_DIR
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$here/kwin_session.sh"
build=$(realpath "${1:?build folder}")
work=$(mktemp -d)
started=$SECONDS
scratch_session "$work"
export LANG=C.UTF-8 LC_ALL=C.UTF-8

# Phrase 1 of the sample profile, "いつもお世話になっております。%R山田です。": "%R" is one line break.
text=$'いつもお世話になっております。\n山田です。'

app="$work/app"
mkdir -p "$app"
cp "$build/bin/formix" "$app/"
keys="$build/tests/wayland/wayland_keys"
grant_fake_input formix-kwin "$app/formix"
grant_fake_input formix-test-keys "$keys"
# A rule of the user's own, in the file formix adds its rule to.
mkdir -p "$HOME/.config"
users_rule='[General]
count=1
rules=a1b2

[a1b2]
Description=My terminal on every desktop
onalldesktops=true
onalldesktopsrule=3
wmclass=konsole
wmclassmatch=1'
printf '%s\n' "$users_rule" >"$HOME/.config/kwinrulesrc"

start_kwin "$work" || { echo "FAIL: the headless KWin did not start"; exit 1; }

formix_pid=
start_formix() {  # waits until the bar appeared and formix takes triggers
  sed -e 's/^Add_Key=.*/Add_Key=2/' -e 's/^Win_Key=.*/Win_Key=0/' -e 's/^Mouse=.*/Mouse=3/' \
    "$root/examples/sample.ini" >"$app/$(id -un).ini"
  "$app/formix" >>"$work/formix.log" 2>&1 &
  formix_pid=$!
  started_pids+=("$formix_pid")
  wait_until 15 kwin_window_added '^Formix$' || return 1
  wait_until 10 bus_name_owned org.formix.Formix1
}
stop_formix() { kill "$formix_pid"; wait "$formix_pid" 2>/dev/null; }

start_program() { start_program_with kwin_focus_on "$@"; }  # TITLE_PATTERN COMMAND...
trigger() { "$app/formix" --trigger "$1" >>"$work/trigger.log" 2>&1; }

# ==== formix on KWin ====
# The recorder has the focus before the bar appears: the bar must not take it.
log="$work/recorder.log"
recorder=(sh -c "QT_QPA_PLATFORM=wayland exec '$build/tests/linux/formix_recorder' Recorder >'$log'")
if ! start_program '^Recorder$' "${recorder[@]}"; then
  check "recorder: the window opens" false
  exit 1
fi
check "formix: the bar appears as a Wayland window" start_formix
sleep 0.5
check "formix: the bar took no focus when it appeared" kwin_focus_on '^Recorder$'
bar_above() { kwin_window_added '^Formix$' | head -n 1 | grep -q $'\tabove$'; }
check "formix: the bar is kept above the others" bar_above
check "formix: types through KWin (no line that it cannot)" bash -c "! grep -q 'offers formix no' '$work/formix.log'"
# No portal on this bus registers shortcuts: the custom ones to add by hand.
check "formix: says which shortcuts make the gestures, and that mouse gestures are not possible" wait_until 30 \
  grep -q "System Settings > Shortcuts > Custom Shortcuts.*--trigger fill.*mouse gestures are not possible on KWin" "$work/formix.log"
rules="$HOME/.config/kwinrulesrc"
check "rule: the user's own rule is kept as it was" grep -qzF "${users_rule#*rules=a1b2
}" "$rules"
# As formix wrote it, or as KWin saved it since, renumbered, the bar's rule second.
listed_second() {
  grep -qx 'rules=a1b2,formix-bar' "$rules" ||
    { grep -qx 'rules=1,2' "$rules" && sed -n '/^\[2\]$/,/^$/p' "$rules" | grep -q '^Description=Formix bar'; }
}
# KWin may be saving the file again just now: it is read until it settles, and shown if it does not.
listed_second_settled() { wait_until 5 listed_second && return; echo "--- $rules"; cat "$rules"; return 1; }
check "rule: listed after the user's, counted" listed_second_settled
check "rule: the bar's rule: no focus, above the others" \
  bash -c "grep -qx '\[formix-bar\]' '$rules' && grep -qx 'acceptfocus=false' '$rules' && grep -qx 'above=true' '$rules'"

# ---- the recorder, a native Qt window: logs what reaches it ----
check "recorder: the trigger is delivered" trigger phrase:1:1
expected="text ${text//$'\n'/\\n}
key Return"
recorded() { [ "$(cut -d' ' -f2- "$log" | grep -E '^(text|key) ')" = "$expected" ]; }
check "recorder: the phrase, then Enter" wait_until 10 recorded
recorded || { echo "  got:"; cut -d' ' -f2- "$log" | sed 's/^/    /'; }
check "recorder: keeps the focus" kwin_focus_on '^Recorder$'
# The menu trigger: its popup takes the focus; its first phrase, chosen with the keyboard, goes
# to the window used before it, which gets the focus back.
mark=$(wc -l <"$log")
check "menu: the trigger is delivered" trigger menu
if wait_until 5 kwin_focus_on '^Formix menu$'; then
  "$keys" Down Down Return
  # The recorder logs its whole text at each change: the phrase after the first one, then Enter.
  from_menu="text ${text//$'\n'/\\n}${text//$'\n'/\\n}
key Return"
  chosen_in_menu() { [ "$(tail -n +"$((mark + 1))" "$log" | cut -d' ' -f2- | grep -E '^(text|key) ' | tail -n 2)" = "$from_menu" ]; }
  check "menu: its first phrase goes to the window focused before it" wait_until 10 chosen_in_menu
  chosen_in_menu || { echo "  got:"; tail -n +"$((mark + 1))" "$log" | cut -d' ' -f2- | sed 's/^/    /'; }
  check "menu: which has the focus again" kwin_focus_on '^Recorder$'
else
  check "menu: the popup opens with the focus" false
fi
# A click on the bar's first button, at its top: its phrase goes to the recorder, which keeps
# the focus.
IFS=$'\t' read -r _ _ bar_x bar_y bar_w _ _ < <(kwin_window_added '^Formix$' | head -n 1)
mark=$(wc -l <"$log")
"$keys" "click:$((bar_x + bar_w / 2)),$((bar_y + 30))"
typed_after_click() { tail -n +"$((mark + 1))" "$log" | grep -q '^[0-9]* text ..*'; }
check "bar: clicked, its phrase goes to the window with the focus" wait_until 10 typed_after_click
check "bar: clicked, it takes no focus" kwin_focus_on '^Recorder$'
stop_program

# ---- mousepad (GTK 3 on Wayland) ----
check_mousepad kwin_focus_on "$text"

# ==== A second start: the rule is there already, the file is left alone ====
stop_formix
cp "$rules" "$work/rules.before"
touch -d '2000-01-01' "$rules"
check "formix: starts again" start_formix
check "rule: a second start leaves the file untouched" \
  bash -c "cmp -s '$rules' '$work/rules.before' && [ \$(stat -c %Y '$rules') = \$(date -d 2000-01-01 +%s) ]"
stop_formix

# ==== A copy that no desktop file grants fake input: it says what to install ====
mkdir -p "$work/ungranted"
cp "$app/formix" "$app/$(id -un).ini" "$work/ungranted/"
timeout 20 "$work/ungranted/formix" >"$work/ungranted.out" 2>&1
status=$?
check "ungranted: says that KWin offers it no fake input, and which desktop file grants it" \
  grep -q "KWin offers formix no fake input (.*a desktop file with Exec=$work/ungranted/formix and X-KDE-Wayland-Interfaces" \
  "$work/ungranted.out"
check "ungranted: with no X display either, it ends with status 1, not a crash" test "$status" = 1

# ==== A trigger after formix ended ====
"$app/formix" --trigger menu >"$work/out" 2>"$work/err"
status=$?
check "trigger: after formix ended: non-zero, one line on stderr" test "$status:$(wc -l <"$work/err")" = "1:1"

echo "($((SECONDS - started)) s)"
checks_summary

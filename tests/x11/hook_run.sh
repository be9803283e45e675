#!/usr/bin/env bash
# End-to-end test of libfmxhook.so on a virtual X display with a real window manager.
#
#   tests/x11/hook_run.sh BUILD    (BUILD/bin holds libfmxhook.so and x11_hook_probe)
#
# Probe processes run side by side: "Formix " stands in for the main program (loads the library by
# path, sets the modes, calls SetHook, prints every _FORMIX_HOOK message it gets), "Other app" is
# any other application (prints every button and key event it gets), and a squatter, another
# program whose window is titled "Formix " too and was mapped first, must never get a report.
# Clicks and keys come from xdotool, so they travel the whole way through the X server and its
# grabs.
set -euo pipefail

if [ "${1:-}" != "--in-display" ]; then
  bin=$(cd "${1:?build folder}/bin" && pwd)
  for f in libfmxhook.so x11_hook_probe; do
    [ -e "$bin/$f" ] || { echo "FAIL: $bin/$f is missing (were xcb's development files found?)"; exit 1; }
  done
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  started=$SECONDS
  # The library's modes live in /dev/shm under the user's id. Where we may, the test gets a
  # /dev/shm of its own so that a Formix or another test run of the same user is not disturbed.
  if unshare --mount --propagation private true 2>/dev/null; then
    unshare --mount --propagation private sh -c 'mount -t tmpfs -o mode=1777 tmpfs /dev/shm && exec "$@"' sh \
      xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" "$0" --in-display "$bin" "$work"
  else
    xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" "$0" --in-display "$bin" "$work"
  fi
  echo "x11 hook test took $((SECONDS - started))s"
  exit 0
fi

# --- Inside the display ---
bin=$2
work=$3
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"

failures=0
checks=0
pids=()

stop_all() { for p in "${pids[@]}"; do kill -CONT "$p" 2>/dev/null || true; kill "$p" 2>/dev/null || true; done; }
trap stop_all EXIT

dump_logs() {
  for n in main other squat; do
    echo "--- $n probe output:"; tail -n 40 "$work/$n.out" 2>/dev/null || true
    echo "--- $n probe errors:"; tail -n 20 "$work/$n.err" 2>/dev/null || true
  done
}
fail() { echo "FAIL: $*"; dump_logs; exit 1; }

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
deadline=$((SECONDS + 10))
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
  [ $SECONDS -lt $deadline ] || fail "openbox did not start"
  sleep 0.05
done

start_probe() {  # NAME TITLE X Y FD [hidden]: a probe whose commands go to file descriptor FD
  mkfifo "$work/$1.in"
  "$bin/x11_hook_probe" "$2" "$3" "$4" ${6:-} <"$work/$1.in" >"$work/$1.out" 2>"$work/$1.err" &
  pids+=($!)
  eval "exec $5>\"\$work/\$1.in\""
}
send() { case $1 in main) printf '%s\n' "$2" >&3 ;; other) printf '%s\n' "$2" >&4 ;; squat) printf '%s\n' "$2" >&5 ;; esac; }
mark() { wc -l <"$work/$1.out"; }
# Waits until the probe's output after line MARK has a line matching PATTERN.
wait_for() {  # NAME MARK PATTERN
  local deadline=$((SECONDS + 10))
  until tail -n +"$(($2 + 1))" "$work/$1.out" 2>/dev/null | grep -qE "$3"; do
    [ $SECONDS -lt $deadline ] || fail "$1 never printed /$3/"
    sleep 0.02
  done
}
ask() {  # NAME COMMAND PATTERN: sends a command and waits for its answer
  local m; m=$(mark "$1")
  send "$1" "$2"
  wait_for "$1" "$m" "$3"
}
# Every event the server sent the probe before now has been printed.
settle() { local token="t$RANDOM$RANDOM"; ask "$1" "ping $token" "^pong $token\$"; }
printed_since() { tail -n +"$(($2 + 1))" "$work/$1.out" | grep -qE "$3"; }
not_printed_since() { ! printed_since "$@"; }
check() {  # DESCRIPTION, then a command that must succeed
  local what=$1; shift
  checks=$((checks + 1))
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

start_probe squat "Formix " 0 400 5
wait_for squat 0 '^ready$'
start_probe main "Formix " 0 0 3
wait_for main 0 '^ready$'
start_probe other "Other app" 400 0 4
wait_for other 0 '^ready$'
SQUAT=$(sed -n 's/^window //p' "$work/squat.out")
MAIN=$(sed -n 's/^window //p' "$work/main.out")
OTHER=$(sed -n 's/^window //p' "$work/other.out")
MAIN_PID=${pids[2]}
# The squatter is the first "Formix " a search by title would find.
[ "$(xprop -root _NET_CLIENT_LIST | sed 's/.*# //; s/,.*//')" = "$(printf '0x%x' "$SQUAT")" ] ||
  fail "the squatting window is not first in the window manager's list"

click() {  # BUTTON WINDOW [MODIFIER]: a click in the middle of the window
  if [ -n "${3:-}" ]; then
    xdotool keydown "$3" mousemove --window "$2" 100 75 click "$1" keyup "$3"
  else
    xdotool mousemove --window "$2" 100 75 click "$1"
  fi
}
focus_other() { xdotool windowactivate --sync "$OTHER" >/dev/null 2>&1 || xdotool windowfocus --sync "$OTHER"; }

# A click that the hook takes: reported 1000 to "Formix ", never seen by the other window.
REPORT=hook  # hook2: the report goes to the main probe's second window
expect_taken() {  # WHAT BUTTON [MODIFIER]
  local m_main m_other; m_main=$(mark main); m_other=$(mark other)
  click "$2" "$OTHER" "${3:-}"
  wait_for main "$m_main" "^$REPORT "
  settle other
  check "$1: reported to \"Formix \" as a left-button-up at (1000, 0)" \
    printed_since main "$m_main" "^$REPORT message=0x202 x=1000 y=0 format=32\$"
  check "$1: the other window never sees button $2" not_printed_since other "$m_other" "^button (press|release) $2 "
}
# A click that passes: the other window gets press and release, nothing is reported.
expect_passed() {  # WHAT BUTTON [MODIFIER]
  local m_main m_other; m_main=$(mark main); m_other=$(mark other)
  click "$2" "$OTHER" "${3:-}"
  wait_for other "$m_other" "^button release $2 "
  settle main
  check "$1: the other window gets the click" printed_since other "$m_other" "^button press $2 "
  check "$1: nothing is reported" not_printed_since main "$m_main" '^hook '
}
super_key() {  # WHAT CODE (CODE empty: the key passes)
  local m_main m_other; m_main=$(mark main); m_other=$(mark other)
  focus_other
  xdotool key super
  if [ -n "$2" ]; then
    wait_for main "$m_main" '^hook '
    settle other
    check "$1: reported as (${2}, 0)" printed_since main "$m_main" "^hook message=0x202 x=$2 y=0 format=32\$"
    check "$1: the other window never sees the Super key" not_printed_since other "$m_other" "^key press $SUPER "
  else
    wait_for other "$m_other" "^key release $SUPER "
    settle main
    check "$1: the other window gets the Super key" printed_since other "$m_other" "^key press $SUPER "
    check "$1: nothing is reported" not_printed_since main "$m_main" '^hook '
  fi
}
keycode() { ask main "keycode $1" "^keycode $1 "; grep "^keycode $1 " "$work/main.out" | tail -n 1 | cut -d' ' -f3; }
SUPER=$(keycode ffeb) KEY_A=$(keycode 61) KEY_B=$(keycode 62)
[ "$SUPER" != 0 ] || fail "the display has no Super_L key"

# --- Loading ---
check "the library exports exactly the eleven names" \
  test "$(nm -D --defined-only "$bin/libfmxhook.so" | awk '{print $3}' | sort | tr '\n' ' ')" = \
  "FmxHook FmxHookReportKey K_Mode0 K_Mode1 K_Mode2 M_Mode0 M_Mode1 M_Mode2 M_Mode3 M_Mode4 RemoveHook SetHook "
ask main "load $bin/libfmxhook.so" '^(loaded|load failed|export)'
check "all eleven exports found by name" printed_since main 0 '^loaded 11 exports$'
ask main "call M_Mode3" '^M_Mode3 done$'
ask main "call SetHook" '^SetHook -> '
check "SetHook returns 0" printed_since main 0 '^SetHook -> 0$'
display_number=${DISPLAY##*:}
shm="/dev/shm/formix-hook-$(id -u)-_${display_number%%.*}"  # one record per user and display
check "the modes live in owner-only shared memory" test "$(stat -c '%a %s' "$shm")" = "600 12"

# --- Mouse modes ---
expect_taken "mode 3 right click" 3
settle squat
check "mode 3: the squatting window titled \"Formix \" gets nothing" not_printed_since squat 0 '^hook'
active_is_main() {  # the window manager acts on the request in its own time
  local deadline=$((SECONDS + 3))
  until [ "$(xdotool getactivewindow 2>/dev/null)" = "$MAIN" ]; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.05
  done
}
check "mode 3: the report brings \"Formix \" to the front" active_is_main
expect_taken "mode 3 Ctrl+right click (Ctrl is not read in mode 3)" 3 ctrl
expect_passed "mode 3 middle click" 2
ask main "call M_Mode0" '^M_Mode0 done$'
expect_passed "mode 0 right click" 3
ask main "call M_Mode4" '^M_Mode4 done$'
expect_taken "mode 4 Ctrl+right click" 3 ctrl
expect_passed "mode 4 plain right click" 3
# Ctrl let go between press and release: the grab already holds the release, which is dropped.
m_main=$(mark main); m_other=$(mark other)
xdotool mousemove --window "$OTHER" 100 75 keydown ctrl mousedown 3 keyup ctrl mouseup 3
settle main; sleep 0.2; settle main; settle other
check "mode 4, Ctrl let go before the release: nothing is reported" not_printed_since main "$m_main" '^hook '
check "mode 4, Ctrl let go before the release: the other window sees no half click" \
  not_printed_since other "$m_other" '^button (press|release) 3 '
ask main "call M_Mode1" '^M_Mode1 done$'
expect_taken "mode 1 middle click" 2
expect_passed "mode 1 right click" 3
ask main "call M_Mode2" '^M_Mode2 done$'
expect_taken "mode 2 Ctrl+middle click" 2 ctrl
expect_passed "mode 2 plain middle click" 2

# The main window is the one titled exactly "Formix "; while there is none, nothing is taken.
ask main "call M_Mode3" '^M_Mode3 done$'
ask main "title Formix" '^titled Formix$'
sleep 0.3
expect_passed "mode 3 with no window titled \"Formix \"" 3
ask main "title Formix " '^titled Formix $'
sleep 0.3
expect_taken "mode 3 with the title back" 3
ask main hide '^hide done$'
sleep 0.3
expect_taken "mode 3 while \"Formix \" is hidden" 3
ask main show '^show done$'
# A window made after SetHook and titled only later, never shown, is found as well; its end is
# the end of the triggers.
ask main "title Formix" '^titled Formix$'
ask main second '^second '
ask main "title2 Formix " '^titled2 Formix $'
sleep 0.3
REPORT=hook2 expect_taken "mode 3 with a hidden window titled \"Formix \" later" 3
ask main end-second '^end-second done$'
sleep 0.3
expect_passed "mode 3 once that window is gone" 3
ask main "title Formix " '^titled Formix $'
ask main "call M_Mode0" '^M_Mode0 done$'

# A mode written by another process reaches the process that holds the grabs.
ask other "load $bin/libfmxhook.so" '^(loaded|load failed|export)'
ask other "call M_Mode3" '^M_Mode3 done$'
sleep 0.3
expect_taken "mode 3 set by the other process" 3

# --- Key modes ---
ask main "call K_Mode1" '^K_Mode1 done$'
super_key "key mode 1 Super" 1000
check "key mode 1 Super: the report brings \"Formix \" to the front for the menu" active_is_main
ask main "call K_Mode2" '^K_Mode2 done$'
m_other=$(mark other)
super_key "key mode 2 Super" 2000
sleep 0.3
settle other
check "key mode 2 Super: the window in front keeps the focus (a fill activates nothing)" \
  eval "[ \"\$(xdotool getactivewindow)\" = '$OTHER' ] && not_printed_since other '$m_other' '^focus out\$'"
ask main "call K_Mode0" '^K_Mode0 done$'
super_key "key mode 0 Super" ""

# FmxHook judges a record the same way: key mode 2, message 1284.
ask main "call K_Mode2" '^K_Mode2 done$'
m=$(mark main)
ask main "judge 1284 0" '^judged '
wait_for main "$m" '^hook '
check "FmxHook swallows message 1284 in key mode 2 and reports 2000" \
  printed_since main "$m" '^judged 1284 -> message 0 result 0$'
check "FmxHook's report" printed_since main "$m" '^hook message=0x202 x=2000 y=0 format=32$'

# --- Nothing waits on Formix ---
ask main "call K_Mode1" '^K_Mode1 done$'
idle_ticks() { awk '{print $14 + $15}' "/proc/$MAIN_PID/stat"; }
t0=$(idle_ticks); sleep 2; t1=$(idle_ticks)
check "watching costs no CPU while idle ($((t1 - t0)) ticks in 2 s)" test $((t1 - t0)) -le 1
m_main=$(mark main); m_other=$(mark other)
ask main "busy 1500" '^busy$'
click 3 "$OTHER"
xdotool mousemove --window "$OTHER" 100 75 click 1
wait_for other "$m_other" '^button release 1 '
check "while \"Formix \" is busy: left clicks still arrive" printed_since other "$m_other" '^button press 1 '
wait_for main "$m_main" '^busy done$'
wait_for main "$m_main" '^hook '
check "after the busy spell: the right click is reported" printed_since main "$m_main" '^hook message=0x202 x=1000 '
settle other
check "while \"Formix \" is busy: the right click is still taken" not_printed_since other "$m_other" '^button press 3 '
kill -STOP "$MAIN_PID"
m_other=$(mark other)
click 3 "$OTHER"                     # taken by the stopped program
focus_other
xdotool key super                    # taken too
xdotool mousemove --window "$OTHER" 100 75 click 1
xdotool type ab
wait_for other "$m_other" "^key release $KEY_B "
check "while \"Formix \" is stopped: left clicks still arrive" printed_since other "$m_other" '^button press 1 '
check "while \"Formix \" is stopped: typing still arrives" printed_since other "$m_other" "^key press $KEY_A "
m_main=$(mark main)
kill -CONT "$MAIN_PID"
wait_for main "$m_main" '^hook .*x=1000'
settle main
check "after it goes on: both stopped triggers are reported" \
  test "$(tail -n +"$((m_main + 1))" "$work/main.out" | grep -c '^hook message=0x202 x=1000 ')" = 2

# --- Another client's grab ---
ask main "call M_Mode0" '^M_Mode0 done$'
ask other "grab-button 2" '^grab'
check "the other probe holds a grab of the middle button" printed_since other 0 '^grabbed button 2$'
ask main "call M_Mode1" '^M_Mode1 done$'
ask main "call M_Mode0" '^M_Mode0 done$'
ask main "call M_Mode1" '^M_Mode1 done$'
settle main
check "a grab held by another client is said once on stderr" \
  test "$(grep -c 'another client already grabs the middle button' "$work/main.err")" = 1

# --- RemoveHook ---
ask main "call M_Mode3" '^M_Mode3 done$'
ask main "call RemoveHook" '^RemoveHook -> '
check "RemoveHook returns 0" printed_since main 0 '^RemoveHook -> 0$'
expect_passed "after RemoveHook: mode 3 right click" 3
super_key "after RemoveHook: key mode 1 Super" ""
m=$(mark main)
ask main "call RemoveHook" '^RemoveHook -> '
check "a second RemoveHook returns -1" printed_since main "$m" '^RemoveHook -> -1$'

check "the library said nothing else on stderr" test "$(grep -vc 'already grabs' "$work/main.err")" = 0

# --- Ending ---
ask main "call SetHook" '^SetHook -> 0$'
expect_taken "hooked again" 3

# --- Without a window manager: the window tree is searched instead of the client list ---
kill "${pids[0]}"
wait "${pids[0]}" 2>/dev/null || true
ask main "title Formix" '^titled Formix$'
sleep 0.3
expect_passed "mode 3 without a window manager, no \"Formix \"" 3
ask main "title Formix " '^titled Formix $'
sleep 0.3
expect_taken "mode 3 without a window manager" 3

send main quit
exec 3>&-
deadline=$((SECONDS + 5))
while kill -0 "$MAIN_PID" 2>/dev/null; do
  [ $SECONDS -lt $deadline ] || fail "the probe did not end after unloading the hooked library"
  sleep 0.05
done
check "a hooked program that unloads the library ends cleanly" wait "$MAIN_PID"
passes_without_main() {  # WHAT
  local m_other; m_other=$(mark other)
  click 3 "$OTHER"
  wait_for other "$m_other" '^button release 3 '
  check "$1: the right click arrives" printed_since other "$m_other" '^button press 3 '
}
passes_without_main "after \"Formix \" ends"

# A program killed while hooked leaves nothing behind either.
mv "$work/main.out" "$work/main-1.out"; mv "$work/main.err" "$work/main-1.err"; rm "$work/main.in"
start_probe main "Formix " 0 0 3
wait_for main 0 '^ready$'
MAIN=$(sed -n 's/^window //p' "$work/main.out")
MAIN_PID=${pids[-1]}
ask main "load $bin/libfmxhook.so" '^loaded 11 exports$'
ask main "call M_Mode3" '^M_Mode3 done$'
ask main "display off" '^display off done$'
ask main "call SetHook" '^SetHook -> '
check "SetHook without a display returns -1" printed_since main 0 '^SetHook -> -1$'
m=$(mark main)
ask main "call RemoveHook" '^RemoveHook -> '
check "RemoveHook after a failed SetHook returns -1" printed_since main "$m" '^RemoveHook -> -1$'
ask main "display on" '^display on done$'
ask main "call SetHook" '^SetHook -> 0$'
expect_taken "a new \"Formix \" hooked" 3
kill -KILL "$MAIN_PID"
wait "$MAIN_PID" 2>/dev/null || true
passes_without_main "after \"Formix \" is killed"

settle squat
check "the squatting window never got a report" not_printed_since squat 0 '^hook'
send other quit
send squat quit
exec 3>&- 4>&- 5>&-
echo "X11 hook: $((checks - failures)) passed, $failures failed"
[ $failures -eq 0 ] || { dump_logs; exit 1; }

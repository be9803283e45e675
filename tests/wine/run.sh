#!/usr/bin/env bash
# End-to-end test of FmxHook.dll under Wine, on a virtual X display.
#
#   tests/wine/run.sh FOLDER     (FOLDER holds FmxHook.dll and hook_probe.exe)
#
# Two probe processes run side by side: "Formix " stands in for the main program (loads the
# library, sets the modes, installs the hook) and "Hook probe" is any other application. Clicks
# come from xdotool, so they travel the whole way: X server, Wine, the probe's message queue, the
# hook procedure inside that process.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)

end_wine_session() { timeout 20 wineserver -w || wineserver -k || true; }

if [ "${1:-}" != "--in-display" ]; then
  bin=$(cd "${1:?folder with FmxHook.dll and hook_probe.exe}" && pwd)
  work=$(mktemp -d)
  export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
  started=$SECONDS
  # The prefix is made without a display. Without a window manager, windows that Wine manages
  # itself are destroyed at once instead of after a two-second wait.
  env -u DISPLAY wineboot -i >"$work/wineboot.log" 2>&1
  env -u DISPLAY wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$work/wineboot.log" 2>&1
  end_wine_session
  echo "wine prefix ready in $((SECONDS - started))s"
  xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" --in-display "$bin" "$work"
  end_wine_session
  echo "wine hook test took $((SECONDS - started))s"
  exit 0
fi

# --- Inside the display ---
bin=$2
work=$3
app="$work/app"
mkdir -p "$app"
cp "$bin/FmxHook.dll" "$bin/hook_probe.exe" "$app/"

failures=0
checks=0
pids=()

start_probe() {  # NAME TITLE X Y: starts a probe; commands go to fd NAME_FD
  local name=$1
  mkfifo "$work/$name.in"
  wine "$app/hook_probe.exe" "$2" "$3" "$4" <"$work/$name.in" >"$work/$name.out" 2>"$work/$name.err" &
  pids+=($!)
}

send() { printf '%s\n' "$2" >&"$(fd_of "$1")"; }
fd_of() { case $1 in main) echo 3 ;; other) echo 4 ;; esac; }

dump_logs() {
  for n in main other; do
    echo "--- $n probe output:"; cat "$work/$n.out" 2>/dev/null || true
    echo "--- $n probe errors:"; tail -n 20 "$work/$n.err" 2>/dev/null || true
  done
}

fail() { echo "FAIL: $*"; dump_logs; kill "${pids[@]}" 2>/dev/null || true; exit 1; }

# Waits until the probe's output, after line MARK, has a line matching PATTERN.
wait_for() {  # NAME MARK PATTERN [SECONDS]
  local deadline=$((SECONDS + ${4:-30}))
  until tail -n +"$(($2 + 1))" "$work/$1.out" 2>/dev/null | grep -qE "$3"; do
    [ $SECONDS -lt $deadline ] || fail "$1 never printed /$3/"
    sleep 0.05
  done
}

mark() { wc -l <"$work/$1.out"; }

# Sends a command and waits for its answer.
ask() {  # NAME COMMAND PATTERN
  local m; m=$(mark "$1")
  send "$1" "$2"
  wait_for "$1" "$m" "$3"
}

# Waits until every message queued for the probe before now has been handled.
settle() { local token="t$RANDOM$RANDOM"; ask "$1" "ping $token" "^pong $token\$"; }

check() {  # DESCRIPTION, then a command that must succeed
  local what=$1; shift
  checks=$((checks + 1))
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
printed_since() { tail -n +"$(($2 + 1))" "$work/$1.out" | grep -qE "$3"; }
not_printed_since() { ! printed_since "$@"; }

click() {  # BUTTON X Y (1 left, 2 middle, 3 right)
  xdotool mousemove "$2" "$3" click "$1"
}

# The stand-in for the main program at the top left, the other application to its right.
start_probe main "Formix " 0 0
exec 3>"$work/main.in"
wait_for main 0 '^ready$'
start_probe other "Hook probe" 400 0
exec 4>"$work/other.in"
wait_for other 0 '^ready$'
for title in '^Formix $' '^Hook probe$'; do
  deadline=$((SECONDS + 30))
  until xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; do
    [ $SECONDS -lt $deadline ] || fail "window /$title/ never appeared on the display"
    sleep 0.1
  done
done
MAIN_X=100 MAIN_Y=75 OTHER_X=500 OTHER_Y=75

ask main load '^(loaded|load failed|export|unexpected)'
check "all 11 exports found by name and by their ordinals" printed_since main 0 '^loaded 11 exports$'
ask main "call M_Mode3" '^M_Mode3 done$'
ask main "call SetHook" '^SetHook -> '
check "SetHook returns 0" printed_since main 0 '^SetHook -> 0$'

# Mouse mode 3: the right click in the other process is taken and reported as code 1000.
m_main=$(mark main); m_other=$(mark other)
click 3 $OTHER_X $OTHER_Y
wait_for main "$m_main" '^lbuttonup '
settle other
check "mode 3: the main window gets a left-button-up at (1000, 0)" printed_since main "$m_main" '^lbuttonup x=1000 y=0 wparam=0$'
check "mode 3: the right click never reaches the other process" not_printed_since other "$m_other" 'rbutton|contextmenu'
ask other mapped '^mapped '
check "the system mapped the library into the other process" printed_since other "$m_other" '^mapped yes$'

# A mode set in the other process is what the main process's hook procedure then sees.
ask other load '^(loaded|load failed|export|unexpected)'
ask other "call M_Mode1" '^M_Mode1 done$'
m_main=$(mark main); m_other=$(mark other)
click 2 $MAIN_X $MAIN_Y
wait_for main "$m_main" '^lbuttonup '
check "mode 1 set by the other process: a middle click on the main window is reported" \
  printed_since main "$m_main" '^lbuttonup x=1000 y=0 wparam=0$'
check "mode 1: the middle click itself never reaches the main window" not_printed_since main "$m_main" 'mbutton'
m_main=$(mark main)
click 3 $OTHER_X $OTHER_Y
wait_for other "$m_other" '^contextmenu$'
settle main
check "mode 1: a right click reaches the other process untouched" printed_since other "$m_other" '^rbuttondown$'
check "mode 1: a right click is not reported" not_printed_since main "$m_main" '^lbuttonup'

# Key mode 2: message 1284 becomes code 2000, and the window in front stays in front: a fill
# must not let the page see it coming. Key mode 1 (the popup menu) brings the main window up.
is_front() {  # NAME: that probe's window is the foreground window (the report's effect may lag)
  local deadline=$((SECONDS + 3)) m
  while :; do
    m=$(mark "$1"); ask "$1" front '^front '
    printed_since "$1" "$m" '^front yes$' && return 0
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}
ask main "call K_Mode2" '^K_Mode2 done$'
ask other activate '^activated$'
is_front other || fail "the other window never came to the front"
m_main=$(mark main); m_other=$(mark other)
ask other post1284 '^posted 1284$'
wait_for main "$m_main" '^lbuttonup '
settle other
sleep 0.5
settle other
check "key mode 2: message 1284 reports code 2000" printed_since main "$m_main" '^lbuttonup x=2000 y=0 wparam=0$'
check "key mode 2: message 1284 never reaches the other window" not_printed_since other "$m_other" '^message 1284$'
check "key mode 2: the other window is never deactivated" not_printed_since other "$m_other" '^deactivated$'
check "key mode 2: the other window stays in front" is_front other
ask main "call K_Mode1" '^K_Mode1 done$'
m_main=$(mark main)
ask other post1284 '^posted 1284$'
wait_for main "$m_main" '^lbuttonup '
check "key mode 1: message 1284 reports code 1000 and brings the main window to the front" is_front main

# Modes 0: everything arrives untouched, nothing is reported.
ask main "call M_Mode0" '^M_Mode0 done$'
ask main "call K_Mode0" '^K_Mode0 done$'
m_main=$(mark main); m_other=$(mark other)
click 3 $OTHER_X $OTHER_Y
wait_for other "$m_other" '^contextmenu$'
ask other post1284 '^posted 1284$'
wait_for other "$m_other" '^message 1284$'
settle main
check "modes 0: the right click arrives untouched" printed_since other "$m_other" '^rbuttondown$'
check "modes 0: nothing is reported" not_printed_since main "$m_main" '^lbuttonup'

# RemoveHook ends it, even in mode 3.
ask main "call M_Mode3" '^M_Mode3 done$'
ask main "call RemoveHook" '^RemoveHook -> '
check "RemoveHook returns 0" printed_since main 0 '^RemoveHook -> 0$'
m_main=$(mark main); m_other=$(mark other)
click 3 $OTHER_X $OTHER_Y
wait_for other "$m_other" '^contextmenu$'
settle main
check "after RemoveHook: the right click arrives in mode 3" printed_since other "$m_other" '^rbuttondown$'
check "after RemoveHook: nothing is reported" not_printed_since main "$m_main" '^lbuttonup'

send main quit
send other quit
for pid in "${pids[@]}"; do wait "$pid" || fail "a probe ended with an error"; done
exec 3>&- 4>&-
timeout 20 wineserver -w || wineserver -k || true
echo "Wine: $((checks - failures)) passed, $failures failed"
[ $failures -eq 0 ] || { dump_logs; exit 1; }

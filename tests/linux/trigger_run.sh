#!/usr/bin/env bash
# `formix --trigger` on a virtual X desktop, over a session bus of the test's own: a phrase
# reaches the window in front, the menu trigger opens the popup, and the invocation says what
# went wrong when there is nothing to deliver to.
#
#   tests/linux/trigger_run.sh BUILD_DIR
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$here/desktop_session.sh"
source "$here/formix_ui.sh"
build=$(cd "${1:?build folder}" && pwd)
work=$(mktemp -d)
started=$SECONDS
scratch_session "$work"
start_desktop "$work" || { echo "FAIL: the virtual desktop did not start"; exit 1; }
export LANG=C.UTF-8 LC_ALL=C.UTF-8

dbus-daemon --config-file=/usr/share/dbus-1/session.conf --nofork --print-address=3 3>"$work/bus" \
  >"$work/dbus.log" 2>&1 &
started_pids+=($!)
wait_until 10 grep -q . "$work/bus" || { echo "FAIL: dbus-daemon gave no address"; exit 1; }
export DBUS_SESSION_BUS_ADDRESS
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")

text=$'いつもお世話になっております。\n山田です。'
app="$work/app"
mkdir -p "$app"
cp "$build/bin/formix" "$build/bin/libfmxhook.so" "$app/"
formix() { "$app/formix" "$@"; }

formix --trigger menu >"$work/out" 2>"$work/err"
check "no formix running: status 1, one line on stderr" test "$?:$(wc -l <"$work/err")" = "1:1"

sed -e 's/^Left=.*/Left=30000/' -e 's/^Top=.*/Top=-500/' -e "s/^Add_Key=.*/Add_Key=2/" -e 's/^Win_Key=.*/Win_Key=0/' \
  "$root/examples/sample.ini" >"$app/$(id -un).ini"
"$app/formix" >>"$work/formix.log" 2>&1 &
formix_pid=$!
started_pids+=("$formix_pid")
wait_until 10 sh -c "xdotool search --onlyvisible --name '^Formix \$'" || { echo "FAIL: formix did not start"; exit 1; }
# Ready for triggers once its name is on the session bus.
ready() { dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetNameOwner \
  string:org.formix.Formix1; }
wait_until 10 ready

log="$work/recorder.log"
"$build/tests/linux/formix_recorder" Recorder >"$log" 2>"$work/recorder.err" &
started_pids+=($!)
wait_until 10 grep -q ready "$log"
recorder=$(xdotool search --sync --name '^Recorder$' | head -n 1)
xdotool windowactivate --sync "$recorder"
sleep 0.5

formix --trigger phrase:1:1 >"$work/out" 2>"$work/err"
check "phrase:1:1: delivered, status 0, nothing said" test "$?:$(cat "$work/out" "$work/err")" = "0:"
expected="text ${text//$'\n'/\\n}
key Return"
recorded() { [ "$(cut -d' ' -f2- "$log" | grep -E '^(text|key) ')" = "$expected" ]; }
check "phrase:1:1: the window in front gets the phrase, then Enter" wait_until 10 recorded

formix --trigger phrase:1:16 >"$work/out" 2>"$work/err"
check "phrase:1:16: refused before anything is sent, one line" test "$?:$(wc -l <"$work/err")" = "2:1"
formix --trigger >"$work/out" 2>"$work/err"
check "no name: refused, one line" test "$?:$(wc -l <"$work/err")" = "2:1"

formix --trigger menu >"$work/out" 2>&1
check "menu: delivered" test "$?" = 0
check "menu: the popup opens" wait_until 5 menu_shown
xdotool key Escape

kill "$formix_pid"
wait "$formix_pid" 2>/dev/null
formix --trigger fill >"$work/out" 2>"$work/err"
check "after formix ended: status 1, one line on stderr" test "$?:$(wc -l <"$work/err")" = "1:1"

echo "trigger test took $((SECONDS - started))s"
checks_summary

#!/usr/bin/env bash
# formix on a headless GNOME compositor (mutter): it starts, says once that typing into Wayland
# programs needs the RemoteDesktop portal's consent and what to bind for the gestures, and runs
# through XWayland, where formix --trigger still reaches it.
#
#   tests/wayland/mutter_run.sh BUILD_DIR
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$here/mutter_session.sh"
build=$(realpath "${1:?build folder}")
work=$(mktemp -d)
started=$SECONDS
scratch_session "$work"
export LANG=C.UTF-8 LC_ALL=C.UTF-8

app="$work/app"
mkdir -p "$app"
cp "$build/bin/formix" "$build/bin/libfmxhook.so" "$app/"
sed -e 's/^Win_Key=.*/Win_Key=0/' "$root/examples/sample.ini" >"$app/$(id -un).ini"

start_mutter "$work" || { echo "FAIL: the headless mutter did not start"; exit 1; }
"$app/formix" >"$work/formix.log" 2>&1 &
formix_pid=$!
started_pids+=("$formix_pid")
said() { grep -q "RemoteDesktop portal's dialog" "$work/formix.log"; }
check "formix: says what does not work without consent, and what to bind" wait_until 15 said
check "formix: says it once" test "$(grep -c "RemoteDesktop portal" "$work/formix.log")" = 1
check "formix: names the custom shortcuts to add" grep -q "Custom Shortcuts, bind keys to .formix --trigger menu" "$work/formix.log"
check "formix: runs on, through XWayland" bash -c "sleep 2; kill -0 $formix_pid"
check "formix: takes triggers there" wait_until 10 "$app/formix" --trigger menu

echo "($((SECONDS - started)) s)"
checks_summary

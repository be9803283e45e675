#!/usr/bin/env bash
# make run: Formix's main job on the bundled sample data.
#
# 1. The fill engine fills the sample registration page from the sample profile (a table of
#    which field received which value).
# 2. The program itself, from a folder under the build with its own copy of the sample settings
#    (so your own settings file is never touched): on a desktop ($DISPLAY set) formix simply
#    starts; without one, a short scripted demo runs on a virtual desktop and leaves screenshots.
#
#   scripts/run-formix.sh BUILD_DIR [TODAY]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?build folder}" && pwd)
today=${2:-2025-06-01}

echo "Filling examples/registration.html from examples/sample.ini (today $today):"
"$build/tools/formix-tool" fill --summary --settings "$root/examples/sample.ini" --today "$today" "$root/examples/registration.html"
"$build/tools/formix-tool" fill --settings "$root/examples/sample.ini" --today "$today" "$root/examples/registration.html" \
  >"$build/registration-filled.html"
echo "Filled page: $build/registration-filled.html"
echo

# A portable copy: the program's folder is writable, so its settings file lives beside it.
app="$build/run"
mkdir -p "$app"
chmod go-w "$app"  # a folder others may write to would not hold the settings
cp "$build/bin/formix" "$app/"
[ -f "$build/bin/libfmxhook.so" ] && cp "$build/bin/libfmxhook.so" "$app/"
settings="$app/$(id -un).ini"
[ -f "$settings" ] || cp "$root/examples/sample.ini" "$settings"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Starting formix on $DISPLAY with the settings in $settings"
  exec "$app/formix"
fi

# ---- No display: a scripted demo on a virtual desktop ----
source "$root/tests/linux/desktop_session.sh"
source "$root/tests/linux/formix_ui.sh"
work=$(mktemp -d)
shots="$build/screenshots"
mkdir -p "$shots"
on_exit_end_session "$work"
echo "No display: a short demo on a virtual desktop (Xvfb, openbox, trayer)."
start_desktop "$work"
export XDG_RUNTIME_DIR="$work"

"$build/tests/linux/formix_recorder" "Text window" >"$work/text.log" 2>/dev/null &
started_pids+=($!)
wait_until 10 grep -q ready "$work/text.log"
"$app/formix" >"$work/formix.log" 2>&1 &
started_pids+=($!)
wait_until 10 sh -c "xdotool search --onlyvisible --name '^Formix \$'"
sleep 0.5

shot() {  # NAME: the Formix window and what lies around it, as a small PNG
  local w x y cw ch
  w=$(formix_window)
  read -r x y < <(origin "$w")
  read -r cw ch < <(client_size "$w")
  import -window root "$work/full.png"
  convert "$work/full.png" -crop "$((cw + 2 + ${2:-0}))x$((ch + 21 + ${3:-0}))+$((x - 1))+$((y - 20))" +repage \
    -colors 96 "$shots/$1.png"
  echo "  screenshot: $shots/$1.png"
}

echo "- the bar"
shot bar
echo "- the profile panel"
click_profile
shot profile
click_profile
echo "- the settings panel (phrase editors and trigger options)"
click_settings
shot settings
click_settings
echo "- a phrase typed into a text window: click in it, then on the bar's first button"
xdotool mousemove 350 300 click 1
sleep 0.3
click_phrase 0
wait_until 3 grep -q '^[0-9]* text ' "$work/text.log"
echo "  the text window received: $(grep '^[0-9]* text ' "$work/text.log" | tail -n 1 | cut -d' ' -f3-)"
echo "- the popup menu (a right click anywhere, in mouse mode 3)"
if [ -f "$app/libfmxhook.so" ]; then
  xdotool mousemove 350 300 click 3
else  # without the hook library the notification-area route opens it
  click_tray_button
  read -r ix iy < <(origin "$(tray_icon)")
  xdotool mousemove $((ix + 11)) $((iy + 11)) click 3
fi
wait_until 3 menu_shown
import -window root "$work/full.png"
convert "$work/full.png" -crop 420x600+100+150 +repage -colors 96 "$shots/popup.png"
echo "  screenshot: $shots/popup.png"
xdotool key Up Return  # 終了: the program saves and ends
wait_until 5 sh -c "! xdotool search --name '^Formix \$'"
echo "Formix closed and saved its settings to $settings"

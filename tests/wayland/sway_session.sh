# A headless sway session for tests: sway on a virtual output with no input devices and no
# XWayland, its own runtime folder and its own session bus. Source this file, then:
#   start_sway WORKDIR   exports XDG_RUNTIME_DIR (the clients'), WAYLAND_DISPLAY (a full path),
#                        SWAYSOCK, DBUS_SESSION_BUS_ADDRESS;
#                        SWAY_EXTRA_CONFIG may hold lines added to the compositor's configuration
#   stop_sway            stops only what start_sway started
# Run as root, sway itself runs as nobody (it refuses to run as root); its clients run as the
# caller. Needs sway, dbus-daemon and python3 (to read sway's window tree).

source "$(dirname "${BASH_SOURCE[0]}")/session_common.sh"

start_sway() {  # WORKDIR: tries up to three times, and says what went wrong each time
  local try
  for try in 1 2 3; do
    start_sway_once "$1" && return 0
    echo "the headless sway did not start (try $try):" >&2
    tail -n 5 "$1"/sway.log "$1"/dbus.log >&2 2>/dev/null || true
    stop_sway
    sleep 1
  done
  return 1
}

start_sway_once() {
  local work=$1 runtime="$1/sway-run" as=()
  rm -rf "$runtime" && mkdir -m 0700 "$runtime"
  cat >"$work/sway.config" <<CONFIG
xwayland disable
output HEADLESS-1 resolution 1280x800
default_border normal
${SWAY_EXTRA_CONFIG:-}
CONFIG
  if [ "$(id -u)" -eq 0 ]; then
    chmod 0755 "$work" && chmod 0644 "$work/sway.config"
    chown nobody "$runtime"
    as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  "${as[@]}" env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$work" XDG_RUNTIME_DIR="$runtime" \
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$work/sway.config" >"$work/sway.log" 2>&1 &
  session_pids+=($!)
  wait_until 10 sh -c "ls '$runtime' | grep -q '^wayland-[0-9]*\$'" || { echo "sway made no display" >&2; return 1; }
  export WAYLAND_DISPLAY
  WAYLAND_DISPLAY="$runtime/$(ls "$runtime" | grep '^wayland-[0-9]*$' | head -n 1)"
  # The clients' own runtime folder; they reach sway's socket by its full path.
  export XDG_RUNTIME_DIR="$work/run"
  mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
  wait_until 10 sh -c "ls '$runtime'/sway-ipc.*.sock" || { echo "sway made no IPC socket" >&2; return 1; }
  export SWAYSOCK
  SWAYSOCK=$(ls "$runtime"/sway-ipc.*.sock | head -n 1)
  wait_until 10 swaymsg -t get_version || { echo "sway does not answer" >&2; return 1; }
  start_session_bus "$work" || return 1
  unset DISPLAY
}

stop_sway() { stop_session; }

# The window with the keyboard focus, as sway tells it: "APP_ID<tab>TITLE", or nothing.
focused_window() {
  swaymsg -t get_tree | python3 -c '
import json, sys
def walk(node):
    if node.get("focused") and node.get("type") in ("con", "floating_con"):
        print((node.get("app_id") or "") + "\t" + (node.get("name") or ""))
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))'
}
# Whether a window whose title matches PATTERN (a Python regular expression) has the focus.
focus_on() { focused_window | cut -f2- | grep -qE "$1"; }
# Whether sway shows a window whose title matches PATTERN.
window_shown() {
  swaymsg -t get_tree | python3 -c '
import json, re, sys
found = []
def walk(node):
    if node.get("type") in ("con", "floating_con") and node.get("name") and re.search(sys.argv[1], node["name"]):
        found.append(node)
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        walk(child)
walk(json.load(sys.stdin))
sys.exit(0 if found else 1)' "$1"
}

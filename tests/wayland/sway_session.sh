# A headless sway session for tests: sway on a virtual output with no input devices and no
# XWayland, its own runtime folder and its own session bus. Source this file, then:
#   start_sway WORKDIR   exports XDG_RUNTIME_DIR (the clients'), WAYLAND_DISPLAY (a full path),
#                        SWAYSOCK, DBUS_SESSION_BUS_ADDRESS;
#                        SWAY_EXTRA_CONFIG may hold lines added to the compositor's configuration
#   stop_sway            stops only what start_sway started
# Run as root, sway itself runs as nobody (it refuses to run as root); its clients run as the
# caller. Needs sway, dbus-daemon and python3 (to read sway's window tree).

sway_pids=()

wait_until() {  # SECONDS COMMAND...: polls every 0.1 s; false on time-out
  local until=$((SECONDS * 10 + $1 * 10)); shift
  while ! "$@" >/dev/null 2>&1; do
    [ $((SECONDS * 10)) -ge $until ] && return 1
    sleep 0.1
  done
}

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
  sway_pids+=($!)
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
  # The session bus of this session alone: what one program asks of another goes nowhere else.
  dbus-daemon --config-file=/usr/share/dbus-1/session.conf --nofork --print-address=3 3>"$work/bus" \
    >"$work/dbus.log" 2>&1 &
  sway_pids+=($!)
  wait_until 10 grep -q . "$work/bus" || { echo "dbus-daemon gave no address" >&2; return 1; }
  export DBUS_SESSION_BUS_ADDRESS
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
  unset DISPLAY
}

stop_sway() {
  local i
  for ((i = ${#sway_pids[@]} - 1; i >= 0; i--)); do kill "${sway_pids[$i]}" 2>/dev/null || true; done
  for pid in "${sway_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  sway_pids=()
}

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

# Programs a script starts in the session; end_session stops them.
started_pids=()
end_session() {
  local status=$? pid
  for pid in "${started_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${started_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  stop_sway
  rm -rf "$session_work"
  exit $status
}
# A test's own home under WORKDIR, so nothing of the user's is read or written, and the end of
# the session on exit.
scratch_session() {  # WORKDIR
  session_work=$1
  trap end_session EXIT
  export HOME="$1/home"
  mkdir -p "$HOME"
  unset XDG_CONFIG_HOME
}

checks=0 failures=0
check() {  # NAME COMMAND...
  local name=$1; shift
  checks=$((checks + 1))
  if "$@"; then echo "ok   $name"; else echo "FAIL $name"; failures=$((failures + 1)); fi
}
checks_summary() {
  echo "$((checks - failures)) passed, $failures failed"
  [ "$failures" -eq 0 ]
}

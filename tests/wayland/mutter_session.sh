# A headless GNOME compositor for tests: mutter on a virtual monitor, its own runtime folder and
# session bus, in the test's home (scratch_session first), with the XWayland it starts. Source
# this file, then:
#   start_mutter WORKDIR   exports XDG_RUNTIME_DIR, WAYLAND_DISPLAY, DBUS_SESSION_BUS_ADDRESS,
#                          and DISPLAY, XAUTHORITY of mutter's XWayland
#   stop_mutter            stops only what start_mutter started
# Needs mutter, xwayland and dbus-daemon.

source "$(dirname "${BASH_SOURCE[0]}")/session_common.sh"

start_mutter() {  # WORKDIR
  local work=$1 xwayland
  export XDG_RUNTIME_DIR="$work/run"
  rm -rf "$XDG_RUNTIME_DIR" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
  start_session_bus "$work" || return 1
  unset DISPLAY
  env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$HOME" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
    DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" \
    mutter --headless --wayland --wayland-display wayland-mutter --virtual-monitor 1280x800 >"$work/mutter.log" 2>&1 &
  mutter_pid=$!
  session_pids+=($mutter_pid)
  wait_until 20 test -S "$XDG_RUNTIME_DIR/wayland-mutter" || { echo "mutter made no display" >&2; return 1; }
  export WAYLAND_DISPLAY=wayland-mutter
  # mutter's XWayland: its display and its authority file, from its command line.
  wait_until 20 pgrep -P "$mutter_pid" Xwayland || { echo "mutter started no XWayland" >&2; return 1; }
  xwayland=$(pgrep -P "$mutter_pid" Xwayland | head -n 1)
  read -r -a args < <(tr '\0' ' ' <"/proc/$xwayland/cmdline")
  for ((i = 0; i < ${#args[@]}; i++)); do
    case ${args[$i]} in
      :[0-9]*) export DISPLAY=${args[$i]} ;;
      -auth) export XAUTHORITY=${args[$((i + 1))]} ;;
    esac
  done
  [ -n "${DISPLAY:-}" ] || { echo "mutter's XWayland has no display" >&2; return 1; }
  wait_until 20 xdpyinfo || { echo "mutter's XWayland does not answer" >&2; return 1; }
}

stop_mutter() { stop_session; }

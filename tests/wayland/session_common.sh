# What every headless Wayland session of the tests shares: polling, a session bus of its own, the
# test's own home, the programs a script starts and their end, and the checks' tally. The
# compositors' files (sway_session.sh, kwin_session.sh) source it and add their own start and
# stop; a script that sources one of them calls scratch_session first.

wait_until() {  # SECONDS COMMAND...: polls every 0.1 s; false on time-out
  local until=$((SECONDS * 10 + $1 * 10)); shift
  while ! "$@" >/dev/null 2>&1; do
    [ $((SECONDS * 10)) -ge $until ] && return 1
    sleep 0.1
  done
}

# What the session's start started (compositor, bus), stopped last and in reverse order.
session_pids=()
stop_session() {
  local i
  for ((i = ${#session_pids[@]} - 1; i >= 0; i--)); do kill "${session_pids[$i]}" 2>/dev/null || true; done
  for pid in "${session_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  session_pids=()
}

# The session bus of this session alone: what one program asks of another goes nowhere else.
start_session_bus() {  # WORKDIR: exports DBUS_SESSION_BUS_ADDRESS
  local work=$1
  : >"$work/bus"
  dbus-daemon --config-file=/usr/share/dbus-1/session.conf --nofork --print-address=3 3>"$work/bus" \
    >"$work/dbus.log" 2>&1 &
  session_pids+=($!)
  wait_until 10 grep -q . "$work/bus" || { echo "dbus-daemon gave no address" >&2; return 1; }
  export DBUS_SESSION_BUS_ADDRESS
  DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
}

# Whether NAME has an owner on the session bus.
bus_name_owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.GetNameOwner "string:$1"
}

# Programs a script starts in the session; end_session stops them, then the session.
started_pids=()
end_session() {
  local status=$? pid
  for pid in "${started_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${started_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  stop_session
  # KEEP_WORK=1 keeps the logs and files for a look after a failure.
  if [ -n "${KEEP_WORK:-}" ]; then echo "kept: $session_work"; else rm -rf "$session_work"; fi
  exit $status
}
# A test's own home under WORKDIR, so nothing of the user's is read or written, and the end of
# the session on exit.
scratch_session() {  # WORKDIR
  session_work=$1
  trap end_session EXIT
  export HOME="$1/home"
  mkdir -p "$HOME"
  unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
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

# A program a typing test types into: started, and waited for until FOCUSED (a function that
# takes a title pattern) says it has the focus; stop_program ends it.
program_pid=
start_program_with() {  # FOCUSED PATTERN COMMAND...
  local focused=$1 pattern=$2; shift 2
  "$@" >>"$work/programs.log" 2>&1 &
  program_pid=$!
  started_pids+=("$program_pid")
  wait_until 30 "$focused" "$pattern" || return 1
  sleep 0.5  # a user looks before pressing the keys
}
stop_program() { kill "$program_pid" 2>/dev/null; wait "$program_pid" 2>/dev/null; }
file_is() { [ "$(cat "$1"; printf x)" = "$2x" ]; }

# mousepad (GTK 3 on Wayland) gets the phrase TEXT by the script's `trigger phrase:1:1`, then
# Enter, and keeps the focus: saved with Ctrl+S until the file holds it.
check_mousepad() {  # FOCUSED TEXT
  local focused=$1 text=$2 file="$work/mousepad.txt"
  saved_as() {  # FILE EXPECTED
    "$build/tests/wayland/wayland_keys" ctrl+s
    sleep 0.3
    file_is "$1" "$2"
  }
  : >"$file"
  if start_program_with "$focused" 'mousepad\.txt' env GDK_BACKEND=wayland NO_AT_BRIDGE=1 mousepad "$file"; then
    check "mousepad: the trigger is delivered" trigger phrase:1:1
    check "mousepad: Ctrl+V brings the phrase, then Enter" wait_until 10 saved_as "$file" "$text"$'\n'
    file_is "$file" "$text"$'\n' || printf '  got: %q\n' "$(cat "$file"; printf x)"
    check "mousepad: keeps the focus" "$focused" 'mousepad\.txt'
    stop_program
  else
    check "mousepad: the window opens" false
  fi
}

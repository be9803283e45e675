# A virtual X desktop for tests and demos: Xvfb on a free display, openbox as the window manager,
# trayer as the notification area. Source this file, then:
#   start_desktop WORKDIR   exports DISPLAY; logs go to WORKDIR
#   stop_desktop            stops only what start_desktop started
# Needs xvfb, openbox, trayer, x11-utils.

desktop_pids=()

wait_until() {  # SECONDS COMMAND...: polls every 0.1 s; false on time-out
  local until=$((SECONDS * 10 + $1 * 10)); shift
  while ! "$@" >/dev/null 2>&1; do
    [ $((SECONDS * 10)) -ge $until ] && return 1
    sleep 0.1
  done
}

tray_ready() { xwininfo -root -tree | grep '("panel" "trayer")' >/dev/null; }

start_desktop() {  # WORKDIR: tries up to three times, and says what went wrong each time
  local try
  for try in 1 2 3; do
    start_desktop_once "$1" && return 0
    echo "the virtual desktop did not start (try $try, DISPLAY=${DISPLAY:-}, Xvfb" \
      "$(kill -0 "${desktop_pids[0]:-}" 2>/dev/null && echo running || echo ended)):" >&2
    # A log that was never written must not end a caller that runs under set -e: the retry is
    # still to come.
    tail -n 5 "$1"/xvfb.log "$1"/openbox.log "$1"/trayer.log >&2 2>/dev/null || true
    stop_desktop
    sleep 1
  done
  return 1
}

start_desktop_once() {
  local work=$1
  # Xvfb picks a free display itself and writes its number, so parallel runs never collide.
  # -noreset: without it the server resets when its first client (the probe below) leaves, and a
  # client that connects meanwhile (openbox) is dropped.
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset -dpi 96 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  desktop_pids+=($!)
  wait_until 10 grep -q '[0-9]' "$work/display" || { echo "Xvfb gave no display" >&2; return 1; }
  export DISPLAY=":$(head -n 1 "$work/display")"
  wait_until 10 xdpyinfo || { echo "$DISPLAY does not answer" >&2; return 1; }
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  desktop_pids+=($!)
  wait_until 10 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    { echo "openbox did not come up" >&2; return 1; }
  trayer --edge bottom --align right --widthtype pixel --width 120 --height 24 --transparent false \
    >"$work/trayer.log" 2>&1 &
  desktop_pids+=($!)
  wait_until 10 tray_ready || { echo "trayer did not come up" >&2; return 1; }
}

stop_desktop() {
  local i
  for ((i = ${#desktop_pids[@]} - 1; i >= 0; i--)); do kill "${desktop_pids[$i]}" 2>/dev/null || true; done
  for pid in "${desktop_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  desktop_pids=()
}

# Programs a script starts on the desktop; end_session stops them.
started_pids=()

# Stops the script's programs and the desktop, removes the work folder, keeps the exit status.
# Set as the EXIT trap by on_exit_end_session.
end_session() {
  local status=$? pid
  for pid in "${started_pids[@]}"; do kill -CONT "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true; done
  for pid in "${started_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  stop_desktop
  rm -rf "$session_work"
  exit $status
}
on_exit_end_session() {  # WORKDIR
  session_work=$1
  trap end_session EXIT
}

# A test's own home and runtime folders under WORKDIR, so nothing of the user's is read or written,
# and the end of the session (see end_session) on exit.
scratch_session() {  # WORKDIR
  on_exit_end_session "$1"
  export HOME="$1/home" XDG_RUNTIME_DIR="$1/run"
  mkdir -p "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
  unset XDG_CONFIG_HOME
}

# One line per check, "ok" or "FAIL", and the count at the end (checks_summary, whose status is
# the test's).
checks=0 failures=0
start_page_server() {  # FOLDER: serves it on a free port of 127.0.0.1 only; sets $port, logs to $work/http.log
  for _ in $(seq 20); do
    port=$((20000 + RANDOM % 20000))
    python3 -m http.server "$port" --bind 127.0.0.1 --directory "$1" >"$work/http.log" 2>&1 &
    local server=$!
    sleep 0.5
    if kill -0 "$server" 2>/dev/null; then started_pids+=("$server"); return 0; fi
  done
  return 1
}

check() {  # NAME COMMAND...
  local name=$1; shift
  checks=$((checks + 1))
  if "$@"; then echo "ok   $name"; else echo "FAIL $name"; failures=$((failures + 1)); fi
}
checks_summary() {
  echo "$((checks - failures)) passed, $failures failed"
  [ "$failures" -eq 0 ]
}

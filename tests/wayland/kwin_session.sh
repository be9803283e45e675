# A headless KWin session for tests: kwin_wayland on a virtual output (--virtual) with no
# XWayland, its own runtime folder and its own session bus, in the test's home (scratch_session
# first). Source this file, then:
#   grant_fake_input NAME PROGRAM   before the start: KWin's fake input granted to PROGRAM (an
#                                   absolute path) by a desktop file NAME.desktop, as the package
#                                   grants it to formix
#   start_kwin WORKDIR              exports XDG_RUNTIME_DIR, WAYLAND_DISPLAY, DBUS_SESSION_BUS_ADDRESS
#   stop_kwin                       stops only what start_kwin started
#   kwin_focus_on PATTERN           whether the window with the focus has a caption matching
#                                   PATTERN (an extended regular expression), as KWin reports it
#   kwin_activate PATTERN           asks KWin to give the first window whose caption matches
#                                   PATTERN (a JavaScript regular expression) the focus
#   use_kde_portal                  after the start: KDE's portal answers on the session's bus
#   kwin_window_added PATTERN       the windows that appeared with a caption matching PATTERN, one
#                                   a line, the first first: CLASS, CAPTION, X, Y, WIDTH, HEIGHT,
#                                   "above" when kept above the others (else "-")
# The packaged kwin_wayland carries a file capability, which a container refuses to run: a plain
# copy of it, still named kwin_wayland, runs instead. Needs kwin-wayland, dbus-daemon, dbus-send;
# the portal xdg-desktop-portal-kde and qtwayland5.

source "$(dirname "${BASH_SOURCE[0]}")/session_common.sh"

grant_fake_input() {  # NAME PROGRAM
  mkdir -p "$HOME/.local/share/applications"
  cat >"$HOME/.local/share/applications/$1.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=$1
Exec=$2
NoDisplay=true
X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input
DESKTOP
}

start_kwin() {  # WORKDIR: tries up to three times, and says what went wrong each time
  local try
  for try in 1 2 3; do
    start_kwin_once "$1" && return 0
    echo "the headless KWin did not start (try $try):" >&2
    tail -n 5 "$1"/kwin.log "$1"/dbus.log >&2 2>/dev/null || true
    stop_kwin
    sleep 1
  done
  return 1
}

start_kwin_once() {
  local work=$1
  export XDG_RUNTIME_DIR="$work/run"
  rm -rf "$XDG_RUNTIME_DIR" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
  mkdir -p "$work/kwin-bin"
  cp /usr/bin/kwin_wayland "$work/kwin-bin/kwin_wayland"
  start_session_bus "$work" || return 1
  unset DISPLAY
  # The script below prints which window has the focus into KWin's log.
  env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$HOME" XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" \
    DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" QT_LOGGING_RULES='kwin_scripting.debug=true' \
    "$work/kwin-bin/kwin_wayland" --virtual --no-lockscreen --no-kactivities --socket wayland-kwin \
    --width 1280 --height 800 >"$work/kwin.log" 2>&1 &
  session_pids+=($!)
  wait_until 20 test -S "$XDG_RUNTIME_DIR/wayland-kwin" || { echo "KWin made no display" >&2; return 1; }
  export WAYLAND_DISPLAY=wayland-kwin
  wait_until 20 bus_name_owned org.kde.KWin || { echo "KWin is not on the bus" >&2; return 1; }
  kwin_log="$work/kwin.log"
  load_kwin_script "$work/focus-report.js" formix-test-focus <<'JS' || { echo "KWin ran no script" >&2; return 1; }
var current = null;
function report() {
  print("focus-report\t" + (current ? current.resourceClass + "\t" + current.caption : "\t"));
}
function activated(w) {
  if (current) { try { current.captionChanged.disconnect(report); } catch (e) {} }
  current = w;
  if (w) w.captionChanged.connect(report);
  report();
}
workspace.clientActivated.connect(activated);
function shown(w) {
  var g = w.frameGeometry;
  print("window-shown\t" + w.resourceClass + "\t" + w.caption + "\t" + g.x + "\t" + g.y + "\t" + g.width + "\t" + g.height + "\t" + (w.keepAbove ? "above" : "-"));
}
workspace.clientAdded.connect(function (w) {
  shown(w);
  w.captionChanged.connect(function () { shown(w); });
});
activated(workspace.activeClient);
JS
  wait_until 10 grep -q 'focus-report' "$kwin_log" || { echo "the focus script says nothing" >&2; return 1; }
}

load_kwin_script() {  # FILE NAME < SCRIPT: runs the script in KWin
  cat >"$1"
  local id
  id=$(dbus-send --session --print-reply --dest=org.kde.KWin /Scripting org.kde.kwin.Scripting.loadScript \
    "string:$1" "string:$2" | awk '/int32/ {print $2}')
  [ -n "$id" ] && [ "$id" -ge 0 ] || return 1
  # Starts the scripts loaded and not yet running.
  dbus-send --session --print-reply --dest=org.kde.KWin /Scripting org.kde.kwin.Scripting.start >/dev/null
}

stop_kwin() { stop_session; }

# KDE's portal on the session's bus, as Plasma has it: the bus starts xdg-desktop-portal and its
# KDE backend when a program first asks, in this session's environment. They end with the bus
# and the compositor.
use_kde_portal() {
  export XDG_CURRENT_DESKTOP=KDE
  XDG_SESSION_TYPE=wayland QT_QPA_PLATFORM=wayland dbus-update-activation-environment \
    WAYLAND_DISPLAY XDG_CURRENT_DESKTOP XDG_SESSION_TYPE QT_QPA_PLATFORM XDG_RUNTIME_DIR HOME
}

# A script of its own for each call (numbered, and by the shell that asks, as a subshell counts
# apart): KWin refuses a second script under a name still loaded.
kwin_activations=0
kwin_activate() {  # PATTERN
  local name="formix-test-activate-$BASHPID-$((kwin_activations += 1))" pattern=${1//\//\\/}
  load_kwin_script "$session_work/$name.js" "$name" <<JS || return 1
var all = workspace.clientList();
for (var i = 0; i < all.length; ++i) {
  if (/$pattern/.test(all[i].caption)) { workspace.activeClient = all[i]; break; }
}
JS
}

# The window with the focus as KWin last reported it: "CLASS<tab>CAPTION", or a tab alone.
kwin_focused_window() { grep -a 'focus-report' "$kwin_log" | tail -n 1 | sed 's/.*focus-report\t//; s/"$//'; }
kwin_focus_on() { kwin_focused_window | cut -f2- | grep -qE "$1"; }
kwin_window_added() { grep -a 'window-shown' "$kwin_log" | sed 's/.*window-shown\t//; s/"$//' | awk -F'\t' -v p="$1" '$2 ~ p' | grep .; }

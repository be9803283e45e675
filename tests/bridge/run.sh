#!/usr/bin/env bash
# The browser bridge end to end: Debian's chromium (or, with BRIDGE_BROWSER=firefox, firefox-esr)
# on a virtual display with the extension loaded and the relay registered in a scratch home
# folder, pages served from 127.0.0.1, and bridge_harness playing Formix. Stops only what it
# started.
#   tests/bridge/run.sh BUILD [measure RUNS]
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
mode=${2:-run}
runs=${3:-20}
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/firefox_profile.sh"
harness=$build/tests/bridge_harness
relay=$build/bin/formix-bridge

work=$(mktemp -d)
pids=()
browser_group=
cleanup() {
  local status=$?
  set +e
  # The browser runs in a process group of its own: all its helper processes end with it.
  if [ -n "$browser_group" ]; then
    kill -- "-$browser_group" 2>/dev/null
    for _ in $(seq 50); do kill -0 -- "-$browser_group" 2>/dev/null || break; sleep 0.1; done
    kill -KILL -- "-$browser_group" 2>/dev/null
  fi
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work" 2>/dev/null || { sleep 1; rm -rf "$work"; }
  exit "$status"
}
trap cleanup EXIT
trap 'exit 1' TERM INT

export HOME=$work/home XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cp "$root/examples/sample.ini" "$work/taro.ini"
cp -r "$root/tests/bridge/pages" "$work/pages"
# A registration page with a body of about 100 KB for the timings.
python3 - "$work/pages" <<'PY'
import sys
head = open(sys.argv[1] + '/register.html', encoding='utf-8').read()
start = head.index('<form name="regist"')
filler = ''.join('<p class="notice">第%d条 会員は本規約に同意のうえ登録するものとします。個人情報は適切に管理いたします。</p>\n' % i for i in range(660))
page = head[:start] + '<div id="terms">' + filler + '</div>' + head[start:]
open(sys.argv[1] + '/large.html', 'w', encoding='utf-8').write(page)
PY

# The host manifests, written by the installer Formix uses.
"$harness" install "$HOME" "$relay" >"$work/install.log"

# A virtual display with a window manager.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)

# Two page servers on neighbouring ports: the second is another origin.
for _ in $(seq 20); do
  port=$((20000 + RANDOM % 20000))
  python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/pages" >"$work/http1.log" 2>&1 &
  p1=$!
  python3 -m http.server "$((port + 1))" --bind 127.0.0.1 --directory "$work/pages" >"$work/http2.log" 2>&1 &
  p2=$!
  sleep 0.5
  if kill -0 "$p1" 2>/dev/null && kill -0 "$p2" 2>/dev/null; then pids+=("$p1" "$p2"); break; fi
  kill "$p1" "$p2" 2>/dev/null || true
  wait "$p1" "$p2" 2>/dev/null || true
done
base=http://127.0.0.1:$port

browser=${BRIDGE_BROWSER:-chromium}
if [ "$browser" = firefox ]; then
  profile=$work/firefox-profile
  firefox_test_profile "$profile" "$root"
  # Firefox hands a second start's arguments over only through a session bus: pages are opened
  # the way a person does it, with the keyboard in the window in front.
  cat >"$work/open" <<'OPEN'
#!/bin/sh
if [ "$2" = --new-window ]; then xdotool key --clearmodifiers ctrl+n; else xdotool key --clearmodifiers ctrl+t; fi
sleep 0.5
xdotool key --clearmodifiers ctrl+l
xdotool type --delay 2 "$1"
xdotool key Return
OPEN
  chmod +x "$work/open"
  setsid firefox-esr --profile "$profile" about:blank >"$work/browser.log" 2>&1 &
  browser_group=$!
  pids+=($!)
else
  flags=(--no-sandbox --no-first-run --no-default-browser-check --disable-background-networking
         --disable-component-update --disable-features=Translate --disable-sync --password-store=basic
         --disable-gpu --load-extension="$root/bridge/extension")
  cat >"$work/open" <<OPEN
#!/bin/sh
# Opens a page in the running browser (a second start hands its arguments to the first).
exec chromium ${flags[*]} "\$@" >>"$work/browser-open.log" 2>&1
OPEN
  chmod +x "$work/open"
  setsid chromium "${flags[@]}" about:blank >"$work/browser.log" 2>&1 &
  browser_group=$!
  pids+=($!)
fi

status=0
export FORMIX_TOOL=$build/tools/formix-tool
if [ "$mode" = measure ]; then
  "$harness" measure "$work/taro.ini" "$work/open" "$base/large.html" "$runs" || status=$?
else
  "$harness" run "$work/taro.ini" "$work/open" "$base" "$work/pages" || status=$?
fi
if [ "$status" -ne 0 ]; then
  echo "bridge_harness ended with status $status"
  echo "--- $browser log (tail)"; grep -v dbus "$work/browser.log" | tail -n 30 || true
fi
exit "$status"

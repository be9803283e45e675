#!/usr/bin/env bash
# What a user of the Linux desktop waits for, and what formix costs while it waits for them:
# start-up to the shown bar, memory after start, idle CPU over 10 s, phrase click to the paste
# arriving in another window (the test's recorder, chromium, mousepad), the Enter after a paste
# (from the text's arrival in a program that fetches it as GTK does), and right click to the popup
# menu, on a virtual X desktop.
#
#   bench/desktop/measure.sh BUILD_DIR   (make bench-desktop)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?build folder}" && pwd)
source "$root/tests/linux/desktop_session.sh"
source "$root/tests/linux/formix_ui.sh"
probe="$build/bench/formix_latency_probe"
work=$(mktemp -d)
on_exit_end_session "$work"
export XDG_RUNTIME_DIR="$work"
start_desktop "$work"

median() { sort -n | awk '{v[NR]=$1} END{print (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2}'; }

app="$work/app"
mkdir -p "$app"
cp "$build/bin/formix" "$build/bin/libfmxhook.so" "$app/"
# Mouse mode 3, typing wait 50 ms, Enter after each phrase.
sed 's/^Add_Key=.*/Add_Key=2/' "$root/examples/sample.ini" >"$app/$(id -un).ini"
"$build/tests/linux/formix_recorder" Recorder >"$work/rec.log" 2>/dev/null &
started_pids+=($!)
wait_until 10 grep -q ready "$work/rec.log"

read -r startup pid < <("$probe" startup "$app/formix")
started_pids+=("$pid")
echo "start-up to the shown bar: ${startup} ms"
sleep 2
echo "memory after start (VmRSS): $(awk '/VmRSS/{print $2, $3}' "/proc/$pid/status")"
# CPU time of every thread in nanoseconds (schedstat), finer than the clock ticks of stat.
cpu_ns() { cat /proc/"$pid"/task/*/schedstat | awk '{sum += $1} END{printf "%d", sum}'; }
before=$(cpu_ns)
sleep 10
after=$(cpu_ns)
echo "idle CPU over 10 s: $(awk -v ns=$((after - before)) 'BEGIN{printf "%.4f%% (%.1f ms of CPU)", ns / 1e7 / 10, ns / 1e6}')"

# Phrase button 0 of the bar; the recorder logs when the pasted text arrives.
w=$(formix_window)
read -r fx fy < <(origin "$w")
xdotool mousemove 350 300 click 1
sleep 0.3
for i in $(seq 20); do
  lines=$(wc -l <"$work/rec.log")
  t0=$("$probe" click $((fx + 33)) $((fy + 9)))
  if ! wait_until 3 sh -c "[ \$(wc -l <'$work/rec.log') -gt $lines ]"; then
    echo "  click $i: no paste within 3 s" >&2
    continue
  fi
  t1=$(tail -n +$((lines + 1)) "$work/rec.log" | awk '$2 == "text" {print $1; exit}')
  awk -v a="$t0" -v b="$t1" 'BEGIN{printf "%.1f\n", b - a}'
  sleep 0.2
done >"$work/paste.txt"
echo "phrase click to paste arriving in the recorder (typing wait 50 ms), median of 20: $(median <"$work/paste.txt") ms" \
  "(min $(sort -n "$work/paste.txt" | head -n 1), max $(sort -n "$work/paste.txt" | tail -n 1))"

for i in $(seq 20); do
  "$probe" popup 350 300 || echo "  right click $i: no popup within 10 s" >&2
  xdotool key Escape
  sleep 0.3
done >"$work/popup.txt"
echo "right click to the popup shown, median of 20: $(median <"$work/popup.txt") ms" \
  "(min $(sort -n "$work/popup.txt" | head -n 1), max $(sort -n "$work/popup.txt" | tail -n 1))"

# The added key after the paste: a window of the probe's fetches the text as GTK programs do (its
# TARGETS, then UTF8_STRING) and tells how long after the text's arrival Enter came.
"$probe" target 20 >"$work/target.txt" &
started_pids+=($!)
wait_until 5 grep -q ready "$work/target.txt"
xdotool windowactivate --sync "$(xdotool search --sync --name '^Paste target$' | head -n 1)"
sleep 0.5
for i in $(seq 20); do
  xdotool mousemove $((fx + 33)) $((fy + 9)) click 1
  wait_until 3 sh -c "[ \$(grep -vc ready '$work/target.txt') -ge $i ]" || echo "  click $i: no Enter within 3 s" >&2
  sleep 0.5  # not a double click
done
grep -v ready "$work/target.txt" >"$work/added.txt"
echo "text's arrival to the Enter after it, median of 20: $(median <"$work/added.txt") ms" \
  "(min $(sort -n "$work/added.txt" | head -n 1), max $(sort -n "$work/added.txt" | tail -n 1))"

# Phrase click to the text arriving in real programs: chromium's page tells when its input came;
# mousepad marks its file as changed in its window's title.
start_page_server "$root/tests/linux/pages"
export HOME="$work/home"
chromium --no-sandbox --no-first-run --no-default-browser-check --disable-background-networking \
  --disable-component-update --disable-features=Translate --disable-sync --password-store=basic --disable-gpu \
  --user-data-dir="$HOME/.config/chromium" "http://127.0.0.1:$port/typing.html" >"$work/chromium.log" 2>&1 &
started_pids+=($!)
wait_until 30 sh -c "xdotool search --onlyvisible --name '^入力テスト'"
browser=$(xdotool search --onlyvisible --name '^入力テスト' | head -n 1)
xdotool windowactivate --sync "$browser"
sleep 1
for i in $(seq 20); do
  mark=$(wc -l <"$work/http.log")
  t0=$("$probe" click $((fx + 33)) $((fy + 9)))
  at() { python3 "$root/tests/linux/page_seen.py" "$work/http.log" typing text-at "$mark"; }
  if ! wait_until 3 sh -c "[ -n \"\$(python3 '$root/tests/linux/page_seen.py' '$work/http.log' typing text-at $mark)\" ]"; then
    echo "  click $i: no text within 3 s" >&2
    continue
  fi
  awk -v a="$t0" -v b="$(at)" 'BEGIN{printf "%.1f\n", b - a}'
  sleep 0.7  # the Enter too
done >"$work/chromium.txt"
echo "phrase click to the text arriving in chromium, median of 20: $(median <"$work/chromium.txt") ms" \
  "(min $(sort -n "$work/chromium.txt" | head -n 1), max $(sort -n "$work/chromium.txt" | tail -n 1))"

clicks_until_title() {  # WINDOW OUTPUT AFTER...: 20 clicks on phrase button 0; AFTER runs after each
  local window=$1 output=$2; shift 2
  for i in $(seq 20); do
    "$probe" title $((fx + 33)) $((fy + 9)) "$window" || echo "  click $i: the title did not change within 10 s" >&2
    sleep 0.7  # the Enter too
    "$@"
  done >"$output"
}
: >"$work/bench.txt"
mousepad "$work/bench.txt" >"$work/mousepad.log" 2>&1 &
started_pids+=($!)
wait_until 30 sh -c "xdotool search --onlyvisible --name 'bench.txt'"
editor=$(xdotool search --onlyvisible --name 'bench.txt' | head -n 1)
xdotool windowactivate --sync "$editor"
sleep 1
saved() { xdotool key ctrl+s; wait_until 3 sh -c "! xprop -id $editor _NET_WM_NAME | grep -qF '*'" || true; }
clicks_until_title "$editor" "$work/mousepad.txt" saved
echo "phrase click to the text arriving in mousepad, median of 20: $(median <"$work/mousepad.txt") ms" \
  "(min $(sort -n "$work/mousepad.txt" | head -n 1), max $(sort -n "$work/mousepad.txt" | tail -n 1))"

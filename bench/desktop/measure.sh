#!/usr/bin/env bash
# What a user of the Linux desktop waits for, and what formix costs while it waits for them:
# start-up to the shown bar, memory after start, idle CPU over 10 s, phrase click to the paste
# arriving in another window, and right click to the popup menu, on a virtual X desktop.
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
cp "$root/examples/sample.ini" "$app/$(id -un).ini"  # mouse mode 3, typing wait 50 ms
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
echo "phrase click to paste arriving (typing wait 50 ms), median of 20: $(median <"$work/paste.txt") ms" \
  "(min $(sort -n "$work/paste.txt" | head -n 1), max $(sort -n "$work/paste.txt" | tail -n 1))"

for i in $(seq 20); do
  "$probe" popup 350 300 || echo "  right click $i: no popup within 10 s" >&2
  xdotool key Escape
  sleep 0.3
done >"$work/popup.txt"
echo "right click to the popup shown, median of 20: $(median <"$work/popup.txt") ms" \
  "(min $(sort -n "$work/popup.txt" | head -n 1), max $(sort -n "$work/popup.txt" | tail -n 1))"

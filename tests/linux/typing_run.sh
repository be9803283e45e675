#!/usr/bin/env bash
# Phrases typed from the bar into real programs on a virtual X desktop: a GTK 3 editor
# (mousepad), a Qt editor (featherpad), xterm, a VTE terminal (lxterminal), chromium and the
# test's own recorder. Each gets a Japanese phrase with a line break, then Enter, and in a second
# run Tab; what arrived is read back from the program itself (the editor's saved file, what the
# terminal's `cat` wrote, what the page's own script saw).
#
#   tests/linux/typing_run.sh BUILD_DIR
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
source "$here/desktop_session.sh"
source "$here/formix_ui.sh"
build=$(cd "${1:?build folder}" && pwd)
work=$(mktemp -d)
started=$SECONDS
scratch_session "$work"
start_desktop "$work" || { echo "FAIL: the virtual desktop did not start"; exit 1; }
export LANG=C.UTF-8 LC_ALL=C.UTF-8  # the terminals and their shell take the text as UTF-8

# Phrase 1 of the sample profile, "いつもお世話になっております。%R山田です。": "%R" is one line break.
text=$'いつもお世話になっております。\n山田です。'

# ---- formix, with the added key of each run ----
app="$work/app"
mkdir -p "$app"
cp "$build/bin/formix" "$build/bin/libfmxhook.so" "$app/"
formix_pid=
start_formix() {  # ADD_KEY (1 Tab, 2 Enter) [MOUSE_MODE]
  sed -e 's/^Left=.*/Left=30000/' -e 's/^Top=.*/Top=-500/' -e "s/^Add_Key=.*/Add_Key=$1/" -e 's/^Win_Key=.*/Win_Key=0/' \
    -e "s/^Mouse=.*/Mouse=${2:-3}/" \
    "$root/examples/sample.ini" >"$app/$(id -un).ini"
  "$app/formix" >>"$work/formix.log" 2>&1 &
  formix_pid=$!
  started_pids+=("$formix_pid")
  wait_until 10 sh -c "xdotool search --onlyvisible --name '^Formix \$'"
}
stop_formix() { kill "$formix_pid"; wait "$formix_pid" 2>/dev/null; }

# Starts a program, waits for its window (by a title pattern) and puts it in front, under the bar.
program_pid= program_window=
start_program() {  # TITLE_PATTERN COMMAND...
  local pattern=$1; shift
  "$@" >>"$work/programs.log" 2>&1 &
  program_pid=$!
  started_pids+=("$program_pid")
  wait_until 30 sh -c "xdotool search --onlyvisible --name '$pattern'" || return 1
  program_window=$(xdotool search --onlyvisible --name "$pattern" | head -n 1)
  xdotool windowactivate --sync "$program_window"
  sleep 0.5  # a user looks before clicking
}
stop_program() { kill "$program_pid" 2>/dev/null; wait "$program_pid" 2>/dev/null; }

# An editor saves (Ctrl+S) until its file holds EXPECTED: a key that came late is saved by a later
# try; one that came before the text never gives the file. (featherpad ends a file with a line
# break when it saves one that has none.)
saved_as() {  # FILE EXPECTED
  xdotool windowactivate --sync "$program_window" key ctrl+s
  sleep 0.3  # the save is written
  file_is "$1" "$2" || { [ "${2: -1}" != $'\n' ] && file_is "$1" "$2"$'\n'; }
}
file_is() { [ "$(cat "$1"; printf x)" = "$2x" ]; }

editor_run() {  # NAME KEY SUFFIX COMMAND...
  local name=$1 key=$2 suffix=$3 file="$work/$1-$2.txt"; shift 3
  : >"$file"
  start_program "$(basename "$file")" "$@" "$file" || { check "$name: the window opens" false; return; }
  click_phrase 0
  check "$name: the phrase, LF line ends, then $key" wait_until 10 saved_as "$file" "$text$suffix"
  saved_as "$file" "$text$suffix" || printf '  got: %q\n' "$(cat "$file"; printf x)"
  stop_program
}

terminal_run() {  # NAME KEY SUFFIX COMMAND...: the terminal runs `cat` with the input read as typed
  local name=$1 key=$2 suffix=$3 file="$work/$1-$2.txt"; shift 3
  : >"$file"
  start_program '^typing-terminal$' "$@" sh -c "stty -icanon; exec cat > '$file'" ||
    { check "$name: the window opens" false; return; }
  click_phrase 0
  check "$name: its paste key brings the phrase, then $key" wait_until 10 file_is "$file" "$text$suffix"
  file_is "$file" "$text$suffix" || printf '  got: %q\n' "$(cat "$file"; printf x)"
  stop_program
}

# ---- The page server and the page ----
start_page_server "$here/pages"
seen() { python3 "$here/page_seen.py" "$work/http.log" typing "$@"; }  # FIELD MARK
log_mark() { wc -l <"$work/http.log"; }
sees() {  # FIELD MARK VALUE: the page's own script saw VALUE (waits up to 10 s)
  wait_until 10 sh -c '[ "$(python3 "$0" "$1" typing "$2" "$3"; printf x)" = "$4
x" ]' "$here/page_seen.py" "$work/http.log" "$@"
}
browser_run() {  # KEY (enter or tab)
  xdotool windowactivate --sync "$browser" key F5
  wait_until 10 sh -c "xdotool search --onlyvisible --name '^入力テスト'"
  sleep 1
  local m
  m=$(log_mark)
  click_phrase 0
  check "chromium: the page's script has the phrase when $1 goes down" sees "$1" "$m" "$text"
  check "chromium: and $1 comes without modifiers" sees "$1-held" "$m" none
}

# ---- The recorder ----
rec_log="$work/recorder.log"
rec_mark() { wc -l <"$rec_log"; }
rec_lines() { tail -n +"$(($1 + 1))" "$rec_log" | cut -d' ' -f2-; }
rec_shows() {  # MARK LINES: what the recorder logged after MARK, buttons aside, is exactly LINES
  [ "$(rec_lines "$1" | grep -v '^button')" = "$2" ]
}
rec_clear() { xdotool windowactivate --sync "$recorder" key ctrl+a BackSpace; sleep 0.3; }
recorder_run() {  # KEY
  xdotool windowactivate --sync "$recorder"
  rec_clear
  local m
  m=$(rec_mark)
  click_phrase 0
  check "recorder: the phrase, then $1" wait_until 10 rec_shows "$m" "text ${text//$'\n'/\\n}
key $1"
}

"$build/tests/linux/formix_recorder" Recorder >"$rec_log" 2>"$work/recorder.err" &
started_pids+=($!)
wait_until 10 grep -q ready "$rec_log"
recorder=$(xdotool search --sync --name '^Recorder$' | head -n 1)

chromium --no-sandbox --no-first-run --no-default-browser-check --disable-background-networking \
  --disable-component-update --disable-features=Translate --disable-sync --password-store=basic --disable-gpu \
  --user-data-dir="$HOME/.config/chromium" "http://127.0.0.1:$port/typing.html" >"$work/chromium.log" 2>&1 &
started_pids+=($!)
wait_until 30 sh -c "xdotool search --onlyvisible --name '^入力テスト'"
browser=$(xdotool search --onlyvisible --name '^入力テスト' | head -n 1)

# ==== Enter, then Tab ====
typing_round() {  # ADD_KEY KEY PAGE_KEY SUFFIX
  echo "== the phrase, then $2"
  start_formix "$1" || { check "formix starts" false; return; }
  recorder_run "$2"
  browser_run "$3"
  editor_run mousepad "$2" "$4" mousepad
  editor_run featherpad "$2" "$4" featherpad
  terminal_run xterm "$2" "$4" xterm -T typing-terminal -e
  check "xterm: Shift+Insert pastes the primary selection, which holds the text too" \
    test "$(xclip -o -selection primary -t UTF8_STRING 2>/dev/null; printf x)" = "${text}x"
  terminal_run lxterminal "$2" "$4" lxterminal --no-remote -t typing-terminal -e
  stop_formix
}
typing_round 2 Return enter $'\n'

# What Formix offers as the clipboard's owner, asked by another client: the text with LF line ends
# in the formats text programs ask for; nothing in a format it lacks.
start_formix 2
xdotool windowactivate --sync "$recorder"
click_phrase 0
wait_until 10 sh -c "tail -n 1 '$rec_log' | grep -q 'key Return'"
check "clipboard: the text as UTF8_STRING, LF line ends" \
  test "$(xclip -o -selection clipboard -t UTF8_STRING; printf x)" = "${text}x"
check "clipboard: the formats offered" sh -c "xclip -o -selection clipboard -t TARGETS | sort | tr '\n' ' ' | \
  grep -qx 'TARGETS TEXT TIMESTAMP UTF8_STRING text/plain;charset=utf-8 '"
check "clipboard: a format it lacks is refused" sh -c '! xclip -o -selection clipboard -t image/png 2>/dev/null'
stop_formix

typing_round 1 Tab tab $'\t'

# ==== Keys the user still holds ====
start_formix 2 4  # the popup on Ctrl+right click
held_round() {  # HOW: the user holds Ctrl and Shift, or Ctrl alone for the gesture, while choosing
  xdotool windowactivate --sync "$recorder"
  rec_clear
  local m held
  m=$(rec_mark)
  if [ "$1" = bar ]; then
    held="Ctrl+Shift"
    xdotool keydown ctrl+shift
    click_phrase 0
  else
    held="Ctrl"
    xdotool keydown ctrl mousemove 350 300 click 3
    wait_until 3 menu_shown
    sleep 0.3
    xdotool key Down Down Return  # the first phrase
  fi
  check "held keys ($1): with $held held the phrase and a plain Enter arrive" wait_until 10 rec_shows "$m" \
    "text ${text//$'\n'/\\n}
key Return"
  m=$(rec_mark)
  xdotool mousemove 350 350 click 1
  check "held keys ($1): afterwards $held is still down as the user holds it" \
    wait_until 3 sh -c "tail -n +$((m + 1)) '$rec_log' | cut -d' ' -f2- | grep -qx 'button 1 $held'"
  if [ "$1" = bar ]; then xdotool keyup ctrl+shift; else xdotool keyup ctrl; fi
  sleep 0.5  # not a double click
  m=$(rec_mark)
  xdotool mousemove 300 300 click 1
  check "held keys ($1): and up once the user lets go" \
    wait_until 3 sh -c "tail -n +$((m + 1)) '$rec_log' | cut -d' ' -f2- | grep -qx 'button 1'"
}
held_round bar
held_round popup
stop_formix

# TYPING_LOGS=FOLDER keeps the programs' logs for a look after a failure.
[ -n "${TYPING_LOGS:-}" ] && cp "$work"/*.log "$TYPING_LOGS"/
echo "typing test took $((SECONDS - started))s"
checks_summary

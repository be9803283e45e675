# What the whole-form fill tests on a headless Wayland desktop share: formix and its relay in the
# test's home with the browsers' integration installed, the test's form served from 127.0.0.1,
# the browsers started as Wayland programs with Formix's extension, and the checks of what the
# page's own script saw. Source it after a compositor's session file; the script sets root,
# build, and calls fill_session (or scratch_session) first. Then:
#   fill_app                    formix, formix-bridge and the sample profile in $app
#   serve_form                  the form on a free port of 127.0.0.1; page_url PAGE is its address
#   start_browser NAME URL      chromium, chromium-x11 or firefox, in a process group of its own
#   stop_browsers               ends them and every helper process they started
#   relays_at_least N           whether N relays (one per connected browser) run
#   log_mark, seen, sees        what the pages reported since a mark (see below)
#   check_filled LABEL PAGE MARK  the sample profile's values reached PAGE since MARK
#   unfilled MARK PAGE...       no PAGE saw a family name since MARK
#   fill_session               a scratch session in a new folder $work, whose end stops the
#                               browsers first; sets started for the time taken
# Needs python3, chromium, firefox-esr and zip.

source "$(dirname "${BASH_SOURCE[0]}")/../firefox_profile.sh"

fill_session() {
  work=$(mktemp -d)
  started=$SECONDS
  scratch_session "$work"
  trap 'status=$?; stop_browsers; (exit $status); end_session' EXIT
  export LANG=C.UTF-8 LC_ALL=C.UTF-8
}

fill_app() {
  app="$work/app"
  mkdir -p "$app"
  cp "$build/bin/formix" "$build/bin/formix-bridge" "$app/"
  cp "$root/examples/sample.ini" "$app/$(id -un).ini"
  "$app/formix" --install-browser-integration >"$work/install.log"
}

# The test's own form, served from 127.0.0.1 only; the page reports what its script sees.
serve_form() {
  local pages="$root/tests/linux/pages" server
  for _ in $(seq 20); do
    port=$((20000 + RANDOM % 20000))
    python3 -m http.server "$port" --bind 127.0.0.1 --directory "$pages" >"$work/http.log" 2>&1 &
    server=$!
    sleep 0.5
    if kill -0 "$server" 2>/dev/null; then started_pids+=("$server"); return 0; fi
  done
  return 1
}
page_url() { echo "http://127.0.0.1:$port/signup.html?page=$1"; }
seen() { python3 "$root/tests/linux/page_seen.py" "$work/http.log" "$@"; }  # PAGE FIELD MARK
sees() {  # PAGE FIELD MARK VALUE: the page's own script saw VALUE (waits up to 10 s)
  wait_until 10 sh -c '[ "$(python3 "$0" "$1" "$2" "$3" "$4")" = "$5" ]' "$root/tests/linux/page_seen.py" \
    "$work/http.log" "$@"
}
log_mark() { wc -l <"$work/http.log"; }

# The browsers run in process groups of their own: every helper process ends with them.
browser_groups=()
stop_browsers() {
  local group
  for group in "${browser_groups[@]}"; do kill -- "-$group" 2>/dev/null || true; done
  for group in "${browser_groups[@]}"; do
    wait_until 5 sh -c "! kill -0 -- -$group" || kill -KILL -- "-$group" 2>/dev/null || true
    wait "$group" 2>/dev/null || true
  done
  browser_groups=()
}

start_browser() {  # NAME URL: in a process group of its own, on Wayland itself (chromium-x11: through XWayland)
  case $1 in
    chromium | chromium-x11)
      local platform=wayland
      [ "$1" = chromium-x11 ] && platform=x11
      setsid chromium --ozone-platform=$platform --no-sandbox --disable-gpu --no-first-run --no-default-browser-check \
        --disable-background-networking --disable-component-update --disable-features=Translate --disable-sync \
        --password-store=basic --user-data-dir="$HOME/.config/chromium" --load-extension="$root/bridge/extension" \
        "$2" >>"$work/chromium.log" 2>&1 &
      ;;
    firefox)
      local profile="$work/firefox-profile"
      firefox_test_profile "$profile" "$root"
      MOZ_ENABLE_WAYLAND=1 setsid firefox-esr --profile "$profile" "$2" >>"$work/firefox.log" 2>&1 &
      ;;
  esac
  browser_groups+=($!)
}
# The relay runs once for each connected browser.
relays_at_least() { [ "$(pgrep -f "^$app/formix-bridge" | wc -l)" -ge "$1" ]; }

# Each browser's window, by its title's end.
title_of() { case $1 in chromium) echo ' - Chromium$' ;; firefox) echo ' — Mozilla Firefox$' ;; esac; }

check_filled() {  # LABEL PAGE MARK
  check "$1: the family name reaches the page's own state" sees "$2" sei "$3" 山田
  check "$1: the given name" sees "$2" mei "$3" 太郎
  check "$1: the mail address" sees "$2" mail "$3" taro.yamada@example.co.jp
  check "$1: the postal code in two boxes" sees "$2" zip2 "$3" 0001
  check "$1: the prefecture list" sees "$2" pref "$3" 13
  check "$1: the gender button" sees "$2" sex "$3" 1
  check "$1: the telephone" sees "$2" tel3 "$3" 5678
}

unfilled() {  # MARK PAGE...
  local mark=$1 page
  shift
  for page in "$@"; do [ -z "$(seen "$page" sei "$mark")" ] || return 1; done
}

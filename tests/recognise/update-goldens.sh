#!/bin/sh
# Re-captures the project's own test pages as page facts (tests/recognise/pages/NAME.facts.json)
# and writes what the recogniser makes of each (NAME.summary), which the goldens test replays.
# Run from the project root after a build:
#   tests/recognise/update-goldens.sh            summaries from the stored facts
#   tests/recognise/update-goldens.sh --capture  capture the pages again first (needs chromium)
# Then read `git diff tests/recognise/pages`: every changed line is a changed decision.
set -eu
BUILD=${BUILD:-build}
TOOL="$BUILD/tools/formix-tool"
DIR=tests/recognise/pages
[ -x "$TOOL" ] || { echo "update-goldens: $TOOL not found (build first)" >&2; exit 2; }

# NAME PAGE: the pages that stand for the shapes the recogniser meets.
PAGES="bridge-hidden tests/bridge/pages/hidden.html
bridge-ie_form tests/bridge/pages/ie_form.html
bridge-inner tests/bridge/pages/inner.html
bridge-modern_form tests/bridge/pages/modern_form.html
bridge-register tests/bridge/pages/register.html
bridge-trap tests/bridge/pages/trap.html
deb-contact tests/deb/pages/contact.html
linux-signup tests/linux/pages/signup.html
linux-typing tests/linux/pages/typing.html
examples-registration examples/registration.html"

if [ "${1:-}" = --capture ]; then
  echo "$PAGES" | while read -r name page; do
    "$TOOL" capture "$page" > "$DIR/$name.facts.json.new"
    mv "$DIR/$name.facts.json.new" "$DIR/$name.facts.json"
  done
fi
for facts in "$DIR"/*.facts.json; do
  "$TOOL" recognise --settings examples/sample.ini --today 2026-06-01 --summary "$facts" > "${facts%.facts.json}.summary"
done

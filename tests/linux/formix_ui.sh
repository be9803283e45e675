# How a user's mouse reaches formix's controls on screen, for the end-to-end test and the demo.
# Source after desktop_session.sh. Places are the controls' design positions in twips, relative to
# the client area of the main window; 15 twips make a pixel at 96 dots per inch.

formix_window() { xdotool search --name '^Formix $' 2>/dev/null | head -n 1; }
origin() {  # WINDOW: "X Y" of its client area
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x, y}'
}
client_size() { xwininfo -id "$1" | awk '/^  Width/{w=$2} /^  Height/{h=$2} END{print w, h}'; }
mapped() { xwininfo -id "$1" 2>/dev/null | grep IsViewable >/dev/null; }
# Clicks at a point of the form given in twips from its client area's top-left corner.
click_form() {  # LEFT_TWIPS TOP_TWIPS [BUTTON]
  local w x y
  w=$(formix_window)
  read -r x y < <(origin "$w")
  xdotool mousemove $((x + $1 / 15)) $((y + $2 / 15)) click "${3:-1}"
  sleep 0.3
}
# Controls by their design position (twips, relative to the form).
click_phrase() { click_form 495 $((270 * $1 + 135)); }
click_settings() { click_form 825 5265; }
click_profile() { click_form 825 5535; }
click_tray_button() { click_form 520 5850; }
click_mouse_option() {  # optMS(i) in the settings panel
  local lefts=(2630 2630 3530 2630 3530) tops=(4540 4780 4780 5020 5020)
  click_form "${lefts[$1]}" "${tops[$1]}"
}
menu_shown() { xwininfo -name 'Formix menu' 2>/dev/null | grep IsViewable >/dev/null; }
no_tray_icon() { [ -z "$(tray_icon)" ]; }
tray_icon() { xwininfo -root -tree | awk '/"panel" "trayer"/{p=1} p && /"Formix": \("formix"/{print $1; exit}'; }
# Pastes TEXT where the keyboard focus is, as a user pastes a name copied from elsewhere. (Typing
# kanji with xdotool remaps a spare key for each character, and programs often read the new
# mapping too late.) xclip serves the clipboard until another program takes it over.
paste_text() {
  printf '%s' "$1" | xclip -selection clipboard
  xdotool key ctrl+v
  sleep 0.2
}

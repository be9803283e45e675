# Sourced by Debian's /usr/bin/chromium after /etc/chromium.d/extensions, which passes the folders
# under /usr/share/chromium/extensions with --load-extension, listed by `ls -m`: joined by ", ".
# The wrapper splits its flags at blanks, so with more than one extension package installed only
# the first folder was loaded and the others were opened as pages. Join them with commas alone.
CHROMIUM_FLAGS=$(printf '%s' "$CHROMIUM_FLAGS" | sed 's|, /usr/share/chromium/extensions/|,/usr/share/chromium/extensions/|g')
export CHROMIUM_FLAGS

# Sourced by the Wine tests: a fresh prefix of their own, and the end of a Wine session.

end_wine_session() { timeout 20 wineserver -w || wineserver -k || true; }

# Makes $work, a scratch folder removed at exit together with the prefix's wineserver, and a fresh
# Japanese prefix in it (LANG=ja_JP.UTF-8: code page 932 and a Japanese UI font, as the program's
# users have it). Sets $started to the time it began.
fresh_wine_prefix() {
  work=$(mktemp -d)
  export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8
  trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
  started=$SECONDS
  env -u DISPLAY wineboot -i >"$work/wineboot.log" 2>&1
  end_wine_session
  echo "wine prefix ready in $((SECONDS - started))s"
}

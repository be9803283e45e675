#!/usr/bin/env bash
# Packs the Windows release: FOLDER/Formix-VERSION-win64.zip with Formix.exe, FmxHook.dll,
# formix-bridge.exe, the browser extension (a folder for "Load unpacked" in Edge and Chrome) and
# the Firefox add-on package, the user's README and the sample settings file, all in one folder
# Formix-VERSION-win64/.
#
#   scripts/win-release.sh FOLDER VERSION     (FOLDER holds Formix.exe, FmxHook.dll and formix-bridge.exe)
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:?build folder}
version=${2:?version}
name="Formix-$version-win64"
stage="$folder/release/$name"
rm -rf "$folder/release" "$folder/$name.zip"
mkdir -p "$stage"
cp "$folder/Formix.exe" "$folder/FmxHook.dll" "$folder/formix-bridge.exe" "$stage/"
sed 's/$/\r/' platform/windows/README.txt >"$stage/README.txt"  # Notepad's line ends
cp examples/sample.ini "$stage/sample.ini"
# The extension for the Chromium family: the folder holding manifest.json (its fixed key keeps the
# extension's id, which the host manifest allows).
mkdir -p "$stage/browser-extension"
cp bridge/extension/manifest.json bridge/extension/*.js "$stage/browser-extension/"
# The Firefox add-on: its own manifest with the same scripts, as one package.
addon="$folder/release/firefox-addon"
mkdir -p "$addon"
cp -L bridge/extension/firefox/* "$addon/"
(cd "$addon" && cmake -E tar cf "$(pwd)/../$name/formix-firefox.xpi" --format=zip -- *)
rm -rf "$addon"
(cd "$folder/release" && cmake -E tar cf "../$name.zip" --format=zip "$name")
rm -rf "$folder/release"
echo "$folder/$name.zip"

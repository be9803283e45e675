#!/usr/bin/env bash
# Packs the Windows release: FOLDER/Formix-VERSION-win64.zip with Formix.exe, FmxHook.dll, the
# user's README and the sample settings file, all in one folder Formix-VERSION-win64/.
#
#   scripts/win-release.sh FOLDER VERSION     (FOLDER holds Formix.exe and FmxHook.dll)
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:?build folder}
version=${2:?version}
name="Formix-$version-win64"
stage="$folder/release/$name"
rm -rf "$folder/release" "$folder/$name.zip"
mkdir -p "$stage"
cp "$folder/Formix.exe" "$folder/FmxHook.dll" "$stage/"
sed 's/$/\r/' platform/windows/README.txt >"$stage/README.txt"  # Notepad's line ends
cp examples/sample.ini "$stage/sample.ini"
(cd "$folder/release" && cmake -E tar cf "../$name.zip" --format=zip "$name")
rm -rf "$folder/release"
echo "$folder/$name.zip"

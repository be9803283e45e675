#!/usr/bin/env bash
# What the Windows release zip must hold for a user to fill pages in Edge, Chrome and Firefox: the
# relay beside Formix.exe, the extension's folder for "Load unpacked" (its manifest with the fixed
# key), the Firefox add-on package with its own manifest, and a README that tells how.
#
#   tests/wine/release_contents.sh ZIP
set -euo pipefail
zip=${1:?release zip}
python3 - "$zip" <<'PY'
import io, json, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
names = set(z.namelist())
top = sys.argv[1].rsplit("/", 1)[-1][:-4] + "/"
failures = 0
def check(what, ok):
    global failures
    print(("ok   " if ok else "FAIL ") + what)
    failures += 0 if ok else 1
for f in ["Formix.exe", "FmxHook.dll", "formix-bridge.exe", "README.txt", "sample.ini"]:
    check("release zip: holds " + f, top + f in names)
ext = top + "browser-extension/"
check("release zip: the extension's folder holds its manifest and scripts",
      all(ext + f in names for f in ["manifest.json", "background.js", "facts.js"]))
if ext + "manifest.json" in names:
    m = json.loads(z.read(ext + "manifest.json"))
    check("release zip: the extension's manifest keeps the fixed key (and so its id)", bool(m.get("key")))
xpi = top + "formix-firefox.xpi"
check("release zip: holds the Firefox add-on package", xpi in names)
if xpi in names:
    addon = zipfile.ZipFile(io.BytesIO(z.read(xpi)))
    inner = set(addon.namelist())
    check("release zip: the add-on has its manifest at its root and the scripts themselves (no links)",
          {"manifest.json", "background.js", "facts.js"} <= inner and
          all(addon.getinfo(n).file_size > 100 for n in inner))
    gecko = json.loads(addon.read("manifest.json"))["browser_specific_settings"]["gecko"]["id"]
    check("release zip: the add-on's id is the one the host manifest allows", gecko == "bridge@formix")
readme = z.read(top + "README.txt").decode("utf-8")
check("release zip: the README tells how to load the extension in Edge and in Chrome",
      "edge://extensions" in readme and "chrome://extensions" in readme and "Load unpacked" in readme)
check("release zip: the README says Firefox keeps only signed add-ons and never asks to switch the check off",
      "signed" in readme and "Load Temporary Add-on" in readme and "signatures.required" not in readme)
print(f"release zip: {failures} failed")
sys.exit(1 if failures else 0)
PY

#!/usr/bin/env bash
# make deb: builds formix_<version>_<arch>.deb into OUT_DIR.
#
# The package is built in a build folder of its own, with Debian's compiler and linker flags
# (dpkg-buildflags: hardening, fortified functions) and the install laid out under /usr and /etc;
# CPack packs it, dpkg-shlibdeps finds its dependencies.
#
#   scripts/build-deb.sh PACKAGE_BUILD_DIR OUT_DIR [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?package build folder}
out=${2:?folder for the .deb}
jobs=${3:-$(nproc)}

# CMake takes CXXFLAGS and LDFLAGS from the environment at the first configure; the preprocessor's
# flags go with the compiler's.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr -DFORMIX_DEB=ON \
  -DFORMIX_TESTS=OFF -DFORMIX_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs"
rm -f "$build"/formix_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
mkdir -p "$out"
rm -f "$out"/formix_*.deb
cp "$build"/formix_*.deb "$out/"
ls "$out"/formix_*.deb

# Formix: `make run` fills the bundled sample form, `make test` runs every test.
# Both install any missing Debian package first, then configure and build.

BUILD      ?= build
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
WIN_BUILD ?= build-win
DEB_BUILD ?= build-deb
MINGW_CXX ?= x86_64-w64-mingw32-g++

.PHONY: deps win-deps desktop-deps typing-deps bridge-deps wayland-deps wayland-test kwin-deps kwin-test mutter-deps mutter-test linux-test bench-desktop build run test unit-tests fuzz-build \
        fuzz-smoke fuzz bench clean hook-dll wine-test x11-hook-test bridge-test bridge-measure \
        deb deb-deps deb-test forms-test
.PHONY: windows windows-deps windows-test win-release

deps:
	@scripts/install-deps.sh

# The cross compiler for FmxHook.dll and what its test under Wine needs.
win-deps:
	@scripts/install-deps.sh g++-mingw-w64-x86-64 wine wine64 xvfb xauth xdotool

# A virtual X desktop for the Linux desktop's test and demo.
desktop-deps:
	@scripts/install-deps.sh xvfb xauth openbox trayer x11-utils xdotool imagemagick fonts-noto-cjk util-linux xclip dbus-daemon

# The programs that phrases are typed into in the Linux desktop's typing test: a GTK 3 and a Qt
# editor, xterm and a VTE terminal (chromium comes with bridge-deps).
typing-deps:
	@scripts/install-deps.sh mousepad featherpad xterm lxterminal

# A headless Wayland session (sway, its own session bus) and the programs phrases are typed into
# there: foot, mousepad, and Qt's Wayland platform for the test's own window; the browsers the
# whole-form fill reaches there, and zip to pack firefox-esr's add-on.
wayland-deps:
	@scripts/install-deps.sh sway foot mousepad qt6-wayland dbus-daemon python3 fonts-noto-cjk chromium firefox-esr zip

# The browsers, a virtual display with a window manager, and fonts for the bridge's test in
# real browsers.
bridge-deps:
	@scripts/install-deps.sh chromium firefox-esr xvfb xauth openbox xdotool zip fonts-noto-cjk python3

# What building the Debian package and checking it need.
deb-deps:
	@scripts/install-deps.sh dpkg-dev lintian librsvg2-bin desktop-file-utils

build: deps
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFORMIX_WERROR=ON >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# Fills the sample registration page from the sample profile, then runs formix from a folder
# under the build with the sample settings: on your desktop, or as a scripted demo on a virtual
# one that leaves screenshots in $(BUILD)/screenshots.
RUN_TODAY ?= 2025-06-01
run: build desktop-deps
	@scripts/run-formix.sh $(BUILD) $(RUN_TODAY)

unit-tests: build
	@ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

fuzz-build: deps
	@CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFORMIX_FUZZ=ON -DFORMIX_WERROR=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS)

# A few seconds per fuzz target on its seed corpus: proves every target builds and runs.
fuzz-smoke: fuzz-build
	@scripts/run-fuzzers.sh $(FUZZ_BUILD) 5

# The full fuzzing run, FUZZ_SECONDS per target.
fuzz: fuzz-build
	@scripts/run-fuzzers.sh $(FUZZ_BUILD) $(FUZZ_SECONDS)

# FmxHook.dll and the Wine test's probe, cross-built from the same hook/ headers as the native
# build, with the C++ runtime linked in statically.
WIN_CXXFLAGS = -std=c++20 -O2 -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror -I.
WIN_LDFLAGS = -static -static-libgcc -static-libstdc++
HOOK_HEADERS = $(wildcard hook/*.h hook/win32/*.h) triggers/codes.h

$(WIN_BUILD)/FmxHook.dll: hook/win32/fmxhook_dll.cpp hook/win32/FmxHook.def $(HOOK_HEADERS) | win-deps
	@mkdir -p $(WIN_BUILD)
	$(MINGW_CXX) $(WIN_CXXFLAGS) -fno-exceptions -fno-rtti -shared $(WIN_LDFLAGS) -s -o $@ \
	  hook/win32/fmxhook_dll.cpp hook/win32/FmxHook.def

$(WIN_BUILD)/hook_probe.exe: tests/wine/hook_probe.cpp $(HOOK_HEADERS) | win-deps
	@mkdir -p $(WIN_BUILD)
	$(MINGW_CXX) $(WIN_CXXFLAGS) $(WIN_LDFLAGS) -s -o $@ tests/wine/hook_probe.cpp

$(WIN_BUILD)/desktop_probe.exe: tests/wine/desktop_probe.cpp | win-deps
	@mkdir -p $(WIN_BUILD)
	$(MINGW_CXX) $(WIN_CXXFLAGS) $(WIN_LDFLAGS) -s -o $@ tests/wine/desktop_probe.cpp

$(WIN_BUILD)/shellwindows_stub.exe: tests/wine/shellwindows_stub.cpp | win-deps
	@mkdir -p $(WIN_BUILD)
	$(MINGW_CXX) $(WIN_CXXFLAGS) $(WIN_LDFLAGS) -s -o $@ tests/wine/shellwindows_stub.cpp -lole32 -loleaut32 -luuid

# The stand-in browser of the bridge's test under Wine; nlohmann-json's headers alone (not the
# rest of /usr/include) for the cross compiler.
$(WIN_BUILD)/browser_stub.exe: tests/wine/browser_stub.cpp bridge/pipe_name.cpp bridge/pipe_name.h | win-deps
	@mkdir -p $(WIN_BUILD)/json-include && ln -sfn /usr/include/nlohmann $(WIN_BUILD)/json-include/nlohmann
	$(MINGW_POSIX_CXX) $(WIN_CXXFLAGS) -municode -DUNICODE -D_UNICODE -isystem $(WIN_BUILD)/json-include $(WIN_LDFLAGS) -s \
	  -o $@ tests/wine/browser_stub.cpp bridge/pipe_name.cpp -ladvapi32

# The text layer's tests against the Windows converter of code page 932, run under Wine by the
# end-to-end tests. GoogleTest comes from Debian's sources and needs the POSIX-thread compiler.
MINGW_POSIX_CXX ?= x86_64-w64-mingw32-g++-posix
GTEST_SRC ?= /usr/src/googletest/googletest
WIN_TEXT_SOURCES = text/utf.cpp text/compare.cpp text/number.cpp text/cp932.cpp text/cp932_win32.cpp

$(WIN_BUILD)/gtest-win.o: | win-deps
	@mkdir -p $(WIN_BUILD)
	$(MINGW_POSIX_CXX) -std=c++20 -O1 -isystem $(GTEST_SRC)/include -I$(GTEST_SRC) -c -o $@ $(GTEST_SRC)/src/gtest-all.cc

$(WIN_BUILD)/text_tests.exe: tests/text_test.cpp $(WIN_TEXT_SOURCES) $(wildcard text/*.h) $(WIN_BUILD)/gtest-win.o
	$(MINGW_POSIX_CXX) $(WIN_CXXFLAGS) -isystem $(GTEST_SRC)/include $(WIN_LDFLAGS) -s -o $@ \
	  tests/text_test.cpp $(WIN_TEXT_SOURCES) $(WIN_BUILD)/gtest-win.o $(GTEST_SRC)/src/gtest_main.cc

# Formix.exe's rules of trust (settings folder, save, programs), run under Wine by the end-to-end tests.
WIN_TRUST_SOURCES = tests/wine/win32_trust_test.cpp platform/windows/win32_trust.cpp app/atomic_file.cpp
$(WIN_BUILD)/trust_tests.exe: $(WIN_TRUST_SOURCES) platform/windows/win32_trust.h app/atomic_file.h $(WIN_BUILD)/gtest-win.o
	$(MINGW_POSIX_CXX) $(WIN_CXXFLAGS) -isystem $(GTEST_SRC)/include $(WIN_LDFLAGS) -s -o $@ \
	  $(WIN_TRUST_SOURCES) $(WIN_BUILD)/gtest-win.o $(GTEST_SRC)/src/gtest_main.cc -ladvapi32

hook-dll: $(WIN_BUILD)/FmxHook.dll

# The library in real Windows processes under Wine, with clicks from a virtual X display.
wine-test: win-deps $(WIN_BUILD)/FmxHook.dll $(WIN_BUILD)/hook_probe.exe
	@tests/wine/run.sh $(WIN_BUILD)

# libfmxhook.so on Xvfb with openbox: real clicks and keys from xdotool against two probe windows.
x11-hook-test: build desktop-deps
	@tests/x11/hook_run.sh $(BUILD)

# formix on a virtual X desktop, driven by xdotool; phrases typed into real programs, by the bar
# and by formix --trigger; then filling a page in chromium through the browser bridge.
linux-test: build desktop-deps typing-deps bridge-deps
	@tests/linux/desktop_session_test.sh
	@tests/linux/run.sh $(BUILD)
	@tests/linux/typing_run.sh $(BUILD)
	@tests/linux/trigger_run.sh $(BUILD)
	@tests/linux/browser_run.sh $(BUILD)

# formix as a Wayland client of a headless sway: phrases by `formix --trigger` into foot,
# mousepad and a native Qt window; the whole-form fill by `formix --trigger fill` in chromium and
# firefox-esr running as Wayland programs.
wayland-test: build wayland-deps
	@tests/wayland/typing_run.sh $(BUILD)
	@tests/wayland/fill_run.sh $(BUILD)

# A headless KDE Plasma compositor (KWin 5.27, a plain copy of its binary), what is typed into
# there, and the whole-form fill in chromium and firefox-esr running there as Wayland programs,
# by the trigger, the bar and the shortcut KDE's portal registered.
kwin-deps:
	@scripts/install-deps.sh kwin-wayland mousepad qt6-wayland dbus-daemon dbus-bin python3 fonts-noto-cjk chromium procps \
	  firefox-esr zip xdg-desktop-portal xdg-desktop-portal-kde qtwayland5

kwin-test: build kwin-deps
	@tests/wayland/kwin_typing_run.sh $(BUILD)
	@tests/wayland/kwin_fill_run.sh $(BUILD)

# A headless GNOME compositor (mutter 43) with its XWayland: what formix says and does there,
# and the whole-form fill in chromium running there as a Wayland program.
mutter-deps:
	@scripts/install-deps.sh mutter xwayland x11-utils procps dbus-daemon dbus-bin xdotool xclip qt6-wayland python3 python3-dbus \
	  fonts-noto-cjk chromium firefox-esr zip

mutter-test: build mutter-deps
	@tests/wayland/mutter_run.sh $(BUILD)
	@tests/wayland/mutter_fill_run.sh $(BUILD)

# The browser bridge end to end in chromium and in firefox-esr: the extension, the relay, and
# Formix's side.
bridge-test: bridge-deps build
	@echo "== bridge in chromium"
	@BRIDGE_BROWSER=chromium tests/bridge/run.sh $(BUILD)
	@echo "== bridge in firefox-esr"
	@BRIDGE_BROWSER=firefox tests/bridge/run.sh $(BUILD)

# The recogniser on its own pages of each kind (tests/recognise/forms/), captured in headless
# chromium: every control must receive what the page says it should.
forms-test: bridge-deps build
	@python3 tests/recognise/check_forms.py $(BUILD) --strict

# Timings of the bridge's legs on a 100 KB page body, median of BRIDGE_RUNS fills
# (BRIDGE_BROWSER=firefox for firefox-esr).
BRIDGE_RUNS ?= 20
bridge-measure: bridge-deps build
	@tests/bridge/run.sh $(BUILD) measure $(BRIDGE_RUNS)


# The Debian package $(BUILD)/formix_<version>_amd64.deb, built in $(DEB_BUILD) with Debian's flags.
deb: deps deb-deps
	@scripts/build-deb.sh $(DEB_BUILD) $(BUILD) $(JOBS)

# The package as a user meets it: lintian, apt install, a fill in Debian's chromium and firefox-esr
# without any set-up, then apt purge (installs and removes the package on this machine).
deb-test: deb desktop-deps bridge-deps
	@tests/deb/run.sh $(BUILD)

# Formix.exe: the model and engines cross-built with mingw-w64 (cmake/mingw-w64.cmake) together
# with the Win32 view and ports of platform/windows/, beside FmxHook.dll in $(WIN_BUILD)/.
windows: win-deps $(WIN_BUILD)/FmxHook.dll
	@cmake -S . -B $(WIN_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake \
	  -DCMAKE_BUILD_TYPE=MinSizeRel -DFORMIX_WERROR=ON >/dev/null
	@cmake --build $(WIN_BUILD) -j $(JOBS) --target Formix formix-bridge

# The Windows release: $(WIN_BUILD)/Formix-<version>-win64.zip (Formix.exe, FmxHook.dll, formix-bridge.exe,
# the browser extension and the Firefox add-on, README.txt,
# sample.ini).
FORMIX_VERSION = $(shell sed -n 's/^project.Formix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
win-release: windows
	@scripts/win-release.sh $(WIN_BUILD) $(FORMIX_VERSION)

# What the end-to-end tests of Formix.exe need beyond the hook library's test: a window manager
# (the keyboard follows the window in front), a notification area, a Japanese font for the UI, and
# imagemagick to look at the screen.
windows-deps:
	@scripts/install-deps.sh g++-mingw-w64-x86-64 wine wine64 xvfb xauth xdotool openbox trayer fonts-noto-cjk \
	  imagemagick python3

# Formix.exe under Wine as a user meets it: start-up, typing, triggers, tray and close.
# Then the browser bridge: registration, the pipe, formix-bridge.exe started as Chrome starts it by
# a stand-in browser, fills by the Windows key and the fill button; and what the release zip holds.
windows-test: windows-deps windows build $(WIN_BUILD)/desktop_probe.exe $(WIN_BUILD)/shellwindows_stub.exe \
  $(WIN_BUILD)/text_tests.exe $(WIN_BUILD)/trust_tests.exe $(WIN_BUILD)/browser_stub.exe win-release
	@tests/wine/formix_e2e.sh $(WIN_BUILD) $(BUILD)/tools/formix-tool
	@tests/wine/bridge_e2e.sh $(WIN_BUILD) $(BUILD)/tools/formix-tool
	@tests/wine/release_contents.sh $(WIN_BUILD)/Formix-$(FORMIX_VERSION)-win64.zip


test: unit-tests fuzz-smoke wine-test windows-test x11-hook-test linux-test wayland-test kwin-test mutter-test bridge-test forms-test deb-test

bench: build
	@$(BUILD)/bench/formix_bench

# The Linux desktop's waits and footprint on a virtual X desktop.
bench-desktop: build desktop-deps typing-deps bridge-deps
	@bench/desktop/measure.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(FUZZ_BUILD) $(WIN_BUILD) $(DEB_BUILD)

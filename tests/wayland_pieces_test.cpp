// The Wayland desktop's pieces that need no compositor: the virtual keyboard's own keymap and
// modifier state, the toplevels' state array and focus order, the kind of text read from an
// offer, the paste key chosen by a program's name, sway's bindings, and every piece without a
// compositor.
#include <gtest/gtest.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon-keysyms.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>

#include "platform/linux/sway_bindings.h"
#include "platform/linux/terminal_paste_keys.h"
#include "platform/wayland/clipboard_thread.h"
#include "platform/wayland/data_control_clipboard.h"
#include "platform/wayland/key_map.h"
#include "platform/wayland/toplevels.h"
#include "platform/wayland/virtual_keyboard.h"

namespace formix::platform::wayland {
namespace {

TEST(WaylandKeyMap, EveryKeyThePasteAndTheAddedKeysNeedIsOnItsOwnKeymap) {
  KeyMap keymap;
  ASSERT_TRUE(keymap.valid());
  // Evdev codes of the US layout: the codes the compositor passes on to programs.
  EXPECT_EQ(keymap.evdevCode(XKB_KEY_Control_L), 29u);
  EXPECT_EQ(keymap.evdevCode(XKB_KEY_Shift_L), 42u);
  EXPECT_EQ(keymap.evdevCode(XKB_KEY_v), 47u);
  EXPECT_EQ(keymap.evdevCode(XKB_KEY_Insert), 110u);
  EXPECT_EQ(keymap.evdevCode(XKB_KEY_Tab), 15u);
  EXPECT_EQ(keymap.evdevCode(XKB_KEY_Return), 28u);
  EXPECT_EQ(keymap.evdevCode(XKB_KEY_1), 2u);
  // A symbol only a level shift gives, or none at all, has no key of its own.
  EXPECT_FALSE(keymap.evdevCode(XKB_KEY_V));
  EXPECT_FALSE(keymap.evdevCode(0));
  // The text the compositor maps ends with the NUL it expects.
  ASSERT_FALSE(keymap.text().empty());
  EXPECT_EQ(keymap.text().back(), '\0');
  EXPECT_NE(keymap.text().find("xkb_keymap"), std::string::npos);
}

TEST(WaylandKeyMap, TheCompositorsOwnKeymapGivesItsOwnKeys) {
  // KWin's fake input sends keys by their codes on KWin's layout: on a German one, y is where a
  // US keyboard has z, and a Dvorak one has v elsewhere still.
  const auto textOf = [](const char* layout, const char* variant) {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
    const xkb_rule_names names{"evdev", "pc105", layout, variant, ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    char* text = keymap != nullptr ? xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1) : nullptr;
    std::string copy = text != nullptr ? text : "";
    std::free(text);
    if (keymap != nullptr) xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return copy;
  };
  const KeyMap german(textOf("de", ""));
  ASSERT_TRUE(german.valid());
  EXPECT_EQ(german.evdevCode(XKB_KEY_y), 44u);
  EXPECT_EQ(german.evdevCode(XKB_KEY_v), 47u);
  const KeyMap dvorak(textOf("us", "dvorak"));
  ASSERT_TRUE(dvorak.valid());
  EXPECT_EQ(dvorak.evdevCode(XKB_KEY_v), 52u);
  EXPECT_EQ(dvorak.evdevCode(XKB_KEY_Control_L), 29u);
  EXPECT_FALSE(KeyMap(std::string("not a keymap")).valid());
}

TEST(WaylandKeyMap, ModifierKeysSetAndClearTheirOwnBitsOnly) {
  KeyMap keymap;
  const uint32_t ctrl = *keymap.evdevCode(XKB_KEY_Control_L), shift = *keymap.evdevCode(XKB_KEY_Shift_L);
  const uint32_t v = *keymap.evdevCode(XKB_KEY_v);
  const KeyMap::Modifiers withCtrl = keymap.update(ctrl, true);
  EXPECT_NE(withCtrl.depressed, 0u);
  const KeyMap::Modifiers withBoth = keymap.update(shift, true);
  EXPECT_NE(withBoth.depressed, withCtrl.depressed);
  EXPECT_EQ(withBoth.depressed & withCtrl.depressed, withCtrl.depressed);
  EXPECT_EQ(keymap.update(v, true), withBoth);  // an ordinary key changes no modifier
  keymap.update(v, false);
  EXPECT_EQ(keymap.update(shift, false), withCtrl);
  EXPECT_EQ(keymap.update(ctrl, false), KeyMap::Modifiers{});
  keymap.update(ctrl, true);
  keymap.reset();
  EXPECT_EQ(keymap.update(v, true).depressed, 0u);
}

TEST(WaylandToplevels, OnlyTheActivatedStateMarksTheFocusedWindow) {
  wl_array states;
  wl_array_init(&states);
  EXPECT_FALSE(activatedIn(&states));
  EXPECT_FALSE(activatedIn(nullptr));
  for (uint32_t state : {0u /* maximized */, 1u /* minimized */, 3u /* fullscreen */}) {
    *static_cast<uint32_t*>(wl_array_add(&states, sizeof(uint32_t))) = state;
  }
  EXPECT_FALSE(activatedIn(&states));
  *static_cast<uint32_t*>(wl_array_add(&states, sizeof(uint32_t))) = 2u;  // activated
  EXPECT_TRUE(activatedIn(&states));
  wl_array_release(&states);
}

TEST(WaylandClipboard, ReadsTheBestTextTypeOnOffer) {
  EXPECT_EQ(textTypeOf({"image/png", "text/plain", "text/plain;charset=utf-8"}), "text/plain;charset=utf-8");
  EXPECT_EQ(textTypeOf({"STRING", "UTF8_STRING"}), "UTF8_STRING");
  EXPECT_EQ(textTypeOf({"TEXT"}), "TEXT");
  EXPECT_EQ(textTypeOf({"image/png", "text/html"}), "");
  EXPECT_EQ(textTypeOf({}), "");
}

TEST(TerminalPasteKeys, WaylandAppIdsAndX11ClassesPickTheTerminalsKey) {
  EXPECT_EQ(pasteChordOf({"foot"}), PasteChord::CtrlShiftV);
  EXPECT_EQ(pasteChordOf({"org.gnome.Terminal"}), PasteChord::CtrlShiftV);
  EXPECT_EQ(pasteChordOf({"org.kde.konsole"}), PasteChord::CtrlShiftV);
  EXPECT_EQ(pasteChordOf({"xterm", "XTerm"}), PasteChord::ShiftInsert);
  EXPECT_EQ(pasteChordOf({"Navigator", "URxvt"}), PasteChord::ShiftInsert);  // the second name decides
  EXPECT_EQ(pasteChordOf({"org.xfce.mousepad"}), PasteChord::CtrlV);
  EXPECT_EQ(pasteChordOf({}), PasteChord::CtrlV);
}

}  // namespace
}  // namespace formix::platform::wayland

namespace formix::platform {
namespace {

TEST(SwayBindings, TheChosenGesturesBecomeBindingsThatRunTheTrigger) {
  const std::string bar = "for_window [title=\"^Formix\"] floating enable, sticky enable\nno_focus [title=\"^Formix\"]\n";
  EXPECT_EQ(swayBindings(0, 0, "/usr/bin/formix"), bar);
  EXPECT_EQ(swayBindings(3, 2, "/usr/bin/formix"),
            bar + "bindsym --whole-window button3 exec '/usr/bin/formix' --trigger menu\n"
                  "bindsym --release Super_L exec '/usr/bin/formix' --trigger fill\n");
  EXPECT_EQ(swayBindings(2, 1, "f"), bar + "bindsym --whole-window Ctrl+button2 exec 'f' --trigger menu\n"
                                           "bindsym --release Super_L exec 'f' --trigger menu\n");
  EXPECT_NE(swayBindings(4, 0, "f").find("Ctrl+button3"), std::string::npos);
  EXPECT_NE(swayBindings(1, 0, "f").find(" button2 "), std::string::npos);
  // Out of range: no binding, never a stray one.
  EXPECT_EQ(swayBindings(5, 3, "f"), bar);
  EXPECT_EQ(swayBindings(-1, -1, "f"), bar);
  // A path with a quote or blanks stays one word for the shell that sway runs it with.
  EXPECT_NE(swayBindings(3, 0, "/home/o'neil/my apps/formix").find("exec '/home/o'\\''neil/my apps/formix' --trigger"),
            std::string::npos);
}

}  // namespace
}  // namespace formix::platform

namespace formix::platform::wayland {
namespace {

TEST(WaylandToplevels, TheFocusedWindowComesFirstThenTheOthersByHowRecentlyTheyHadIt) {
  std::vector<Toplevel> all{{1, "a", "never", false, 0}, {2, "b", "long ago", false, 3},
                            {3, "formix", "Formix ", true, 9}, {4, "c", "just before", false, 8},
                            {5, "d", "also never", false, 0}};
  orderByRecentFocus(all);
  std::vector<uint32_t> ids;
  for (const Toplevel& t : all) ids.push_back(t.id);
  EXPECT_EQ(ids, (std::vector<uint32_t>{3, 4, 2, 1, 5}));
}

}  // namespace
}  // namespace formix::platform::wayland

namespace formix::platform::wayland {
namespace {

// No compositor at all (a session without one, or one that went away): every piece says so at
// once, and nothing waits for an answer that cannot come.
TEST(WaylandWithoutCompositor, EveryPieceRefusesAtOnce) {
  const char* before = std::getenv("WAYLAND_DISPLAY");
  const std::string was = before != nullptr ? before : "";
  setenv("WAYLAND_DISPLAY", "formix-test-no-such-display", 1);
  {
    WaylandSession session;
    EXPECT_FALSE(session.connected());
    EXPECT_FALSE(session.dispatch());
    EXPECT_FALSE(session.roundtrip());
    VirtualKeyboard keyboard(session);
    EXPECT_FALSE(keyboard.available());
    EXPECT_FALSE(keyboard.key(XKB_KEY_v, true));
    Toplevels toplevels(session);
    EXPECT_FALSE(toplevels.available());
    EXPECT_FALSE(toplevels.active());
    EXPECT_FALSE(toplevels.activate(0x7f000001));
    ClipboardThread clipboard;
    EXPECT_FALSE(clipboard.available());
    EXPECT_FALSE(clipboard.setText("x"));
    EXPECT_FALSE(clipboard.clear());
    EXPECT_FALSE(clipboard.text());
    clipboard.watchFetch();
    EXPECT_TRUE(clipboard.fetched());  // nothing to wait for
  }
  if (before != nullptr) setenv("WAYLAND_DISPLAY", was.c_str(), 1);
  else unsetenv("WAYLAND_DISPLAY");
}

}  // namespace
}  // namespace formix::platform::wayland

// The X11 hook library's pure parts: which grabs the modes need, how a mode change moves them,
// how an X event becomes a message for the hook's rules, and those rules over an X display.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hook/hook_library.h"
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "hook/x11/grab_plan.h"
#include "hook/x11/shared_memory.h"
#include "hook/x11/x11_environment.h"
#include "hook/x11/x_input.h"

namespace formix::hook::x11 {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

constexpr std::uint16_t kMod2 = 1u << 4;  // where NumLock usually sits
constexpr std::uint16_t kMod5 = 1u << 7;
constexpr std::uint16_t kCtrl = kControlMask;
constexpr LockMasks kNumLockOnly{kMod2, 0};
constexpr std::uint8_t kSuperL = 133;
constexpr std::uint8_t kSuperR = 134;
const std::vector<std::uint8_t> kSupers{kSuperL, kSuperR};

Grab button(std::uint8_t b, std::uint16_t m) { return {Grab::Kind::Button, b, m}; }
Grab key(std::uint8_t k, std::uint16_t m) { return {Grab::Kind::Key, k, m}; }

std::vector<Grab> plan(std::int32_t mouse, std::int32_t keys, LockMasks locks = kNumLockOnly) {
  return grabsFor(mouse, keys, true, locks, kSupers);
}

// --- Lock keys ---

TEST(X11GrabPlan, EveryCombinationOfTheLockKeysIsCoveredOnce) {
  EXPECT_THAT(lockCombinations({0, 0}), ElementsAre(0, kLockMask));
  EXPECT_THAT(lockCombinations(kNumLockOnly), ElementsAre(0, kLockMask, kMod2, kLockMask | kMod2));
  EXPECT_THAT(lockCombinations({kMod2, kMod5}),
              UnorderedElementsAre(0, kLockMask, kMod2, kMod5, kLockMask | kMod2, kLockMask | kMod5, kMod2 | kMod5,
                                   kLockMask | kMod2 | kMod5));
  // NumLock and ScrollLock on one modifier (or NumLock on Lock) add no duplicate states.
  EXPECT_THAT(lockCombinations({kMod2, kMod2}), ElementsAre(0, kLockMask, kMod2, kLockMask | kMod2));
  EXPECT_THAT(lockCombinations({kLockMask, 0}), ElementsAre(0, kLockMask));
}

TEST(X11GrabPlan, NumLockAndScrollLockAreFoundInTheModifierMap) {
  // Eight rows (Shift, Lock, Control, Mod1..Mod5) of two keycodes; 0 is an empty slot.
  const std::vector<std::uint8_t> map{50, 62, 66, 0, 37, 105, 64, 108, 77, 0, 0, 0, 133, 134, 92, 78};
  const std::vector<std::uint8_t> numLock{77}, scrollLock{78}, absent{200}, emptySlot{0};
  EXPECT_EQ(modifierMaskHolding(map, 2, numLock), kMod2);
  EXPECT_EQ(modifierMaskHolding(map, 2, scrollLock), kMod5);
  EXPECT_EQ(modifierMaskHolding(map, 2, absent), 0);
  EXPECT_EQ(modifierMaskHolding(map, 2, emptySlot), 0);
  EXPECT_EQ(modifierMaskHolding(std::span(map).first(7), 2, scrollLock), 0);  // a short map is read no further
}

// --- Grabs per mode ---

TEST(X11GrabPlan, EachMouseModeGrabsItsButtonWithAndWithoutCtrlAsTheRulesReadCtrl) {
  const std::vector<std::uint16_t> locks{0, kLockMask, kMod2, kLockMask | kMod2};
  const auto expected = [&](std::uint8_t b, bool plain) {
    std::vector<Grab> out;
    for (auto l : locks) {
      if (plain) out.push_back(button(b, l));
      out.push_back(button(b, static_cast<std::uint16_t>(kCtrl | l)));
    }
    std::sort(out.begin(), out.end());
    return out;
  };
  EXPECT_THAT(plan(0, 0), IsEmpty());
  EXPECT_EQ(plan(1, 0), expected(kMiddleButton, true));   // Ctrl not read: a Ctrl-click is a trigger too
  EXPECT_EQ(plan(2, 0), expected(kMiddleButton, false));  // only with Ctrl
  EXPECT_EQ(plan(3, 0), expected(kRightButton, true));
  EXPECT_EQ(plan(4, 0), expected(kRightButton, false));
  // A value no mode export writes grabs no button.
  EXPECT_THAT(plan(5, 0), IsEmpty());
  EXPECT_THAT(plan(-1, 0), IsEmpty());
}

TEST(X11GrabPlan, KeyModesGrabEverySuperKeyInEveryLockState) {
  EXPECT_THAT(plan(0, 0), IsEmpty());
  const std::vector<Grab> one = plan(0, 1);
  EXPECT_EQ(one, plan(0, 2));
  EXPECT_EQ(one.size(), 8u);
  for (auto l : {0, int{kLockMask}, int{kMod2}, kLockMask | kMod2}) {
    EXPECT_THAT(one, testing::Contains(key(kSuperL, static_cast<std::uint16_t>(l))));
    EXPECT_THAT(one, testing::Contains(key(kSuperR, static_cast<std::uint16_t>(l))));
  }
  // Both kinds together; a keycode of 0 (no such key) and a repeated keycode are grabbed once or never.
  const std::vector<std::uint8_t> odd{0, kSuperL, kSuperL};
  EXPECT_EQ(grabsFor(3, 1, true, {}, odd).size(), 4u + 2u);
}

TEST(X11GrabPlan, NothingIsGrabbedWhileThereIsNoMainWindow) {
  for (int mouse = 0; mouse <= 4; ++mouse) {
    for (int keys = 0; keys <= 2; ++keys) EXPECT_THAT(grabsFor(mouse, keys, false, kNumLockOnly, kSupers), IsEmpty());
  }
}

// --- Mode changes ---

TEST(X11GrabPlan, AModeChangeMovesOnlyTheGrabsThatDiffer) {
  const GrabChange toCtrlRight = grabChange(plan(3, 1), plan(4, 1));
  EXPECT_THAT(toCtrlRight.take, IsEmpty());
  EXPECT_EQ(toCtrlRight.release.size(), 4u);
  for (const Grab& g : toCtrlRight.release) EXPECT_EQ(g.modifiers & kCtrl, 0);  // the Ctrl grabs stay

  const GrabChange toMiddle = grabChange(plan(4, 1), plan(1, 1));
  EXPECT_EQ(toMiddle.release.size(), 4u);
  EXPECT_EQ(toMiddle.take.size(), 8u);
  for (const Grab& g : toMiddle.release) EXPECT_EQ(g.detail, kRightButton);
  for (const Grab& g : toMiddle.take) EXPECT_EQ(g.detail, kMiddleButton);

  const GrabChange keysOff = grabChange(plan(3, 2), plan(3, 0));
  EXPECT_THAT(keysOff.take, IsEmpty());
  for (const Grab& g : keysOff.release) EXPECT_EQ(g.kind, Grab::Kind::Key);

  const GrabChange same = grabChange(plan(2, 2), plan(2, 2));
  EXPECT_THAT(same.release, IsEmpty());
  EXPECT_THAT(same.take, IsEmpty());
  // The main window going away releases everything; its return takes it all again.
  EXPECT_EQ(grabChange(plan(3, 1), {}).release, plan(3, 1));
  EXPECT_EQ(grabChange({}, plan(3, 1)).take, plan(3, 1));
}

// --- Events as messages ---

TEST(X11Input, ButtonsAndTheSuperKeyBecomeTheWatchedMessages) {
  EXPECT_EQ(messageFor(kButtonPress, 3, false), kRButtonDown);
  EXPECT_EQ(messageFor(kButtonRelease, 3, false), kRButtonUp);
  EXPECT_EQ(messageFor(kButtonPress, 2, false), kMButtonDown);
  EXPECT_EQ(messageFor(kButtonRelease, 2, false), kMButtonUp);
  EXPECT_EQ(messageFor(kKeyPress, kSuperL, true), kWindowsKey);
  // What a grab brings along besides: none of it is watched.
  EXPECT_EQ(messageFor(kButtonPress, 1, false), 0u);
  EXPECT_EQ(messageFor(kButtonPress, 4, false), 0u);
  EXPECT_EQ(messageFor(kKeyRelease, kSuperL, true), 0u);
  EXPECT_EQ(messageFor(kKeyPress, 38, false), 0u);
  EXPECT_EQ(messageFor(6, 3, false), 0u);  // motion
}

TEST(X11Input, CtrlIsTheControlBitOfTheEventState) {
  EXPECT_TRUE(ctrlHeld(ctrlKeyState(kCtrl)));
  EXPECT_TRUE(ctrlHeld(ctrlKeyState(kCtrl | kLockMask | kMod2 | 0x400)));
  EXPECT_FALSE(ctrlHeld(ctrlKeyState(0)));
  EXPECT_FALSE(ctrlHeld(ctrlKeyState(kShiftMask | kLockMask | kMod1Mask | kMod2 | 0x400)));
}

TEST(X11Input, AHeldSuperKeyCountsOnce) {
  RepeatFilter repeats;
  EXPECT_FALSE(repeats.isRepeat(kSuperL, 100));
  repeats.released(kSuperL, 250);
  EXPECT_TRUE(repeats.isRepeat(kSuperL, 250));   // the server's repeat: release and press at one time
  EXPECT_FALSE(repeats.isRepeat(kSuperL, 251));  // a new press
  EXPECT_FALSE(repeats.isRepeat(kSuperR, 250));
}

TEST(X11Input, TheMainWindowIsTheOneTitledExactlyFormixBlank) {
  using O = std::optional<std::string_view>;
  EXPECT_TRUE(isMainWindowTitle(O("Formix "), O()));
  EXPECT_TRUE(isMainWindowTitle(O(), O("Formix ")));
  EXPECT_TRUE(isMainWindowTitle(O("Formix "), O("something else")));
  EXPECT_FALSE(isMainWindowTitle(O("Formix"), O("Formix ")));  // the UTF-8 title wins
  EXPECT_FALSE(isMainWindowTitle(O("formix "), O()));
  EXPECT_FALSE(isMainWindowTitle(O("Formix  "), O()));
  EXPECT_FALSE(isMainWindowTitle(O(""), O()));
  EXPECT_FALSE(isMainWindowTitle(O(), O()));
}

TEST(X11Input, ThePostedLParamIsTheClientPoint) {
  EXPECT_EQ(pointFromLParam(1000).x, 1000);
  EXPECT_EQ(pointFromLParam(1000).y, 0);
  EXPECT_EQ(pointFromLParam(2000).x, 2000);
  const ClientPoint p = pointFromLParam(static_cast<std::intptr_t>(0xFFFE0005));
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, -2);
}

// --- The rules over a display ---

class RecordingDisplay : public TriggerTarget, public WatchControl {
 public:
  WindowRef main = 0x2a00007;
  HookHandle nextHandle = 4321;
  bool watching = false;
  std::vector<std::string> calls;

  WindowRef mainWindow() noexcept override { return main; }
  void activate(WindowRef window, std::uint32_t time) noexcept override {
    calls.push_back("activate " + std::to_string(window) + " at " + std::to_string(time));
  }
  void report(WindowRef window, std::uint32_t message, ClientPoint point) noexcept override {
    calls.push_back("report " + std::to_string(window) + " " + std::to_string(message) + " (" +
                    std::to_string(point.x) + ", " + std::to_string(point.y) + ")");
  }
  HookHandle startWatching() noexcept override {
    watching = nextHandle != 0;
    return nextHandle;
  }
  bool stopWatching() noexcept override { return std::exchange(watching, false); }
};

class X11HookRules : public ::testing::Test {
 protected:
  SharedState shared;
  RecordingDisplay display;

  // Judges one record; returns the message number the record is left with.
  std::uint32_t judge(std::uint32_t message, std::uint16_t state = 0, bool otherGrab = false,
                      TriggerTarget* target = nullptr) {
    FmxHookMessage record{message, state, static_cast<std::uint8_t>(otherGrab), 0, 777};
    X11Environment env(target != nullptr ? target : &display, &record);
    EXPECT_EQ(hookProcedure(env, shared, 0, 0, reinterpret_cast<std::intptr_t>(&record)), 0);
    return record.message;
  }
  const std::string reported1000 = "report 44040199 514 (1000, 0)";
  const std::string activated = "activate 44040199 at 777";
};

TEST_F(X11HookRules, ATriggerActivatesTheMainWindowWithTheEventTimeThenReports) {
  setMouseMode(shared, 3);
  EXPECT_EQ(judge(kRButtonDown), 0u);
  EXPECT_THAT(display.calls, IsEmpty());
  EXPECT_EQ(judge(kRButtonUp), 0u);
  EXPECT_THAT(display.calls, ElementsAre(activated, reported1000));
}

TEST_F(X11HookRules, CtrlModesReadCtrlFromEachEventsState) {
  setMouseMode(shared, 4);
  EXPECT_EQ(judge(kRButtonDown, kCtrl | kMod2), 0u);
  EXPECT_EQ(judge(kRButtonUp, kMod2), kRButtonUp);  // Ctrl let go before the release: passes
  EXPECT_THAT(display.calls, IsEmpty());
  EXPECT_EQ(judge(kRButtonUp, kCtrl), 0u);
  setMouseMode(shared, 2);
  EXPECT_EQ(judge(kMButtonUp, kShiftMask), kMButtonUp);
  EXPECT_EQ(judge(kMButtonUp, kCtrl | kLockMask), 0u);
  EXPECT_THAT(display.calls, ElementsAre(activated, reported1000, activated, reported1000));
}

TEST_F(X11HookRules, AnotherClientsGrabKeepsTheRightButtonsRelease) {
  setMouseMode(shared, 3);
  EXPECT_EQ(judge(kRButtonDown, 0, true), 0u);
  EXPECT_EQ(judge(kRButtonUp, 0, true), kRButtonUp);
  setMouseMode(shared, 1);
  EXPECT_EQ(judge(kMButtonUp, 0, true), 0u);  // the middle button has no such test
  EXPECT_THAT(display.calls, ElementsAre(activated, reported1000));
}

TEST_F(X11HookRules, TheSuperKeyReportsTheKeyModeTimes1000) {
  setKeyMode(shared, 2);
  EXPECT_EQ(judge(kWindowsKey), 0u);
  setKeyMode(shared, 0);
  EXPECT_EQ(judge(kWindowsKey), kWindowsKey);
  // The fill leaves the window in front and its focus alone: reported, never activated.
  EXPECT_THAT(display.calls, ElementsAre("report 44040199 514 (2000, 0)"));
}

TEST_F(X11HookRules, WithoutMainWindowOrDisplayEverythingPasses) {
  setMouseMode(shared, 3);
  setKeyMode(shared, 1);
  display.main = 0;
  EXPECT_EQ(judge(kRButtonUp), kRButtonUp);
  EXPECT_EQ(judge(kWindowsKey), kWindowsKey);
  FmxHookMessage record{kRButtonUp, 0, 0, 0, 0};
  X11Environment noDisplay(nullptr, &record);
  hookProcedure(noDisplay, shared, 0, 0, reinterpret_cast<std::intptr_t>(&record));
  EXPECT_EQ(record.message, kRButtonUp);
  EXPECT_THAT(display.calls, IsEmpty());
}

TEST_F(X11HookRules, SetHookStoresWhatStartingReturnedAndRemoveHookSaysWhetherItStopped) {
  X11Environment env(display);
  EXPECT_EQ(setHook(env, shared), 0);
  EXPECT_EQ(shared.hookHandle, 4321);
  EXPECT_EQ(removeHook(env, shared), 0);
  EXPECT_EQ(removeHook(env, shared), -1);  // nothing left to stop
  display.nextHandle = 0;                  // no display
  EXPECT_EQ(setHook(env, shared), -1);
  EXPECT_EQ(shared.hookHandle, 0);
  EXPECT_EQ(removeHook(env, shared), -1);
}

// --- The shared record ---

class X11SharedRecord : public ::testing::Test {
 protected:
  const std::string name = "/formix-hook-test-" + std::to_string(getpid());
  void TearDown() override { shm_unlink(name.c_str()); }
};

TEST_F(X11SharedRecord, IsCreatedOwnerOnlyAndAllZeroAndSeenByEveryMapping) {
  SharedState* first = openSharedState(name);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->hookHandle, 0);
  EXPECT_EQ(first->mouseMode, 0);
  EXPECT_EQ(first->keyMode, 0);
  setMouseMode(*first, 3);
  SharedState* second = openSharedState(name);  // as another process would map it
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(load(second->mouseMode), 3);
  setKeyMode(*second, 2);
  EXPECT_EQ(load(first->keyMode), 2);

  struct stat st {};
  ASSERT_EQ(stat(("/dev/shm" + name).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(st.st_size, 12);
  munmap(first, sizeof(SharedState));
  munmap(second, sizeof(SharedState));
}

TEST(X11SharedRecordName, OneRecordPerUserAndDisplayWhateverTheDisplaysName) {
  // A second program on another display (a remote session beside the local one) keeps its modes.
  EXPECT_EQ(sharedMemoryName(":0", 1000), "/formix-hook-1000-_0");
  EXPECT_EQ(sharedMemoryName("unix:0", 1000), sharedMemoryName(":0", 1000));
  EXPECT_EQ(sharedMemoryName(":0.1", 1000), sharedMemoryName(":0", 1000));
  EXPECT_NE(sharedMemoryName(":1", 1000), sharedMemoryName(":0", 1000));
  EXPECT_NE(sharedMemoryName("localhost:10.0", 1000), sharedMemoryName(":10", 1000));
  EXPECT_NE(sharedMemoryName(":0", 1001), sharedMemoryName(":0", 1000));
  EXPECT_EQ(sharedMemoryName("../x/y:3", 7), "/formix-hook-7-.._x_y_3");  // no "/" after the first
  EXPECT_EQ(sharedMemoryName("", 7), "/formix-hook-7-_");
}

TEST_F(X11SharedRecord, AnObjectOthersCanOpenIsNotUsed) {
  const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(fchmod(fd, 0666), 0);  // made by someone who lets every user write the modes
  close(fd);
  testing::internal::CaptureStderr();
  EXPECT_EQ(openSharedState(name), nullptr);
  EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::HasSubstr("is not private to this user"));
}

}  // namespace
}  // namespace formix::hook::x11

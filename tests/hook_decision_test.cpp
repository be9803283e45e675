// The hook's pure rules: which messages it looks at, and what it does with each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "hook/decision.h"

namespace formix::hook {
namespace {

constexpr std::uint32_t kWatched[] = {kRButtonDown, kRButtonUp, kMButtonDown, kMButtonUp, kWindowsKey};

// decide() with fixed answers to its two questions, counting how often each was asked.
struct Situation {
  bool mainWindow = true;
  std::int32_t mouse = 0;
  std::int32_t key = 0;
  bool ctrl = false;
  bool captureAllows = true;
  mutable int ctrlAsked = 0;
  mutable int captureAsked = 0;

  Decision operator()(std::uint32_t message) const {
    return decide(message, mainWindow, mouse, key, [this] { return ++ctrlAsked, ctrl; },
                  [this] { return ++captureAsked, captureAllows; });
  }
};

TEST(HookDecision, WatchesExactlyTheFiveMessages) {
  for (std::uint32_t m : kWatched) EXPECT_TRUE(isWatched(m)) << m;
  for (std::uint32_t m : {0u, 0x200u, 0x201u, 0x202u, 0x203u, 0x206u, 0x209u, 0x503u, 0x505u, 0x10204u})
    EXPECT_FALSE(isWatched(m)) << m;
}

TEST(HookDecision, RightButtonInModes3And4) {
  EXPECT_EQ((Situation{.mouse = 3})(kRButtonDown), kSwallow);
  EXPECT_EQ((Situation{.mouse = 3})(kRButtonUp), report(1000));
  EXPECT_EQ((Situation{.mouse = 4, .ctrl = true})(kRButtonDown), kSwallow);
  EXPECT_EQ((Situation{.mouse = 4, .ctrl = true})(kRButtonUp), report(1000));
  EXPECT_EQ((Situation{.mouse = 4, .ctrl = false})(kRButtonDown), kPass);
  EXPECT_EQ((Situation{.mouse = 4, .ctrl = false})(kRButtonUp), kPass);
  // A capture window that keeps its release: the press was taken, the release passes unreported.
  EXPECT_EQ((Situation{.mouse = 3, .captureAllows = false})(kRButtonDown), kSwallow);
  EXPECT_EQ((Situation{.mouse = 3, .captureAllows = false})(kRButtonUp), kPass);
  EXPECT_EQ((Situation{.mouse = 4, .ctrl = true, .captureAllows = false})(kRButtonUp), kPass);
}

TEST(HookDecision, MiddleButtonInModes1And2HasNoCaptureTest) {
  EXPECT_EQ((Situation{.mouse = 1, .captureAllows = false})(kMButtonDown), kSwallow);
  EXPECT_EQ((Situation{.mouse = 1, .captureAllows = false})(kMButtonUp), report(1000));
  EXPECT_EQ((Situation{.mouse = 2, .ctrl = true})(kMButtonDown), kSwallow);
  EXPECT_EQ((Situation{.mouse = 2, .ctrl = true})(kMButtonUp), report(1000));
  EXPECT_EQ((Situation{.mouse = 2})(kMButtonDown), kPass);
  EXPECT_EQ((Situation{.mouse = 2})(kMButtonUp), kPass);
}

TEST(HookDecision, EachMouseModeLeavesTheOtherButtonAlone) {
  for (std::int32_t mode : {1, 2})
    for (std::uint32_t m : {kRButtonDown, kRButtonUp}) EXPECT_EQ((Situation{.mouse = mode, .ctrl = true})(m), kPass);
  for (std::int32_t mode : {3, 4})
    for (std::uint32_t m : {kMButtonDown, kMButtonUp}) EXPECT_EQ((Situation{.mouse = mode, .ctrl = true})(m), kPass);
}

TEST(HookDecision, WindowsKeyReportsKeyModeTimes1000) {
  EXPECT_EQ((Situation{.key = 0})(kWindowsKey), kPass);
  EXPECT_EQ((Situation{.key = 1})(kWindowsKey), report(1000));  // the same code as a mouse trigger
  EXPECT_EQ((Situation{.key = 2})(kWindowsKey), report(2000));
  // The mouse modes do not touch it, nor the key mode the buttons.
  EXPECT_EQ((Situation{.mouse = 3, .ctrl = true})(kWindowsKey), kPass);
  for (std::uint32_t m : {kRButtonDown, kRButtonUp, kMButtonDown, kMButtonUp})
    EXPECT_EQ((Situation{.key = 2})(m), kPass);
}

TEST(HookDecision, TheCodesTheModesCanReportAreExactlyThoseTheRulesReport) {
  for (std::int32_t mouse = -1; mouse <= 5; ++mouse) {
    for (std::int32_t key = -1; key <= 3; ++key) {
      std::vector<std::int32_t> reported;
      for (std::uint32_t m : kWatched) {
        for (bool ctrl : {false, true}) {
          const Decision d = Situation{.mouse = mouse, .key = key, .ctrl = ctrl}(m);
          if (d.verdict == Verdict::SwallowAndReport) reported.push_back(d.code);
        }
      }
      for (std::int32_t code : {0, 1000, 2000, 3000, -1000}) {
        const bool seen = std::find(reported.begin(), reported.end(), code) != reported.end();
        EXPECT_EQ(modesCanReport(mouse, key, code), seen) << mouse << " " << key << " " << code;
      }
    }
  }
}

TEST(HookDecision, ModesZeroPassEverythingEvenWithTheMainWindow) {
  const Situation s{.mouse = 0, .key = 0, .ctrl = true};
  for (std::uint32_t m : kWatched) EXPECT_EQ(s(m), kPass) << m;
  EXPECT_EQ(s.ctrlAsked + s.captureAsked, 0);
}

TEST(HookDecision, WithoutTheMainWindowNothingIsTakenInAnyMode) {
  for (std::int32_t mouse = 0; mouse <= 4; ++mouse)
    for (std::int32_t key = 0; key <= 2; ++key) {
      const Situation s{.mainWindow = false, .mouse = mouse, .key = key, .ctrl = true};
      for (std::uint32_t m : kWatched) EXPECT_EQ(s(m), kPass) << m << " mouse " << mouse << " key " << key;
      EXPECT_EQ(s.ctrlAsked + s.captureAsked, 0);
    }
}

TEST(HookDecision, AsksForCtrlOnlyInItsModesAndForCaptureOnlyOnATriggeringRightRelease) {
  for (std::int32_t mouse = 0; mouse <= 4; ++mouse)
    for (std::uint32_t m : kWatched) {
      const Situation s{.mouse = mouse, .key = 1, .ctrl = true};
      s(m);
      const bool right = m == kRButtonDown || m == kRButtonUp;
      const bool middle = m == kMButtonDown || m == kMButtonUp;
      EXPECT_EQ(s.ctrlAsked, (mouse == 4 && right) || (mouse == 2 && middle) ? 1 : 0) << m << " mode " << mouse;
      EXPECT_EQ(s.captureAsked, m == kRButtonUp && (mouse == 3 || mouse == 4) ? 1 : 0) << m << " mode " << mouse;
    }
  const Situation noCtrl{.mouse = 4, .ctrl = false};
  noCtrl(kRButtonUp);
  EXPECT_EQ(noCtrl.captureAsked, 0);  // the capture test comes after the mode and Ctrl test
}

TEST(HookDecision, CtrlCountsOnlyWhileItIsDown) {
  EXPECT_TRUE(ctrlHeld(static_cast<std::int16_t>(0x8000)));
  EXPECT_TRUE(ctrlHeld(static_cast<std::int16_t>(0x8001)));
  EXPECT_FALSE(ctrlHeld(0x0001));  // pressed some time since the last query, up now
  EXPECT_FALSE(ctrlHeld(0));
}

TEST(HookDecision, CaptureTestReadsTheStyleOnlyWhenTheExtendedStyleIsZero) {
  int styleReads = 0;
  auto style = [&styleReads](std::int32_t value) { return [&styleReads, value] { return ++styleReads, value; }; };
  EXPECT_TRUE(captureLetsTriggerThrough(0x100, style(0x10000000)));
  EXPECT_EQ(styleReads, 0);
  EXPECT_FALSE(captureLetsTriggerThrough(0, style(0x10000000)));
  EXPECT_TRUE(captureLetsTriggerThrough(0, style(0)));
  EXPECT_EQ(styleReads, 2);
}

}  // namespace
}  // namespace formix::hook

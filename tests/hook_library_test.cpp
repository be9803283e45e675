// The hook library over a recorded system: what the hook procedure calls, writes and posts for
// each message, and what the exports return and store.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "hook/hook_library.h"

namespace formix::hook {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr WindowRef kMain = 0x10;
constexpr WindowRef kCaptureWindow = 0x20;

template <class... Args>
std::string print(const char* format, Args... args) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, format, args...);
  return buffer;
}

unsigned long long u(std::uintptr_t v) { return v; }

// One process's view of a desktop, recording every system call in order.
class RecordingSystem : public HookEnvironment {
 public:
  std::map<std::string, WindowRef> windowsByTitle{{"Formix ", kMain}};
  std::int16_t ctrlState = 0;
  WindowRef capture = 0;
  std::int32_t captureExStyle = 0;
  std::int32_t captureStyle = 0;
  HookHandle nextHookHandle = 0x5A0021;  // what installing returns; 0 refuses
  std::vector<HookHandle> installed;
  std::vector<std::string> calls;

  std::uint32_t& messageNumber(std::intptr_t lParam) noexcept override {
    calls.push_back("read message");
    return *reinterpret_cast<std::uint32_t*>(lParam);
  }
  WindowRef findWindow(const char* title) noexcept override {
    calls.push_back(print("FindWindowA(%s)", title));
    const auto it = windowsByTitle.find(title);
    return it == windowsByTitle.end() ? 0 : it->second;
  }
  std::int16_t asyncKeyState(int key) noexcept override {
    calls.push_back(print("GetAsyncKeyState(0x%x)", key));
    return ctrlState;
  }
  WindowRef captureWindow() noexcept override {
    calls.push_back("GetCapture");
    return capture;
  }
  std::int32_t windowLong(WindowRef window, int index) noexcept override {
    calls.push_back(print("GetWindowLongA(0x%llx, %d)", u(window), index));
    return window != capture ? 0 : index == kGwlExStyle ? captureExStyle : captureStyle;
  }
  void setForegroundWindow(WindowRef window) noexcept override {
    calls.push_back(print("SetForegroundWindow(0x%llx)", u(window)));
  }
  void postMessage(WindowRef window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) noexcept override {
    calls.push_back(print("PostMessageA(0x%llx, 0x%x, %llu, %lld)", u(window), message, u(wParam), static_cast<long long>(lParam)));
  }
  HookHandle setWindowsHook() noexcept override {
    calls.push_back("SetWindowsHookExA");
    if (nextHookHandle != 0) installed.push_back(nextHookHandle);
    return nextHookHandle;
  }
  bool unhookWindowsHook(HookHandle hook) noexcept override {
    calls.push_back(print("UnhookWindowsHookEx(0x%x)", hook));
    return std::erase(installed, hook) > 0;
  }
  std::intptr_t callNextHook(HookHandle hook, int code, std::uintptr_t wParam, std::intptr_t lParam) noexcept override {
    // The record as the next hook sees it, unless the code says not to look.
    const std::uint32_t seen = code < 0 ? 0xFFFFFFFF : *reinterpret_cast<std::uint32_t*>(lParam);
    calls.push_back(print("CallNextHookEx(0x%x, %d, %llu, 0x%x)", hook, code, u(wParam), seen));
    return 77;
  }
};

class HookLibraryTest : public ::testing::Test {
 protected:
  SharedState shared;
  RecordingSystem system;
  FmxHookLibrary<HookEnvironment> library{system, shared};

  // Passes one retrieved message through the hook procedure and returns what the application gets.
  std::uint32_t retrieve(std::uint32_t message, int code = 0) {
    const std::intptr_t result = library.FmxHook(code, 1, reinterpret_cast<std::intptr_t>(&message));
    EXPECT_EQ(result, 77);  // always what the next hook returned
    return message;
  }
  std::vector<std::string> posts() const {
    std::vector<std::string> out;
    for (const auto& c : system.calls)
      if (c.starts_with("SetForeground") || c.starts_with("PostMessage")) out.push_back(c);
    return out;
  }
};

TEST_F(HookLibraryTest, UnwatchedMessagesCostNoSystemCallButTheNextHook) {
  library.M_Mode3();
  library.K_Mode2();
  EXPECT_EQ(retrieve(0x200), 0x200u);
  EXPECT_THAT(system.calls, ElementsAre("read message", "CallNextHookEx(0x0, 0, 1, 0x200)"));
}

TEST_F(HookLibraryTest, NegativeCodeGoesStraightOnWithoutLookingAtTheRecord) {
  library.M_Mode3();
  EXPECT_EQ(retrieve(kRButtonUp, -1), kRButtonUp);
  EXPECT_THAT(system.calls, ElementsAre("CallNextHookEx(0x0, -1, 1, 0xffffffff)"));
}

TEST_F(HookLibraryTest, RightClickInMode3IsSwallowedAndReportedAsCode1000) {
  library.M_Mode3();
  EXPECT_EQ(retrieve(kRButtonDown), kNullMessage);
  EXPECT_THAT(posts(), IsEmpty());
  system.calls.clear();
  EXPECT_EQ(retrieve(kRButtonUp), kNullMessage);
  EXPECT_THAT(system.calls, ElementsAre("read message", "FindWindowA(Formix )", "GetCapture", "SetForegroundWindow(0x10)",
                                        "PostMessageA(0x10, 0x202, 0, 1000)", "CallNextHookEx(0x0, 0, 1, 0x0)"));
}

TEST_F(HookLibraryTest, OnlyTheMenuBringsTheMainWindowToTheFrontTheFillLeavesTheFocusAlone) {
  library.K_Mode1();
  EXPECT_EQ(retrieve(kWindowsKey), kNullMessage);
  library.K_Mode2();
  EXPECT_EQ(retrieve(kWindowsKey), kNullMessage);
  EXPECT_THAT(posts(), ElementsAre("SetForegroundWindow(0x10)", "PostMessageA(0x10, 0x202, 0, 1000)",
                                   "PostMessageA(0x10, 0x202, 0, 2000)"));
}

TEST_F(HookLibraryTest, WithoutAWindowTitledFormixBlankTheClickReachesTheApplication) {
  system.windowsByTitle = {{"Formix", 0x30}, {"formix ", 0x31}};
  library.M_Mode3();
  library.K_Mode1();
  for (std::uint32_t m : {kRButtonDown, kRButtonUp, kWindowsKey}) EXPECT_EQ(retrieve(m), m);
  EXPECT_THAT(posts(), IsEmpty());
}

TEST_F(HookLibraryTest, Mode4JudgesCtrlSeparatelyAtPressAndRelease) {
  library.M_Mode4();
  system.ctrlState = static_cast<std::int16_t>(0x8000);
  EXPECT_EQ(retrieve(kRButtonDown), kNullMessage);
  system.ctrlState = 0;  // Ctrl let go before the release: the application sees a lone button-up
  EXPECT_EQ(retrieve(kRButtonUp), kRButtonUp);
  EXPECT_THAT(posts(), IsEmpty());

  system.ctrlState = 0;  // Ctrl pressed only before the release
  EXPECT_EQ(retrieve(kRButtonDown), kRButtonDown);
  system.ctrlState = static_cast<std::int16_t>(0x8000);
  EXPECT_EQ(retrieve(kRButtonUp), kNullMessage);
  EXPECT_THAT(posts(), ElementsAre("SetForegroundWindow(0x10)", "PostMessageA(0x10, 0x202, 0, 1000)"));
}

TEST_F(HookLibraryTest, CtrlPressedEarlierButUpNowIsNotACtrlClick) {
  library.M_Mode4();
  system.ctrlState = 1;
  EXPECT_EQ(retrieve(kRButtonDown), kRButtonDown);
  EXPECT_EQ(retrieve(kRButtonUp), kRButtonUp);
  EXPECT_THAT(posts(), IsEmpty());
}

TEST_F(HookLibraryTest, CaptureWindowDecidesTheRightRelease) {
  library.M_Mode3();
  struct Case {
    WindowRef capture;
    std::int32_t exStyle, style;
    bool reported;
  };
  for (const Case& c : {Case{0, 0, 0, true}, Case{kCaptureWindow, 0x200, 0x10000000, true},
                        Case{kCaptureWindow, 0, 0, true}, Case{kCaptureWindow, 0, 0x10000000, false}}) {
    system.calls.clear();
    system.capture = c.capture;
    system.captureExStyle = c.exStyle;
    system.captureStyle = c.style;
    EXPECT_EQ(retrieve(kRButtonUp), c.reported ? kNullMessage : kRButtonUp) << c.exStyle << " " << c.style;
    EXPECT_EQ(posts().size(), c.reported ? 2u : 0u);
  }
  // The last case read both styles of the capture window, extended style first.
  EXPECT_THAT(system.calls, ::testing::Contains("GetWindowLongA(0x20, -20)"));
  EXPECT_THAT(system.calls, ::testing::Contains("GetWindowLongA(0x20, -16)"));
}

TEST_F(HookLibraryTest, EachMessageIsJudgedByTheModeAtItsRetrieval) {
  library.M_Mode3();
  EXPECT_EQ(retrieve(kRButtonDown), kNullMessage);
  library.M_Mode0();
  EXPECT_EQ(retrieve(kRButtonUp), kRButtonUp);
  library.M_Mode1();
  EXPECT_EQ(retrieve(kMButtonDown), kNullMessage);
  library.M_Mode2();  // Ctrl is up
  EXPECT_EQ(retrieve(kMButtonUp), kMButtonUp);
  EXPECT_THAT(posts(), IsEmpty());
}

TEST_F(HookLibraryTest, SetHookStoresTheHandleThatEveryProcessHandsOn) {
  EXPECT_EQ(library.SetHook(), 0);
  EXPECT_EQ(shared.hookHandle, 0x5A0021);
  retrieve(0x200);
  EXPECT_EQ(system.calls.back(), "CallNextHookEx(0x5a0021, 0, 1, 0x200)");
  EXPECT_EQ(library.RemoveHook(), 0);
  EXPECT_EQ(shared.hookHandle, 0x5A0021);  // kept
  EXPECT_EQ(system.calls.back(), "UnhookWindowsHookEx(0x5a0021)");
  EXPECT_EQ(library.RemoveHook(), -1);  // already gone
}

TEST_F(HookLibraryTest, RefusedSetHookStoresNoHandleAndRemoveHookFailsToo) {
  shared.hookHandle = 0x123;  // left from an earlier hook
  system.nextHookHandle = 0;
  EXPECT_EQ(library.SetHook(), -1);
  EXPECT_EQ(shared.hookHandle, 0);
  EXPECT_EQ(library.RemoveHook(), -1);
  EXPECT_EQ(system.calls.back(), "UnhookWindowsHookEx(0x0)");
}

TEST_F(HookLibraryTest, ModesSetInOneProcessRuleEveryOther) {
  RecordingSystem otherProcess;
  FmxHookLibrary<HookEnvironment> otherView{otherProcess, shared};
  library.M_Mode3();
  library.K_Mode2();
  std::uint32_t up = kRButtonUp;
  otherView.FmxHook(0, 1, reinterpret_cast<std::intptr_t>(&up));
  EXPECT_EQ(up, kNullMessage);
  EXPECT_THAT(otherProcess.calls, ::testing::Contains("PostMessageA(0x10, 0x202, 0, 1000)"));
  EXPECT_EQ(shared.mouseMode, 3);
  EXPECT_EQ(shared.keyMode, 2);
}

}  // namespace
}  // namespace formix::hook

// Which browser port a whole-form fill goes through: the fact browsers (the bridge) are asked
// first, the HTML documents (Internet Explorer) after them, and each window is read and written
// only through the port that listed it.
#include <gtest/gtest.h>

#include "tests/session_support.h"

namespace formix::testing {
namespace {

using ports::WindowHandle;

struct FactsFake : ports::FactBrowsers {
  std::vector<WindowHandle> windows;
  std::vector<WindowHandle> read;
  std::vector<WindowHandle> browserWindows() override { return windows; }
  std::optional<fill::PageFacts> pageFacts(WindowHandle w) override {
    read.push_back(w);
    return fill::PageFacts{};
  }
  std::optional<int> applyFills(WindowHandle, const std::vector<fill::ControlFill>& fills) override {
    return static_cast<int>(fills.size());
  }
  std::vector<WindowHandle> undone;
  std::optional<int> undoLastFill(WindowHandle w) override {
    undone.push_back(w);
    return 0;
  }
};

struct HtmlFake : ports::HtmlDocuments {
  std::vector<WindowHandle> windows;
  std::vector<WindowHandle> read, written;
  std::vector<WindowHandle> browserWindows() override { return windows; }
  std::optional<int> frameCount(WindowHandle) override { return 0; }
  std::optional<std::u16string> bodyHtml(WindowHandle w, int) override {
    read.push_back(w);
    return u"<FORM>氏名 <INPUT name=n></FORM>";
  }
  bool setBodyHtml(WindowHandle w, int, std::u16string_view) override {
    written.push_back(w);
    return true;
  }
};

// A session whose desktop has both kinds of browser.
struct TwoKinds {
  Session s;
  FactsFake bridge;
  HtmlFake explorer;
  TwoKinds() {
    s.script.ports().factBrowsers = &bridge;
    s.script.ports().htmlDocuments = &explorer;
    s.run("start\n");
  }
  // Puts a window of this handle below the bar and starts a whole-form fill.
  void fillWith(WindowHandle front) { s.run("desktop window " + std::to_string(front) + " \"page\"\nclick cmdPOST\n"); }
};

TEST(BrowserPorts, EachWindowGoesToThePortThatListedItAndTheFactBrowsersWinATie) {
  TwoKinds d;
  d.bridge.windows = {10, 20};
  d.explorer.windows = {20, 30};
  d.fillWith(20);
  EXPECT_EQ(d.bridge.read, std::vector<WindowHandle>{20});
  EXPECT_TRUE(d.explorer.read.empty());
  d.fillWith(30);
  EXPECT_EQ(d.bridge.read, std::vector<WindowHandle>{20});  // no facts asked of Internet Explorer's window
  EXPECT_EQ(d.explorer.written, std::vector<WindowHandle>{30});
  d.fillWith(10);
  EXPECT_EQ(d.bridge.read, (std::vector<WindowHandle>{20, 10}));
  EXPECT_EQ(d.explorer.written, std::vector<WindowHandle>{30});
}

TEST(BrowserPorts, AWindowNoPortListsIsNeitherReadNorWritten) {
  TwoKinds d;
  d.bridge.windows = {10};
  d.fillWith(99);
  EXPECT_TRUE(d.bridge.read.empty());
  EXPECT_TRUE(d.explorer.read.empty());
  // A window a port listed once but no longer lists is no browser now.
  d.bridge.windows = {};
  d.fillWith(10);
  EXPECT_TRUE(d.bridge.read.empty());
  EXPECT_TRUE(d.explorer.written.empty());
}

TEST(BrowserPorts, AnUndoGoesOnlyToAWindowTheFactBrowsersList) {
  TwoKinds d;
  d.bridge.windows = {10};
  d.explorer.windows = {30};
  for (WindowHandle front : {30, 99, 10}) {
    d.s.run("desktop window " + std::to_string(front) + " \"page\"\nmenu mnu0_undo\n");
  }
  EXPECT_EQ(d.bridge.undone, std::vector<WindowHandle>{10});
  EXPECT_TRUE(d.explorer.read.empty());
  EXPECT_TRUE(d.explorer.written.empty());
}

}  // namespace
}  // namespace formix::testing

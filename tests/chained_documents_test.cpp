// Several sources of browser documents as one: the bridge first, Internet Explorer after it.
#include <gtest/gtest.h>

#include <map>

#include "platform/chained_documents.h"

namespace formix::testing {
namespace {

using platform::BrowserDocuments;
using platform::WindowHandle;

// A source that lists some windows, answers for each with its own name, and records writes.
struct Source : BrowserDocuments {
  std::vector<WindowHandle> windows;
  std::u16string name;
  bool facts = false;
  std::vector<std::pair<WindowHandle, std::u16string>> written;
  int filled = 0;

  std::vector<WindowHandle> browserWindows() override { return windows; }
  std::optional<int> frameCount(WindowHandle) override { return 0; }
  std::optional<std::u16string> bodyHtml(WindowHandle, int) override { return name; }
  bool setBodyHtml(WindowHandle w, int, std::u16string_view html) override {
    written.emplace_back(w, std::u16string(html));
    return true;
  }
  std::optional<fill::PageFacts> pageFacts(WindowHandle) override {
    if (!facts) return std::nullopt;
    return fill::PageFacts{};
  }
  std::optional<int> applyFills(WindowHandle, const std::vector<fill::ControlFill>& fills) override {
    filled += static_cast<int>(fills.size());
    return static_cast<int>(fills.size());
  }
};

TEST(ChainedDocuments, EachWindowGoesToTheSourceThatListedItAndTheFirstSourceWinsATie) {
  Source bridge, explorer;
  bridge.windows = {10, 20};
  bridge.name = u"bridge";
  bridge.facts = true;
  explorer.windows = {20, 30};
  explorer.name = u"explorer";
  platform::ChainedBrowserDocuments chain({&bridge, &explorer});

  EXPECT_EQ(chain.browserWindows(), (std::vector<WindowHandle>{10, 20, 30}));
  EXPECT_EQ(chain.bodyHtml(20, BrowserDocuments::kTopDocument), u"bridge");
  EXPECT_EQ(chain.bodyHtml(30, BrowserDocuments::kTopDocument), u"explorer");
  // Internet Explorer offers no facts: the fill falls back to its HTML.
  EXPECT_TRUE(chain.pageFacts(10));
  EXPECT_FALSE(chain.pageFacts(30));
  EXPECT_EQ(chain.applyFills(10, {fill::ControlFill{}}), 1);
  EXPECT_EQ(bridge.filled, 1);
  EXPECT_TRUE(chain.setBodyHtml(30, 0, u"<p>"));
  ASSERT_EQ(explorer.written.size(), 1u);
  EXPECT_TRUE(bridge.written.empty());
}

TEST(ChainedDocuments, AWindowNoSourceListedIsNeitherReadNorWritten) {
  Source bridge;
  bridge.windows = {10};
  bridge.facts = true;
  platform::ChainedBrowserDocuments chain({&bridge});
  EXPECT_FALSE(chain.bodyHtml(10, 0));  // before any lookup nothing is known
  chain.browserWindows();
  EXPECT_FALSE(chain.bodyHtml(99, 0));
  EXPECT_FALSE(chain.pageFacts(99));
  EXPECT_FALSE(chain.applyFills(99, {fill::ControlFill{}}));
  EXPECT_FALSE(chain.setBodyHtml(99, 0, u"x"));
  EXPECT_EQ(bridge.filled, 0);
  // A window listed by an earlier lookup but not the latest is forgotten.
  bridge.windows = {};
  chain.browserWindows();
  EXPECT_FALSE(chain.pageFacts(10));
}

}  // namespace
}  // namespace formix::testing

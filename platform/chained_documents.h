// Several sources of browser documents as one: each lookup asks every source in turn, and each
// window is then read and written only through the source that listed it (the first one, when two
// list the same window). Formix.exe asks the browser bridge first, then Internet Explorer.
#pragma once

#include <utility>
#include <vector>

#include "platform/desktop.h"

namespace formix::platform {

class ChainedBrowserDocuments : public BrowserDocuments {
 public:
  explicit ChainedBrowserDocuments(std::vector<BrowserDocuments*> sources) : sources_(std::move(sources)) {}

  std::vector<WindowHandle> browserWindows() override;
  std::optional<int> frameCount(WindowHandle browser) override;
  std::optional<std::u16string> bodyHtml(WindowHandle browser, int frame) override;
  bool setBodyHtml(WindowHandle browser, int frame, std::u16string_view html) override;
  std::optional<fill::PageFacts> pageFacts(WindowHandle browser) override;
  std::optional<int> applyFills(WindowHandle browser, const std::vector<fill::ControlFill>& fills) override;

 private:
  // The source that listed the window in the last lookup; nullptr for any other window.
  BrowserDocuments* sourceOf(WindowHandle window) const;

  std::vector<BrowserDocuments*> sources_;
  std::vector<std::pair<WindowHandle, BrowserDocuments*>> listed_;
};

}  // namespace formix::platform

#include "platform/chained_documents.h"

#include <algorithm>

namespace formix::platform {

std::vector<WindowHandle> ChainedBrowserDocuments::browserWindows() {
  listed_.clear();
  std::vector<WindowHandle> windows;
  for (BrowserDocuments* source : sources_) {
    for (WindowHandle window : source->browserWindows()) {
      if (sourceOf(window) != nullptr) continue;
      listed_.emplace_back(window, source);
      windows.push_back(window);
    }
  }
  return windows;
}

BrowserDocuments* ChainedBrowserDocuments::sourceOf(WindowHandle window) const {
  const auto it = std::find_if(listed_.begin(), listed_.end(), [window](const auto& l) { return l.first == window; });
  return it == listed_.end() ? nullptr : it->second;
}

std::optional<int> ChainedBrowserDocuments::frameCount(WindowHandle browser) {
  BrowserDocuments* source = sourceOf(browser);
  return source != nullptr ? source->frameCount(browser) : std::nullopt;
}

std::optional<std::u16string> ChainedBrowserDocuments::bodyHtml(WindowHandle browser, int frame) {
  BrowserDocuments* source = sourceOf(browser);
  return source != nullptr ? source->bodyHtml(browser, frame) : std::nullopt;
}

bool ChainedBrowserDocuments::setBodyHtml(WindowHandle browser, int frame, std::u16string_view html) {
  BrowserDocuments* source = sourceOf(browser);
  return source != nullptr && source->setBodyHtml(browser, frame, html);
}

std::optional<fill::PageFacts> ChainedBrowserDocuments::pageFacts(WindowHandle browser) {
  BrowserDocuments* source = sourceOf(browser);
  return source != nullptr ? source->pageFacts(browser) : std::nullopt;
}

std::optional<int> ChainedBrowserDocuments::applyFills(WindowHandle browser, const std::vector<fill::ControlFill>& fills) {
  BrowserDocuments* source = sourceOf(browser);
  return source != nullptr ? source->applyFills(browser, fills) : std::nullopt;
}

}  // namespace formix::platform

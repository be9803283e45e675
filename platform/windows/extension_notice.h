// Tells the user once, until a browser's extension connects, when a fill finds the window of a
// known browser (Edge, Chrome, Firefox, Brave, Vivaldi, Chromium) in front and no extension
// connected: otherwise nothing would happen and nothing would say why. Any other program in front
// (Internet Explorer too, which needs no extension) gets no notice.
#pragma once

#include <windows.h>

#include <functional>

#include "ports/browsers.h"

namespace formix::platform::win32 {

// Whether the first ordinary window below `bar` in the z-order belongs to a known browser's
// program (by its file name).
bool browserProgramInFront(HWND bar);

class ExtensionNotice : public ports::FactBrowsers {
 public:
  // `connected`: whether any browser's extension is connected now; `show`: shows the notice.
  ExtensionNotice(ports::FactBrowsers& inner, std::function<bool()> connected, std::function<HWND()> bar,
                  std::function<void()> show)
      : inner_(inner), connected_(std::move(connected)), bar_(std::move(bar)), show_(std::move(show)) {}

  std::vector<ports::WindowHandle> browserWindows() override;
  std::optional<fill::PageFacts> pageFacts(ports::WindowHandle b) override { return inner_.pageFacts(b); }
  std::optional<int> applyFills(ports::WindowHandle b, const std::vector<fill::ControlFill>& fills) override {
    return inner_.applyFills(b, fills);
  }
  std::optional<int> undoLastFill(ports::WindowHandle b) override { return inner_.undoLastFill(b); }

 private:
  ports::FactBrowsers& inner_;
  std::function<bool()> connected_;
  std::function<HWND()> bar_;
  std::function<void()> show_;
  bool told_ = false;
};

}  // namespace formix::platform::win32

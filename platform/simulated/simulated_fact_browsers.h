// Browsers of the simulated desktop that tell the facts of their pages' controls, as today's
// browsers do through the extension: a page is a set of control facts, a fill changes them, and
// the last fill of each window can be undone as the extension undoes it (a control edited since
// keeps its edit). Every call is written to the desktop's log.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ports/browsers.h"

namespace formix::platform {

class SimulatedFactBrowsers : public ports::FactBrowsers {
 public:
  explicit SimulatedFactBrowsers(std::function<void(std::string)> log) : log_(std::move(log)) {}

  // The page shown in `window` (a new page replaces the old one and forgets its fill).
  void showPage(ports::WindowHandle window, fill::PageFacts page);
  // A person types `value` into a control (frame id and control number). False: no such control.
  bool edit(ports::WindowHandle window, int64_t frame, int control, std::u16string value);
  // The page of a window, or nullptr.
  const fill::PageFacts* page(ports::WindowHandle window) const;

  std::vector<ports::WindowHandle> browserWindows() override;
  std::optional<fill::PageFacts> pageFacts(ports::WindowHandle browser) override;
  std::optional<int> applyFills(ports::WindowHandle browser, const std::vector<fill::ControlFill>& fills) override;
  std::optional<int> undoLastFill(ports::WindowHandle browser) override;

 private:
  // A control the last fill changed, as it was before and after.
  struct Change {
    int64_t frame = 0;
    size_t index = 0;
    fill::ControlFacts before, after;
  };
  struct Tab {
    fill::PageFacts page;
    bool read = false;             // read since the last fill: a fill may follow
    std::vector<Change> lastFill;  // what undo puts back
  };
  fill::ControlFacts* control(Tab& tab, int64_t frame, int control, int64_t* frameOut = nullptr, size_t* index = nullptr);

  std::function<void(std::string)> log_;
  std::map<ports::WindowHandle, Tab> tabs_;
};

}  // namespace formix::platform

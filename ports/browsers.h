// The browsers a whole-form fill reaches, in the two protocols they speak. A browser window is
// served by one of them: today's browsers (through the bridge) tell the facts of their page's
// controls and take fills control by control; Internet Explorer's documents are read and written
// as HTML.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fill/page_facts.h"
#include "ports/window_handle.h"

namespace formix::ports {

// Browsers that tell the facts of their page's controls; a page is never read or written as HTML.
class FactBrowsers {
 public:
  virtual ~FactBrowsers() = default;
  // The top-level windows of the browsers reached now, in the order the desktop lists them.
  virtual std::vector<WindowHandle> browserWindows() = 0;
  // The facts of every control of the page in front of the browser; nullopt when they cannot be
  // read.
  virtual std::optional<fill::PageFacts> pageFacts(WindowHandle browser) = 0;
  // Applies fills to the page read last by pageFacts; each control is checked again just before
  // it is written and skipped when it changed. The number applied, or nullopt when nothing
  // could be applied.
  virtual std::optional<int> applyFills(WindowHandle browser, const std::vector<fill::ControlFill>& fills) = 0;
  // Puts back every control the last fill of the page in front changed, as it was before, when it
  // is still in the page and shows what the fill wrote; a control edited since keeps its edit. The
  // number put back (0 when there is nothing to undo), or nullopt when the browser cannot be asked.
  virtual std::optional<int> undoLastFill(WindowHandle browser) = 0;
};

// Browser documents whose body is read and written as one HTML string; writing it makes the
// browser parse it again.
class HtmlDocuments {
 public:
  virtual ~HtmlDocuments() = default;
  static constexpr int kTopDocument = -1;
  // The top-level windows of the open browsers, in the order the desktop lists them.
  virtual std::vector<WindowHandle> browserWindows() = 0;
  // The number of frames of the browser's page; nullopt when it cannot be read.
  virtual std::optional<int> frameCount(WindowHandle browser) = 0;
  // The body HTML of the top document or of frame k (from 0); nullopt when it cannot be read.
  virtual std::optional<std::u16string> bodyHtml(WindowHandle browser, int frame) = 0;
  virtual bool setBodyHtml(WindowHandle browser, int frame, std::u16string_view html) = 0;
};

}  // namespace formix::ports

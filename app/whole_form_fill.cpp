// The whole-form fill: the page of the browser under the bar is read, filled and written back.
#include <algorithm>

#include "app/main_window.h"
#include "fill/html/form_filler.h"
#include "fill/recognise/recogniser.h"
#include "text/compare.h"

namespace formix::app {
namespace {

constexpr int kMaxFrames = 10;

bool lists(const std::vector<ports::WindowHandle>& windows, ports::WindowHandle window) {
  return std::find(windows.begin(), windows.end(), window) != windows.end();
}

}  // namespace

fill::Profile FrmMain::profileSnapshot() const {
  std::array<std::u16string, 16> texts;
  for (int i = 0; i < 16; ++i) texts[i] = txtAUTO(i).text();
  return fill::profileFromPanel(texts, {cboAUTO(0).text(), cboAUTO(1).text()}, optAUTO(0).value() != 0);
}

void FrmMain::fillDocument(ports::HtmlDocuments& documents, ports::WindowHandle browser, int frame) {
  const auto html = documents.bodyHtml(browser, frame);
  if (!html) throw StepError("the document cannot be read");  // nothing is written back then
  const ports::LocalDateTime now = desktop_.clock.now();
  // The profile is the panel's controls as they are now; the page yields so the window stays live.
  // A close handled meanwhile ends the fill there: nothing is written after the program ended.
  const std::u16string filled = fill::sFillForm(*html, profileSnapshot(), fill::CivilDate{now.year, now.month, now.day},
                                                [this] {
                                                  desktop_.events.doEvents();
                                                  if (!running_) throw ProgramEnded{};
                                                },
                                                keywords_);
  if (!documents.setBodyHtml(browser, frame, filled)) throw StepError("the document cannot be written");
}

void FrmMain::fillHtmlPage(ports::HtmlDocuments& documents, ports::WindowHandle browser) {
  int frames = 0;
  step([&] {
    const auto count = documents.frameCount(browser);
    if (count && *count >= -32768 && *count <= 32767) frames = *count;
  });
  // A page with inline frames is one document; their own contents are not touched.
  step([&] {
    const auto top = documents.bodyHtml(browser, ports::HtmlDocuments::kTopDocument);
    if (top && text::inStr(*top, u"<IFRAME ", 0, text::Compare::Text) != text::npos) frames = 0;
  });
  for (int k = 0; k < kMaxFrames && k < frames; ++k) step([&] { fillDocument(documents, browser, k); });
  if (frames == 0) step([&] { fillDocument(documents, browser, ports::HtmlDocuments::kTopDocument); });
}

void FrmMain::fillFromFacts(ports::FactBrowsers& browsers, ports::WindowHandle browser) {
  const std::optional<fill::PageFacts> facts = browsers.pageFacts(browser);
  if (!facts) return;
  const ports::LocalDateTime now = desktop_.clock.now();
  const fill::RecognitionResult result =
      fill::recognise(*facts, profileSnapshot(), fill::CivilDate{now.year, now.month, now.day});
  // The read may have taken a moment: a close handled meanwhile ends the fill before any write.
  desktop_.events.doEvents();
  if (!running_) throw ProgramEnded{};
  if (!result.fills.empty()) browsers.applyFills(browser, result.fills);
}

void FrmMain::cmdPOST_Click() {
  // The bar is not brought to the front first: the browser keeps the focus through the read and
  // the writes, so its page sees nothing of the fill before it is done. The target is found by the
  // stacking order alone, whichever window is active.
  ports::WindowHandle target = 0;
  step([&] { target = lGetNextWindowHandle(); });
  if (target == 0) return;

  // Which kind of browser the window is: today's browsers are asked first (a window that both
  // kinds list is theirs), Internet Explorer after them.
  ports::FactBrowsers* factBrowsers = desktop_.factBrowsers;
  ports::HtmlDocuments* htmlDocuments = desktop_.htmlDocuments;
  bool byFacts = false, byHtml = false;
  if (factBrowsers != nullptr) step([&] { byFacts = lists(factBrowsers->browserWindows(), target); });
  if (!byFacts && htmlDocuments != nullptr) step([&] { byHtml = lists(htmlDocuments->browserWindows(), target); });
  if (byFacts || byHtml) {
    // A disabled cmdPOST is the mark that a fill runs: the dispatch drops a second one meanwhile.
    step([&] { cmdPOST.setEnabled(false); });
    busyIconOn();
    // Today's browsers tell the facts of their controls and are filled by the recogniser;
    // Internet Explorer's documents are read and written as HTML.
    if (byFacts) step([&] { fillFromFacts(*factBrowsers, target); });
    else fillHtmlPage(*htmlDocuments, target);
    step([&] { cmdPOST.setEnabled(true); });
    busyIconOff();
  }
  step([&] { desktop_.windows.setForegroundWindow(target); });
}

// The browser window is found as a fill finds it; only today's browsers remember a fill (an
// Internet Explorer page was written as a whole). Nothing happens anywhere else.
void FrmMain::mnu0_undo_Click() {
  step([&] { desktop_.windows.setForegroundWindow(hWnd); });
  ports::WindowHandle target = 0;
  step([&] { target = lGetNextWindowHandle(); });
  if (target == 0) return;
  if (ports::FactBrowsers* browsers = desktop_.factBrowsers; browsers != nullptr) {
    step([&] {
      if (lists(browsers->browserWindows(), target)) browsers->undoLastFill(target);
    });
  }
  step([&] { desktop_.windows.setForegroundWindow(target); });
}

}  // namespace formix::app

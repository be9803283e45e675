// The whole-form fill: the page of the browser under the bar is read, filled and written back.
#include "app/main_window.h"
#include "fill/html/form_filler.h"
#include "fill/recognise/recogniser.h"
#include "text/compare.h"

namespace formix::app {
namespace {

constexpr int kMaxFrames = 10;

}  // namespace

fill::Profile FrmMain::profileSnapshot() const {
  std::array<std::u16string, 16> texts;
  for (int i = 0; i < 16; ++i) texts[i] = txtAUTO(i).text();
  return fill::profileFromPanel(texts, {cboAUTO(0).text(), cboAUTO(1).text()}, optAUTO(0).value() != 0);
}

void FrmMain::fillDocument(platform::WindowHandle browser, int frame) {
  auto& browsers = desktop_.browsers;
  const auto html = browsers.bodyHtml(browser, frame);
  if (!html) throw StepError("the document cannot be read");  // nothing is written back then
  const platform::LocalDateTime now = desktop_.clock.now();
  // The profile is the panel's controls as they are now; the page yields so the window stays live.
  // A close handled meanwhile ends the fill there: nothing is written after the program ended.
  const std::u16string filled = fill::sFillForm(*html, profileSnapshot(), fill::CivilDate{now.year, now.month, now.day},
                                                [this] {
                                                  desktop_.events.doEvents();
                                                  if (!running_) throw ProgramEnded{};
                                                },
                                                keywords_);
  if (!browsers.setBodyHtml(browser, frame, filled)) throw StepError("the document cannot be written");
}

bool FrmMain::fillFromFacts(platform::WindowHandle browser) {
  auto& browsers = desktop_.browsers;
  const std::optional<fill::PageFacts> facts = browsers.pageFacts(browser);
  if (!facts) return false;
  const platform::LocalDateTime now = desktop_.clock.now();
  const fill::RecognitionResult result =
      fill::recognise(*facts, profileSnapshot(), fill::CivilDate{now.year, now.month, now.day});
  // The read may have taken a moment: a close handled meanwhile ends the fill before any write.
  desktop_.events.doEvents();
  if (!running_) throw ProgramEnded{};
  if (!result.fills.empty()) browsers.applyFills(browser, result.fills);
  return true;
}

void FrmMain::cmdPOST_Click() {
  auto& browsers = desktop_.browsers;
  step([&] { desktop_.windows.setForegroundWindow(hWnd); });
  platform::WindowHandle target = 0;
  step([&] { target = lGetNextWindowHandle(); });
  if (target == 0) return;

  bool isBrowser = false;
  step([&] {
    for (platform::WindowHandle h : browsers.browserWindows()) {
      if (h == target) {
        isBrowser = true;
        break;
      }
    }
  });
  if (isBrowser) {
    // A disabled cmdPOST is the mark that a fill runs: the dispatch drops a second one meanwhile.
    step([&] { cmdPOST.setEnabled(false); });
    busyIconOn();
    // Today's browsers tell the facts of their controls and are filled by the recogniser;
    // Internet Explorer's documents are read and written as HTML.
    bool byFacts = false;
    step([&] { byFacts = fillFromFacts(target); });
    int frames = 0;
    if (!byFacts) step([&] {
      const auto count = browsers.frameCount(target);
      if (count && *count >= -32768 && *count <= 32767) frames = *count;
    });
    // A page with inline frames is one document; their own contents are not touched.
    if (!byFacts) step([&] {
      const auto top = browsers.bodyHtml(target, platform::BrowserDocuments::kTopDocument);
      if (top && text::inStr(*top, u"<IFRAME ", 0, text::Compare::Text) != text::npos) frames = 0;
    });
    for (int k = 0; k < kMaxFrames && k < frames; ++k) step([&] { fillDocument(target, k); });
    if (!byFacts && frames == 0) step([&] { fillDocument(target, platform::BrowserDocuments::kTopDocument); });
    step([&] { cmdPOST.setEnabled(true); });
    busyIconOff();
  }
  step([&] { desktop_.windows.setForegroundWindow(target); });
}

}  // namespace formix::app

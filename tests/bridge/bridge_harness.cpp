// Plays Formix's part against a real browser with the extension loaded: the bridge's server,
// BridgeBrowsers over the display's windows, and the whole main window model filling
// through them. tests/bridge/run.sh starts the display, the page servers and the browser.
//
//   bridge_harness install HOME RELAY       writes the host manifests (prints what it did)
//   bridge_harness run SETTINGS OPENER URL PAGES  the checks; OPENER URL [--new-window] opens a
//                                           page; PAGES is the pages' folder (for formix-tool capture)
//   bridge_harness measure SETTINGS OPENER URL RUNS   timings on a large page
// BRIDGE_DEBUG=1 prints every window lookup and the server's notes on stderr.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "bridge/bridge_browsers.h"
#include "bridge/bridge_server.h"
#include "bridge/integration_install.h"
#include "bridge/socket_path.h"
#include "fill/page_facts.h"
#include "fill/recognise/recogniser.h"
#include "bridge/protocol.h"
#include "platform/simulated/simulated_desktop.h"
#include "platform/linux/x11_windows.h"

#include <xcb/xcb.h>
#include "text/japanese.h"
#include "text/utf.h"

namespace formix::testing {
namespace {

using Clock = std::chrono::steady_clock;
using bridge::BridgeBrowsers;
using ports::FactBrowsers;
using ports::WindowHandle;

int failures = 0, passes = 0;

void check(bool ok, const std::string& what) {
  std::cout << (ok ? "ok    " : "FAIL  ") << what << "\n" << std::flush;
  if (!ok) ++failures;
  else ++passes;
}

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void openPage(const std::string& opener, const std::string& url, bool newWindow = false) {
  const pid_t child = fork();
  if (child == 0) {
    if (newWindow) execl(opener.c_str(), opener.c_str(), url.c_str(), "--new-window", static_cast<char*>(nullptr));
    execl(opener.c_str(), opener.c_str(), url.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
}

std::string utf8(std::u16string_view s) { return text::toUtf8(s); }

// The harness has no window of its own on the display: the model's main window is a stand-in.
struct NoOwnWindow : platform::x11::OwnWindow {
  ports::WindowHandle handle() override { return 1; }
  void setVisible(bool) override {}
  void setCaption(std::u16string_view) override {}
  void setBounds(double, double, double, double) override {}
  void setOnTop() override {}
};

const fill::FrameFacts* frameOf(const fill::PageFacts& page, int64_t frame) {
  for (const auto& f : page.frames) {
    if (f.frame == frame) return &f;
  }
  return nullptr;
}

const fill::FrameFacts* topOf(const fill::PageFacts& page) { return frameOf(page, 0); }

const fill::ControlFacts* named(const fill::FrameFacts* frame, std::u16string_view name) {
  if (frame == nullptr) return nullptr;
  for (const auto& c : frame->controls) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

// What a control shows: the length of a box's text (the facts carry no more of it), a list's
// choice, a check.
std::u16string shown(const fill::ControlFacts& c) {
  std::u16string s = c.value + u"#" + text::widen(std::to_string(c.valueLength)) + (c.checked ? u"|checked" : u"");
  for (size_t k = 0; k < c.options.size(); ++k) {
    if (c.options[k].selected) s += u"|option " + text::widen(std::to_string(k));
  }
  return s;
}

struct Formix {
  bridge::BridgeServer server;
  platform::x11::Connection x;
  NoOwnWindow own;
  platform::x11::X11Windows windows{x, own};
  platform::SimulatedDesktop simulated;
  BridgeBrowsers documents;
  // The model reaches the browser through this; a test may put something in between.
  struct Documents : FactBrowsers {
    FactBrowsers* inner = nullptr;
    std::function<void()> beforeFill;
    std::function<void()> beforeRead;
    std::vector<WindowHandle> browserWindows() override { return inner->browserWindows(); }
    std::optional<fill::PageFacts> pageFacts(WindowHandle b) override {
      if (beforeRead) beforeRead();
      return inner->pageFacts(b);
    }
    std::optional<int> applyFills(WindowHandle b, const std::vector<fill::ControlFill>& fills) override {
      if (beforeFill) beforeFill();
      return inner->applyFills(b, fills);
    }
    std::optional<int> undoLastFill(WindowHandle b) override { return inner->undoLastFill(b); }
  } through;
  ports::Desktop ports;
  std::unique_ptr<app::FrmMain> frm;
  fill::CivilDate today;

  explicit Formix(const std::filesystem::path& socket)
      : server(socket),
        documents(server, windows),
        ports(makePorts()) {
    through.inner = &documents;
    if (std::getenv("BRIDGE_DEBUG")) server.log = [](const std::string& s) { std::cerr << "server: " << s << "\n"; };
  }

  ports::Desktop makePorts() {
    ports::Desktop d = simulated.ports();
    return ports::Desktop{windows, d.screen, d.keyboard, d.clipboard, d.tray, d.shell, d.messages, d.popups,
                             d.hookLoader, d.events, d.process, d.session, &through, nullptr, d.clock};
  }

  void load(const std::filesystem::path& settings) {
    const auto folder = settings.parent_path();
    simulated.setProgramFolder(text::fromUtf8Lossy(std::filesystem::absolute(folder).string()));
    simulated.setUserName(text::fromUtf8Lossy(settings.stem().string()));
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    simulated.setClock({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 12, 0, 0});
    today = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    frm = std::make_unique<app::FrmMain>(ports);
    frm->Form_Load();
  }

  // Waits until a window other than `old` is in front, and activates it: the window manager may
  // leave a window opened from another process unfocused, where a person would click it.
  void activateNewFront(WindowHandle old) {
    const auto until = Clock::now() + std::chrono::seconds(10);
    WindowHandle front = frm->lGetNextWindowHandle();
    while (front == old && Clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      front = frm->lGetNextWindowHandle();
    }
    if (front != old) windows.setForegroundWindow(front);
  }

  bool waitForBrowser(std::chrono::seconds limit) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
      if (!server.browsers().empty()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // The facts of the page of the window in front, read through the bridge.
  struct Read {
    WindowHandle window = 0;
    fill::PageFacts page;
  };
  std::optional<Read> read(BridgeBrowsers& lookup) {
    const WindowHandle target = frm->lGetNextWindowHandle();
    const auto browsers = lookup.browserWindows();
    if (std::getenv("BRIDGE_DEBUG")) {
      std::cerr << "target " << target << " \"" << utf8(windows.windowText(target)) << "\", browsers:";
      for (auto b : browsers) std::cerr << " " << b;
      std::cerr << "\n";
    }
    if (target == 0 || std::find(browsers.begin(), browsers.end(), target) == browsers.end()) return std::nullopt;
    auto page = lookup.pageFacts(target);
    if (!page) return std::nullopt;
    return Read{target, std::move(*page)};
  }
  std::optional<Read> read() { return read(documents); }

  // Waits until the page in front satisfies `ready`.
  std::optional<Read> waitFor(const std::function<bool(const fill::PageFacts&)>& ready,
                              std::chrono::seconds limit = std::chrono::seconds(20), BridgeBrowsers* lookup = nullptr) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
      if (auto r = read(lookup ? *lookup : documents); r && ready(r->page)) return r;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::nullopt;
  }
  // Waits until the page in front has `frames` frames, each holding a control, and a control
  // named `name` in its top document.
  std::optional<Read> waitForPage(size_t frames, std::u16string_view name, BridgeBrowsers* lookup = nullptr) {
    return waitFor(
        [&](const fill::PageFacts& page) {
          bool ready = page.frames.size() == frames && named(topOf(page), name);
          for (const auto& f : page.frames) ready = ready && !f.controls.empty();
          return ready;
        },
        std::chrono::seconds(20), lookup);
  }

  // Checks that every control of `after` shows what it showed in `before`.
  bool unchanged(const fill::PageFacts& before, const fill::PageFacts& after, const std::string& where) {
    bool same = before.frames.size() == after.frames.size();
    for (const auto& frame : before.frames) {
      const fill::FrameFacts* now = frameOf(after, frame.frame);
      if (now == nullptr || now->controls.size() != frame.controls.size()) return false;
      for (size_t k = 0; k < frame.controls.size(); ++k) {
        if (shown(now->controls[k]) == shown(frame.controls[k])) continue;
        std::cout << "      " << where << ": " << utf8(frame.controls[k].name) << " " << utf8(shown(frame.controls[k]))
                  << " -> " << utf8(shown(now->controls[k])) << "\n";
        same = false;
      }
    }
    return same;
  }

  // Checks that `after` shows every fill the recogniser makes of `before`, and every other
  // control exactly as before. Returns how many controls were filled.
  int expectFilled(const fill::PageFacts& before, const fill::PageFacts& after, const std::string& where) {
    const fill::RecognitionResult expected = fill::recognise(before, frm->profileSnapshot(), today);
    int filled = 0;
    for (const auto& frame : before.frames) {
      const fill::FrameFacts* now = frameOf(after, frame.frame);
      if (now == nullptr || now->controls.size() != frame.controls.size()) {
        check(false, where + ": frame " + std::to_string(frame.frame) + " has as many controls as before");
        continue;
      }
      for (size_t k = 0; k < frame.controls.size(); ++k) {
        const fill::ControlFacts& old = frame.controls[k];
        const fill::ControlFacts& neu = now->controls[k];
        const auto fill = std::find_if(expected.fills.begin(), expected.fills.end(), [&](const fill::ControlFill& f) {
          return f.frame == frame.frame && f.control == old.control;
        });
        const std::string name = utf8(old.name) + " (frame " + std::to_string(frame.frame) + ")";
        if (fill == expected.fills.end()) {
          // Checking a radio button clears the others of its group.
          const bool groupChecked = old.type == u"radio" && std::any_of(expected.fills.begin(), expected.fills.end(), [&](const fill::ControlFill& f) {
            if (f.frame != frame.frame || f.kind != fill::ControlFill::Kind::Checked) return false;
            const auto other = std::find_if(frame.controls.begin(), frame.controls.end(), [&](const fill::ControlFacts& c) { return c.control == f.control; });
            return other != frame.controls.end() && other->name == old.name && other->form == old.form;
          });
          if (shown(neu) != shown(old) && !(groupChecked && neu.value == old.value)) {
            check(false, where + ": " + name + " is left as it was: " + utf8(shown(old)) + " -> " + utf8(shown(neu)));
          }
          continue;
        }
        ++filled;
        switch (fill->kind) {
          case fill::ControlFill::Kind::Value:
            check(neu.valueLength == static_cast<int>(fill->value.size()),
                  where + ": " + name + " holds \"" + utf8(fill->value) + "\" (" + std::to_string(neu.valueLength) + " characters)");
            break;
          case fill::ControlFill::Kind::Checked:
            check(neu.checked, where + ": " + name + " is checked");
            break;
          case fill::ControlFill::Kind::Option:
            check(fill->option >= 0 && static_cast<size_t>(fill->option) < neu.options.size() && neu.options[fill->option].selected,
                  where + ": " + name + " shows option " + std::to_string(fill->option));
            break;
        }
      }
    }
    return filled;
  }
};

int install(const std::string& home, const std::string& relay) {
  int status = 0;
  for (const auto& step : bridge::installBrowserIntegration(home, relay)) {
    std::cout << bridge::describe(step) << "\n";
    if (step.outcome != bridge::InstallStep::Outcome::Written) status = 1;
  }
  return status;
}

std::string slurp(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

// ---- Undo of the last fill ----
// Fill a page whose boxes hold values already, edit one box, undo from the popup menu: every other
// control shows what it showed before the fill, the edited box keeps the person's text, and a
// second undo changes nothing.
void checkUndo(Formix& formix, const std::string& opener, const std::string& base) {
  openPage(opener, base + "/undo.html");
  const auto before = formix.waitForPage(1, u"addr");
  check(before.has_value(), "undo.html is read through the bridge");
  if (!before) return;
  formix.frm->cmdPOST_Click();
  const auto filled = formix.read();
  int changed = 0;
  if (filled) {
    for (size_t k = 0; k < topOf(before->page)->controls.size() && k < topOf(filled->page)->controls.size(); ++k) {
      if (shown(topOf(before->page)->controls[k]) != shown(topOf(filled->page)->controls[k])) ++changed;
    }
  }
  check(changed >= 4, "undo.html: the fill changed " + std::to_string(changed) + " controls");
  // The person types into the box that has the focus.
  (void)std::system("xdotool type --delay 5 edited >/dev/null 2>&1");
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  const auto edited = formix.read();
  const auto* editedBox = edited ? named(topOf(edited->page), u"name1") : nullptr;
  const auto* filledBox = filled ? named(topOf(filled->page), u"name1") : nullptr;
  // The facts tell a box's length, not its text: the six letters typed lengthen it by six.
  check(editedBox && filledBox && editedBox->valueLength == filledBox->valueLength + 6,
        "undo.html: the person's typing reached the family name box");
  if (!editedBox) return;
  const int typedLength = editedBox->valueLength;

  formix.frm->chooseMenuItem(formix.frm->mnu0_undo);
  const auto undo = formix.documents.lastUndo();
  check(undo.applied >= 3 && undo.skipped == 1, "undo.html: the undo put back " + std::to_string(undo.applied) +
                                                    " controls and left " + std::to_string(undo.skipped) + " edited one");
  const auto undone = formix.read();
  check(undone.has_value(), "undo.html is read after the undo");
  if (!undone) return;
  fill::PageFacts expected = before->page;
  for (auto& c : expected.frames[0].controls) {
    if (c.name == u"name1") c.valueLength = typedLength;
  }
  check(formix.unchanged(expected, undone->page, "after the undo"),
        "undo.html: every control shows what it did before the fill, the edited box what the person typed");

  formix.frm->chooseMenuItem(formix.frm->mnu0_undo);
  check(formix.documents.lastUndo().applied == 0 && formix.documents.lastUndo().skipped == 0,
        "undo.html: a second undo finds nothing to put back");
  const auto again = formix.read();
  check(again && formix.unchanged(undone->page, again->page, "after the second undo"), "undo.html: the second undo changed nothing");
}

// ---- Values checked against their boxes ----
// Each box's own rules refuse the value's first form: the box gets the first other form it
// accepts, and the page sees that one alone; a box that refuses every form stays empty and sees
// nothing. The span after each box lists what its input events saw.
void checkAcceptedForms(Formix& formix, const std::string& opener, const std::string& base) {
  openPage(opener, base + "/accepted.html");
  const auto before = formix.waitForPage(1, u"birth_d");
  check(before.has_value(), "accepted.html is read through the bridge");
  if (!before) return;
  formix.frm->cmdPOST_Click();
  const auto after = formix.read();
  check(after.has_value(), "accepted.html is read after the fill");
  if (!after) return;
  const fill::Profile profile = formix.frm->profileSnapshot();
  const auto seen = [&](const char16_t* name) {
    const auto* box = named(topOf(after->page), name);
    return box ? box->after : u"(gone)";
  };
  const auto& t = profile.telephone;
  const int month = profile.birth ? profile.birth->month : 0;
  const std::u16string wantMonth = text::widen((month < 10 ? "0" : "") + std::to_string(month));
  check(seen(u"zip") == u"[" + profile.postalFirst + profile.postalLast + u"]",
        "accepted.html: the postal code box that refuses hyphens got the code without them (" + utf8(seen(u"zip")) + ")");
  check(seen(u"tel") == u"[" + text::toFullWidth(t[0] + t[1] + t[2]) + u"]",
        "accepted.html: the telephone box that takes full-width digits got them (" + utf8(seen(u"tel")) + ")");
  check(seen(u"birth_m").starts_with(u"[" + wantMonth + u"] "),
        "accepted.html: the month box that wants two digits got them (" + utf8(seen(u"birth_m")) + ")");
  const auto* mail = named(topOf(after->page), u"mail");
  check(mail && mail->valueLength == 0 && mail->after.empty(),
        "accepted.html: the mail box that refuses the address stays empty and its page saw nothing");
  const auto* name = named(topOf(after->page), u"fullname");
  check(name && name->valueLength > 0, "accepted.html: the boxes without rules are filled as before");
}

int run(const std::string& settings, const std::string& opener, const std::string& base, const std::string& pages) {
  Formix formix(*bridge::defaultSocketPath());
  std::string error;
  if (!formix.server.start(&error)) {
    std::cerr << "cannot start the server: " << error << "\n";
    return 1;
  }
  formix.load(settings);
  check(formix.waitForBrowser(std::chrono::seconds(30)), "the browser's extension connects");
  if (failures) return 1;
  // BRIDGE_ONLY=undo (or forms) runs the undo checks (or the forms checks) alone, for repeating them quickly.
  if (const char* only = std::getenv("BRIDGE_ONLY"); only && (std::string(only) == "undo" || std::string(only) == "forms")) {
    if (std::string(only) == "undo") checkUndo(formix, opener, base);
    else checkAcceptedForms(formix, opener, base);
    std::cout << passes << " passed, " << failures << " failed\n";
    return failures == 0 ? 0 : 1;
  }

  // Boxes hidden in every way, and frames of another site: only the visible form is filled.
  openPage(opener, base + "/hidden.html");
  auto before = formix.waitForPage(4, u"trap_inert");
  if (!before) {
    before = formix.read();
    if (before) std::cout << "      hidden.html shows " << before->page.frames.size() << " frames\n";
  }
  check(before.has_value(), "hidden.html is read through the bridge");
  if (!before) return 1;
  const fill::FrameFacts* top = topOf(before->page);
  for (const char* way : {"display", "visibility", "opacity", "pixel", "offscreen", "clip", "rect", "details", "hidden", "inert"}) {
    const auto* trap = named(top, u"trap_" + text::widen(way));
    check(trap != nullptr && !trap->visible, std::string("hidden.html: the box hidden by ") + way + " is not visible");
  }
  for (const char16_t* name : {u"sei", u"mei", u"email", u"zip", u"pref", u"tel"}) {
    const auto* box = named(top, name);
    check(box != nullptr && box->visible, "hidden.html: " + utf8(name) + " is visible");
  }
  int otherSite = 0, otherSiteVisible = 0;
  for (const auto& frame : before->page.frames) {
    if (frame.frame == 0) continue;
    if (frame.origin != before->page.origin) ++otherSite;
    if (frame.visible) ++otherSiteVisible;
    std::cout << "      frame " << frame.frame << " " << utf8(frame.origin) << (frame.visible ? " visible" : " not visible")
              << ", first control " << (frame.controls.empty() ? "-" : utf8(frame.controls[0].name)) << "\n";
  }
  check(before->page.frames.size() == 4, "hidden.html: the top document and its three frames are read (" +
                                             std::to_string(before->page.frames.size()) + ")");
  check(otherSite == 3, "hidden.html: each frame tells the other site's origin (" + std::to_string(otherSite) + " of 3)");
  // Frames come in document order: the 1-px frame first. The frame a script sent elsewhere can be
  // seen; so can the <object>'s, though Chromium does not say which element shows it.
  check(before->page.frames.size() > 1 && !before->page.frames[1].visible, "hidden.html: the 1-px frame is not visible");
  check(otherSiteVisible >= 1, "hidden.html: a frame of another site that can be seen is reported visible (" +
                                   std::to_string(otherSiteVisible) + ")");
  formix.frm->cmdPOST_Click();
  auto after = formix.read();
  check(after.has_value(), "hidden.html is read again after the fill");
  if (!after) return 1;
  const int filledHidden = formix.expectFilled(before->page, after->page, "hidden.html");
  check(filledHidden >= 6, "hidden.html: " + std::to_string(filledHidden) + " boxes of the visible form filled");
  const auto* family = named(topOf(after->page), u"sei");
  check(family && family->valueLength == static_cast<int>(formix.frm->profileSnapshot().familyName.size()),
        "hidden.html: the family name is in its box");
  for (const auto& frame : after->page.frames) {
    for (const auto& c : frame.controls) {
      if (frame.frame != 0 || c.name.rfind(u"trap_", 0) == 0) {
        check(c.valueLength == 0, "hidden.html: " + utf8(c.name) + " (frame " + std::to_string(frame.frame) + ") stays empty");
      }
    }
  }
  // formix-tool capture tells the same facts of the page as the extension.
  if (const char* tool = std::getenv("FORMIX_TOOL")) {
    const std::string captured = slurp(std::string(tool) + " capture " + pages + "/hidden.html");
    const auto facts = bridge::decodePageFacts(captured);
    check(facts && facts->frames.size() == 1, "formix-tool capture reads hidden.html");
    if (facts && !facts->frames.empty()) {
      const auto& mine = facts->frames[0].controls;
      const auto& theirs = topOf(before->page)->controls;
      bool same = mine.size() == theirs.size();
      for (size_t k = 0; same && k < mine.size(); ++k) {
        same = mine[k].name == theirs[k].name && mine[k].visible == theirs[k].visible && mine[k].before == theirs[k].before &&
               mine[k].rowHeader == theirs[k].rowHeader && mine[k].label == theirs[k].label;
        if (!same) std::cout << "      differs at " << utf8(mine[k].name) << "\n";
      }
      check(same, "formix-tool capture gives the controls' names, labels and visibility as the extension does");
    }
  }

  // Boxes painted where nobody sees them, each beside a visible form: each trap is not visible,
  // the visible boxes are filled, no trap is.
  const auto trickPage = [&](const std::string& page, const std::vector<std::string>& ways) {
    openPage(opener, base + "/" + page);
    const auto read = formix.waitForPage(1, u"trap_" + text::widen(ways.back()));
    check(read.has_value(), page + " is read through the bridge");
    if (!read) return;
    const fill::FrameFacts* shownPage = topOf(read->page);
    for (const std::string& way : ways) {
      const auto* trap = named(shownPage, u"trap_" + text::widen(way));
      check(trap != nullptr && !trap->visible, page + ": the box hidden by " + way + " is not visible");
    }
    for (const char16_t* name : {u"sei", u"mei", u"email"}) {
      const auto* box = named(shownPage, name);
      check(box != nullptr && box->visible, page + ": " + utf8(name) + " is visible");
    }
    formix.frm->cmdPOST_Click();
    const auto filled = formix.read();
    check(filled.has_value() && formix.expectFilled(read->page, filled->page, page) == 3, page + ": the visible form is filled");
    for (const auto& c : filled ? topOf(filled->page)->controls : std::vector<fill::ControlFacts>{}) {
      if (c.name.rfind(u"trap_", 0) == 0) check(c.valueLength == 0, page + ": " + utf8(c.name) + " stays empty");
    }
  };
  trickPage("tricks.html", {"filter_opacity", "filter_blur", "mask", "nested_opacity", "zoom", "behind_viewer", "backface",
                            "contain_paint", "contain_strict", "circle_away", "inset_away", "polygon_away", "tiny",
                            "under_parent", "overlay", "inkless", "fixed", "slot_shut", "slot_faint"});
  trickPage("stuck.html", {"far_right", "far_down"});

  // Frames of fuller forms painted invisibly: neither is visible, and the visible form of the
  // page is the one filled.
  openPage(opener, base + "/veiled.html");
  before = formix.waitForPage(3, u"sei");
  check(before.has_value(), "veiled.html is read with its two frames");
  if (before) {
    for (size_t k = 1; k < before->page.frames.size(); ++k) {
      check(!before->page.frames[k].visible, "veiled.html: the frame painted invisibly (" + utf8(before->page.frames[k].origin) + ") is not visible");
    }
    formix.frm->cmdPOST_Click();
    const auto filled = formix.read();
    check(filled.has_value() && formix.expectFilled(before->page, filled->page, "veiled.html") == 3,
          "veiled.html: the visible form is filled, not the fuller one in a frame");
    for (const auto& frame : filled ? filled->page.frames : std::vector<fill::FrameFacts>{}) {
      for (const auto& c : frame.controls) {
        if (frame.frame != 0) check(c.valueLength == 0, "veiled.html: " + utf8(c.name) + " (frame " + std::to_string(frame.frame) + ") stays empty");
      }
    }
  }

  // The fill gesture as Formix's own bar makes it: the browser's window loses the focus just before
  // the read. The page shows more boxes then and hides them, and its phone box, at the first input.
  // A window of the harness's own stands for that bar; its title makes the window search pass over it.
  xcb_connection_t* display = formix.x.get();
  const xcb_window_t bar = xcb_generate_id(display);
  xcb_create_window(display, XCB_COPY_FROM_PARENT, bar, formix.x.root(), 0, 0, 60, 300, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    xcb_setup_roots_iterator(xcb_get_setup(display)).data->root_visual, 0, nullptr);
  xcb_change_property(display, XCB_PROP_MODE_REPLACE, bar, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 7, "Formix ");
  // Opens `page`, waits for its control `last`, and fills it with the bar activated just before
  // the read; afterwards the bar goes away, so the browser takes the keys that open the next
  // pages. The page's top document as the fill left it, or nullptr.
  std::optional<Formix::Read> gestured;
  const auto fillAfterGesture = [&](const std::string& page, std::u16string_view last) -> const fill::FrameFacts* {
    openPage(opener, base + "/" + page);
    const bool ready = formix.waitForPage(1, last).has_value();
    check(ready, page + " is read through the bridge");
    if (!ready) return nullptr;
    formix.through.beforeRead = [&formix, bar] {
      xcb_map_window(formix.x.get(), bar);
      formix.x.flush();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      formix.windows.setForegroundWindow(bar);
      formix.x.flush();
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
    };
    formix.frm->cmdPOST_Click();
    formix.through.beforeRead = nullptr;
    xcb_unmap_window(formix.x.get(), bar);
    formix.x.flush();
    gestured = formix.read();
    return gestured ? topOf(gestured->page) : nullptr;
  };
  if (const fill::FrameFacts* page = fillAfterGesture("shift.html", u"trap_mobile")) {
    const auto* zip = named(page, u"trap_zip");
    check(zip && zip->title.rfind(u"shown input", 0) == 0,
          "shift.html: the page showed its boxes on the lost focus, before the fill wrote (" + (zip ? utf8(zip->title) : "-") + ")");
    for (const char16_t* name : {u"sei", u"mei", u"email"}) {
      const auto* box = named(page, name);
      check(box && box->valueLength > 0, "shift.html: " + utf8(name) + " is filled");
    }
    for (const char16_t* name : {u"tel", u"trap_zip", u"trap_address", u"trap_mobile"}) {
      const auto* box = named(page, name);
      check(box && box->valueLength == 0, "shift.html: " + utf8(name) + " stays empty");
    }
  }

  // The caret in a login form's mail box, the window unfocused by the gesture: that form is the
  // one filled, not the fuller one beside it.
  if (const fill::FrameFacts* page = fillAfterGesture("focus2.html", u"tel")) {
    const auto* mail = named(page, u"login_mail");
    check(mail && mail->valueLength > 0, "focus2.html: the focused login form's mail box is filled");
    for (const char16_t* name : {u"sei", u"mei", u"email", u"tel"}) {
      const auto* box = named(page, name);
      check(box && box->valueLength == 0, "focus2.html: " + utf8(name) + " of the other form stays empty");
    }
  }

  // A frame of 5001 controls beside a visible form: that frame is left out, and says why.
  openPage(opener, base + "/flood.html");
  before = formix.waitFor([](const fill::PageFacts& page) {
    return page.frames.size() == 2 && named(topOf(page), u"email") && !page.frames[1].dropped.empty();
  });
  check(before.has_value(), "flood.html is read, its flooded frame left out (" +
                                (before ? utf8(before->page.frames[1].dropped) : std::string("-")) + ")");
  if (before) {
    formix.frm->cmdPOST_Click();
    const auto filled = formix.read();
    check(filled.has_value() && formix.expectFilled(before->page, filled->page, "flood.html") == 3, "flood.html: the visible form is filled");
  }

  // A registration table with frames of both origins and a field whose page script keeps its own state.
  openPage(opener, base + "/register.html");
  before = formix.waitForPage(3, u"name1");
  check(before.has_value(), "register.html is read through the bridge with both inline frames");
  if (!before) return 1;
  const auto* search = named(topOf(before->page), u"q");
  check(search && search->valueLength == 5 && search->userEdited,
        "the facts show a value typed into the page, which the markup does not hold, as the user's");
  check(search && search->value.empty(), "the facts carry the length of what was typed, not the text");
  formix.frm->cmdPOST_Click();
  after = formix.read();
  check(after.has_value(), "the page is read again after the fill");
  if (!after) return 1;
  const int filled = formix.expectFilled(before->page, after->page, "register.html");
  check(filled >= 10, "register.html: " + std::to_string(filled) + " fields filled");
  // The page script drew its field again from its own state meanwhile: the value held.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto later = formix.read();
  const std::u16string given = formix.frm->profileSnapshot().givenName;
  const auto* givenBox = later ? named(topOf(later->page), u"name2") : nullptr;
  check(givenBox && givenBox->valueLength == static_cast<int>(given.size()),
        "the page script's own state took the filled given name from the input event");
  check(formix.frm->cmdPOST.enabled(), "cmdPOST is enabled after the fill");

  // A long page whose terms hold no control: the collector walks its text-only parts only where
  // a control's texts reach them, and the headings nested alone in wrappers of their own (one of
  // them spaced with form feeds and vertical tabs) still head the controls after them.
  openPage(opener, base + "/terms.html");
  before = formix.waitForPage(1, u"comment");
  check(before.has_value(), "terms.html is read through the bridge");
  if (before) {
    const fill::FrameFacts* page = topOf(before->page);
    const std::u16string own = u"ご本人様の情報";
    const std::u16string emergency = u"緊急連絡先 ご本人以外の方 お名前と電話番号をお書きください";
    struct Expected {
      const char16_t* name;
      std::u16string before, block, below;
      std::vector<std::u16string> sections;
    };
    const std::vector<Expected> expected = {
        {u"fullname", u"", u"お名前", u"メールアドレス", {own}},
        {u"mail", u"", u"メールアドレス", u"携帯電話のアドレスも使えます 郵便番号", {own}},
        {u"zip", u"郵便番号", u"携帯電話のアドレスも使えます", u"ハイフンなしでご入力ください 紹介者 紹介者のお名前", {own}},
        {u"referrer", u"", u"紹介者のお名前", emergency + u" 電話番号", {own, u"紹介者"}},
        {u"emergency_tel", u"", u"電話番号", u"第1条 会員は本規約に同意のうえ登録するものとします。", {own, emergency}},
        {u"comment", u"", u"ご意見", u"", {own, emergency}},
    };
    for (const Expected& e : expected) {
      const auto* c = named(page, e.name);
      const bool below = c && (e.below.empty() ? c->below.empty() : c->below.starts_with(e.below));
      check(c && c->before == e.before && c->block == e.block && below && c->sections == e.sections,
            "terms.html: " + utf8(e.name) + " has its texts and sections (" +
                (c ? utf8(c->before) + " | " + utf8(c->block) + " | " + utf8(c->below.substr(0, 40)) + " | " +
                         std::to_string(c->sections.size()) + " sections"
                   : std::string("missing")) +
                ")");
    }
  }

  // A frameset: the frame of the page's own site is filled, the other site's is not.
  openPage(opener, base + "/frames.html");
  before = formix.waitFor([](const fill::PageFacts& page) {
    return page.frames.size() == 3 && named(&page.frames[1], u"name1") && named(&page.frames[2], u"fullname");
  });
  check(before.has_value() && before->page.frames.size() == 3, "frames.html is read with its two frames");
  if (!before || before->page.frames.size() != 3) return 1;
  formix.frm->cmdPOST_Click();
  after = formix.read();
  check(after.has_value(), "frames.html is read again after the fill");
  if (!after) return 1;
  check(formix.expectFilled(before->page, after->page, "frames.html") >= 5, "frames.html: the frame of the same site is filled");
  for (const auto& frame : after->page.frames) {
    if (frame.origin == after->page.origin) continue;
    const fill::FrameFacts* was = frameOf(before->page, frame.frame);
    fill::PageFacts one, now;
    if (was) one.frames.push_back(*was);
    now.frames.push_back(frame);
    check(was && formix.unchanged(one, now, "frames.html"), "frames.html: the frame of another site is left as it was");
  }

  // The relay dies while the fill writes: nothing changes, and the next fill works.
  openPage(opener, base + "/register.html");
  before = formix.waitForPage(3, u"name1");
  check(before.has_value(), "register.html is open again");
  if (!before) return 1;
  const auto relays = formix.server.browsers();
  const int relay = relays.empty() ? 0 : formix.server.relayProcess(relays.front());
  formix.through.beforeFill = [relay] {
    if (relay > 0) kill(relay, SIGKILL);
  };
  formix.frm->cmdPOST_Click();
  formix.through.beforeFill = nullptr;
  check(formix.frm->cmdPOST.enabled(), "cmdPOST is enabled again after the relay died");
  // The browser needs a moment to notice the old relay is gone and start a new one.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  check(formix.waitForBrowser(std::chrono::seconds(20)), "the browser starts the relay again");
  auto again = formix.waitForPage(3, u"name1");
  check(again && formix.unchanged(before->page, again->page, "after the relay died"),
        "nothing changed in the page when the relay died");
  if (again) {
    formix.frm->cmdPOST_Click();
    after = formix.read();
    check(after.has_value() && formix.expectFilled(again->page, after->page, "after the relay restarted") >= 10,
          "the next fill works");
  }

  // The person types into a field between the read and the write: that field keeps what was
  // typed, the others are filled.
  openPage(opener, base + "/register.html");
  before = formix.waitForPage(3, u"name1");
  check(before.has_value(), "register.html is open again for typing");
  if (!before) return 1;
  formix.through.beforeFill = [] {
    (void)std::system("xdotool type --delay 5 typed >/dev/null 2>&1");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  };
  formix.frm->cmdPOST_Click();
  formix.through.beforeFill = nullptr;
  check(formix.documents.lastApply().skipped == 1, "the field typed into meanwhile is skipped (" +
                                                        std::to_string(formix.documents.lastApply().skipped) + " skipped)");
  after = formix.read();
  const auto* typedBox = after ? named(topOf(after->page), u"name1") : nullptr;
  check(typedBox && typedBox->valueLength == 5, "the focused field shows what the person typed");
  const auto* kana = after ? named(topOf(after->page), u"kana1") : nullptr;
  check(kana && kana->valueLength > 0, "the other fields are filled");

  // Two browser windows: only the one in front is filled.
  openPage(opener, base + "/register.html");
  const auto back = formix.waitForPage(3, u"name1");
  check(back.has_value(), "a fresh register.html in the first window");
  if (!back) return 1;
  const auto connection = formix.server.browsers().front();
  // The browser's own id of the first window, while it is the focused one.
  std::optional<int64_t> backWindow;
  const auto focusId = formix.server.nextId();
  const auto focus = formix.server.request(connection, focusId, bridge::encodeFocus(focusId), std::chrono::milliseconds(1500));
  if (focus && std::holds_alternative<bridge::Focused>(*focus)) backWindow = std::get<bridge::Focused>(*focus).window;
  const auto readWindow = [&](int64_t window) -> std::optional<fill::PageFacts> {
    const auto id = formix.server.nextId();
    const auto answer = formix.server.request(connection, id, bridge::encodeCollect(id, window), std::chrono::milliseconds(1500));
    if (!answer || !std::holds_alternative<bridge::Facts>(*answer)) return std::nullopt;
    return std::get<bridge::Facts>(*answer).page;
  };
  openPage(opener, base + "/ie_form.html", true);
  formix.activateNewFront(back->window);
  auto front = formix.waitForPage(1, u"name1");
  check(front.has_value() && front->window != back->window, "a second browser window is in front");
  if (!front) return 1;
  formix.frm->cmdPOST_Click();
  const auto frontAfter = formix.read();
  check(frontAfter.has_value() && formix.expectFilled(front->page, frontAfter->page, "front window") >= 6,
        "the window in front is filled");
  // The first window's page, read straight through the bridge by its browser window: not filled.
  const auto backNow = backWindow ? readWindow(*backWindow) : std::nullopt;
  check(backNow && formix.unchanged(back->page, *backNow, "back window"), "the window behind was left as it was");

  checkUndo(formix, opener, base);
  checkAcceptedForms(formix, opener, base);

  std::cout << passes << " passed, " << failures << " failed\n";
  return failures == 0 ? 0 : 1;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

int measure(const std::string& settings, const std::string& opener, const std::string& url, int runs) {
  Formix formix(*bridge::defaultSocketPath());
  std::string error;
  if (!formix.server.start(&error)) {
    std::cerr << "cannot start the server: " << error << "\n";
    return 1;
  }
  formix.load(settings);
  if (!formix.waitForBrowser(std::chrono::seconds(30))) return 1;
  // Pages are awaited through a lookup of their own, so the model's meets each new window fresh.
  BridgeBrowsers probe(formix.server, formix.windows);
  const auto ready = [&](BridgeBrowsers* through) { return formix.waitForPage(3, u"name1", through); };
  std::vector<double> lookup, collect, recognise, apply, total, firstFill, newLookup;
  size_t controls = 0;
  for (int run = 0; run < runs; ++run) {
    openPage(opener, url);
    if (!ready(&probe)) {
      std::cerr << "run " << run << ": the page did not come\n";
      return 1;
    }
    // The legs one by one, as cmdPOST_Click takes them.
    auto t0 = Clock::now();
    const WindowHandle target = formix.frm->lGetNextWindowHandle();
    formix.documents.browserWindows();
    auto t1 = Clock::now();
    const auto facts = formix.documents.pageFacts(target);
    auto t2 = Clock::now();
    if (!facts) {
      std::cerr << "run " << run << ": no facts\n";
      return 1;
    }
    const auto result = fill::recognise(*facts, formix.frm->profileSnapshot(), formix.today);
    auto t3 = Clock::now();
    const auto applied = formix.documents.applyFills(target, result.fills);
    auto t4 = Clock::now();
    if (!applied || *applied == 0) {
      std::cerr << "run " << run << ": nothing applied\n";
      return 1;
    }
    lookup.push_back(ms(t1 - t0));
    collect.push_back(ms(t2 - t1));
    recognise.push_back(ms(t3 - t2));
    apply.push_back(ms(t4 - t3));
    if (run == 0) {
      for (const auto& f : facts->frames) controls += f.controls.size();
      std::cout << "page: " << facts->frames.size() << " frames, " << controls << " controls, " << result.fills.size()
                << " fills\n";
    }
    // The whole handler on a fresh copy of the page.
    openPage(opener, url);
    if (!ready(&probe)) {
      std::cerr << "run " << run << ": the fresh page did not come\n";
      return 1;
    }
    const auto s = Clock::now();
    formix.frm->cmdPOST_Click();
    total.push_back(ms(Clock::now() - s));
    if (formix.documents.lastApply().applied == 0) {
      std::cerr << "run " << run << ": the handler filled nothing\n";
      return 1;
    }
  }
  // The first fill of a window the model has not met: a new browser window each time.
  for (int run = 0; run < std::min(runs, 8) && firstFill.size() < 5; ++run) {
    const WindowHandle old = formix.frm->lGetNextWindowHandle();
    openPage(opener, url, true);
    formix.activateNewFront(old);
    if (!ready(&probe)) {
      // The browser still names another window as its focused one: nothing is filled then, and
      // there is nothing to time.
      std::cerr << "new window " << run << ": the browser did not take the focus; not timed\n";
      continue;
    }
    {
      // The lookup alone, by a model that has not met the window either.
      BridgeBrowsers fresh(formix.server, formix.windows);
      const auto l = Clock::now();
      const auto found = fresh.browserWindows();
      newLookup.push_back(ms(Clock::now() - l));
      if (found.empty()) std::cerr << "new window " << run << ": the lookup found no window\n";
    }
    const auto s = Clock::now();
    formix.frm->cmdPOST_Click();
    firstFill.push_back(ms(Clock::now() - s));
    if (formix.documents.lastApply().applied == 0) {
      std::cerr << "new window " << run << ": the handler filled nothing\n";
      return 1;
    }
  }
  std::printf("median of %d runs (ms): window lookup %.1f, collect facts %.1f, recognise %.1f, fill %.1f, "
              "trigger to filled %.1f\n",
              runs, median(lookup), median(collect), median(recognise), median(apply), median(total));
  std::printf("first fill of a new browser window, median of %zu windows: %.1f ms (slowest %.1f); its window lookup "
              "alone %.1f ms\n",
              firstFill.size(), median(firstFill), firstFill.empty() ? 0.0 : *std::max_element(firstFill.begin(), firstFill.end()),
              median(newLookup));
  return 0;
}

}  // namespace
}  // namespace formix::testing

int main(int argc, char** argv) {
  using namespace formix::testing;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "install") return install(args[1], args[2]);
  if (args.size() == 5 && args[0] == "run") return run(args[1], args[2], args[3], args[4]);
  if (args.size() == 5 && args[0] == "measure") return measure(args[1], args[2], args[3], std::stoi(args[4]));
  std::cerr << "usage: bridge_harness install HOME RELAY | run SETTINGS OPENER BASE-URL PAGES | measure SETTINGS OPENER URL RUNS\n";
  return 2;
}

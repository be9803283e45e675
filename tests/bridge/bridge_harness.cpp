// Plays Formix's part against a real browser with the extension loaded: the bridge's server,
// BridgeBrowserDocuments over the display's windows, and the whole main window model filling
// through them. tests/bridge/run.sh starts the display, the page servers and the browser.
//
//   bridge_harness install HOME RELAY       writes the host manifests (prints what it did)
//   bridge_harness run SETTINGS OPENER URL  the checks; OPENER URL [--new-window] opens a page
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
#include "bridge/bridge_documents.h"
#include "bridge/bridge_server.h"
#include "bridge/integration_install.h"
#include "bridge/socket_path.h"
#include "fill/form_filler.h"
#include "platform/simulated/simulated_desktop.h"
#include "platform/linux/x11_windows.h"
#include "text/utf.h"

namespace formix::testing {
namespace {

using Clock = std::chrono::steady_clock;
using bridge::BridgeBrowserDocuments;
using platform::BrowserDocuments;
using platform::WindowHandle;

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

// A tag's attribute as the extension writes it: name="value", escaped.
std::u16string attribute(std::u16string_view tag, std::u16string_view name) {
  const std::u16string needle = u" " + std::u16string(name) + u"=\"";
  const size_t at = tag.find(needle);
  if (at == std::u16string_view::npos) return u"\x1f(none)";
  const size_t from = at + needle.size();
  std::u16string value(tag.substr(from, tag.find(u'"', from) - from));
  for (const auto& [reference, c] : {std::pair<std::u16string, std::u16string>{u"&quot;", u"\""}, {u"&lt;", u"<"},
                                     {u"&gt;", u">"}, {u"&nbsp;", u"\u00a0"}, {u"&amp;", u"&"}}) {
    for (size_t p = value.find(reference); p != std::u16string::npos; p = value.find(reference, p + 1)) {
      value.replace(p, reference.size(), c);
    }
  }
  return value;
}

// The text of a control from its start to the end of its start tag, or of a list or text area to
// its end tag.
std::u16string controlText(const std::u16string& html, size_t at) {
  const bool list = html.compare(at, 7, u"<select") == 0, area = html.compare(at, 9, u"<textarea") == 0;
  const size_t end = list ? html.find(u"</select>", at) : area ? html.find(u"</textarea>", at) : html.find(u'>', at) + 1;
  return html.substr(at, end - at);
}

// What a control shows: an input's value, a radio button's checked state, the selected option's
// text, a text area's text.
std::u16string shown(const std::u16string& control) {
  if (control.compare(0, 7, u"<select") == 0) {
    const size_t selected = control.find(u" selected=\"\"");
    if (selected == std::u16string::npos) return u"";
    const size_t from = control.find(u'>', selected) + 1;
    std::u16string text = control.substr(from, control.find(u'<', from) - from);
    while (!text.empty() && text.back() == u' ') text.pop_back();
    return text;
  }
  if (control.compare(0, 9, u"<textarea") == 0) return control.substr(control.find(u'>') + 1);
  if (attribute(control, u"type") == u"radio") {
    return control.find(u" checked=\"\"") != std::u16string::npos ? u"CHECKED" : u"(unchecked)";
  }
  const std::u16string value = attribute(control, u"value");
  return value == u"\x1f(none)" ? u"" : value;
}

std::string utf8(std::u16string_view s) { return text::toUtf8(s); }

// The harness has no window of its own on the display: the model's main window is a stand-in.
struct NoOwnWindow : platform::x11::OwnWindow {
  platform::WindowHandle handle() override { return 1; }
  void setVisible(bool) override {}
  void setCaption(std::u16string_view) override {}
  void setBounds(double, double, double, double) override {}
  void setOnTop() override {}
};

struct Formix {
  bridge::BridgeServer server;
  platform::x11::Connection x;
  NoOwnWindow own;
  platform::x11::X11Windows windows{x, own};
  platform::SimulatedDesktop simulated;
  BridgeBrowserDocuments documents;
  // The model reaches the browser through this; a test may put something in between.
  struct Documents : BrowserDocuments {
    BrowserDocuments* inner = nullptr;
    std::function<void()> beforeWrite;
    std::vector<WindowHandle> browserWindows() override { return inner->browserWindows(); }
    std::optional<int> frameCount(WindowHandle b) override { return inner->frameCount(b); }
    std::optional<std::u16string> bodyHtml(WindowHandle b, int f) override { return inner->bodyHtml(b, f); }
    bool setBodyHtml(WindowHandle b, int f, std::u16string_view html) override {
      if (beforeWrite) beforeWrite();
      return inner->setBodyHtml(b, f, html);
    }
  } through;
  platform::Desktop ports;
  std::unique_ptr<app::FrmMain> frm;
  fill::CivilDate today;

  explicit Formix(const std::filesystem::path& socket)
      : server(socket),
        documents(server, windows),
        ports(makePorts()) {
    through.inner = &documents;
    if (std::getenv("BRIDGE_DEBUG")) server.log = [](const std::string& s) { std::cerr << "server: " << s << "\n"; };
  }

  platform::Desktop makePorts() {
    platform::Desktop d = simulated.ports();
    return platform::Desktop{windows, d.screen, d.keyboard, d.clipboard, d.tray, d.shell, d.messages, d.popups,
                             d.hookLoader, d.events, d.process, d.session, through, d.clock};
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

  bool waitForBrowser(std::chrono::seconds limit) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
      if (!server.browsers().empty()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

  // The page of the window in front, read through the bridge: the top document and its frames.
  struct Read {
    WindowHandle window = 0;
    std::u16string top;
    std::vector<std::u16string> frames;  // by child index; empty when not readable
    int frameCount = 0;
  };
  std::optional<Read> read() {
    const WindowHandle target = frm->lGetNextWindowHandle();
    const auto browsers = documents.browserWindows();
    if (std::getenv("BRIDGE_DEBUG")) {
      std::cerr << "target " << target << " \"" << utf8(windows.windowText(target)) << "\", browsers:";
      for (auto b : browsers) std::cerr << " " << b;
      std::cerr << "\n";
    }
    if (target == 0 || std::find(browsers.begin(), browsers.end(), target) == browsers.end()) return std::nullopt;
    Read r;
    r.window = target;
    r.frameCount = documents.frameCount(target).value_or(-1);
    const auto top = documents.bodyHtml(target, BrowserDocuments::kTopDocument);
    if (!top) return std::nullopt;
    r.top = *top;
    for (int k = 0; k < r.frameCount; ++k) r.frames.push_back(documents.bodyHtml(target, k).value_or(u""));
    return r;
  }

  // Waits until the page in front has `frames` child frames (any number when negative) whose
  // bodies all hold a form, and whose top body holds `topText`.
  std::optional<Read> waitForPage(int frames, std::u16string_view topText, std::chrono::seconds limit = std::chrono::seconds(20)) {
    const auto until = Clock::now() + limit;
    while (Clock::now() < until) {
      if (auto r = read()) {
        bool ready = (frames < 0 || r->frameCount == frames) && r->top.find(topText) != std::u16string::npos;
        for (const auto& f : r->frames) ready = ready && f.find(u"<form") != std::u16string::npos;
        if (ready) return r;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::nullopt;
  }

  // Controls' start positions in a body, in document order.
  static std::vector<size_t> controls(const std::u16string& html) {
    std::vector<size_t> at;
    for (size_t p = html.find(u'<'); p != std::u16string::npos; p = html.find(u'<', p + 1)) {
      if (html.compare(p, 7, u"<input ") == 0 || html.compare(p, 8, u"<select ") == 0 ||
          html.compare(p, 10, u"<textarea ") == 0) {
        at.push_back(p);
      }
    }
    return at;
  }

  // Checks that `after` shows every field as the fill engine fills `before`, and every other
  // control exactly as before. Returns how many fields were filled.
  int expectFilled(const std::u16string& before, const std::u16string& after, const std::string& where) {
    const fill::FillResult expected = fill::fillForm(before, frm->profileSnapshot(), today);
    const auto was = controls(before), now = controls(after);
    if (was.size() != now.size()) {
      check(false, where + ": the page has as many controls as before");
      return 0;
    }
    int filled = 0;
    for (size_t k = 0; k < was.size(); ++k) {
      const std::u16string old = controlText(before, was[k]), neu = controlText(after, now[k]);
      const auto record = std::find_if(expected.fields.records.begin(), expected.fields.records.end(),
                                       [&](const fill::FieldRecord& r) { return r.position == was[k]; });
      if (record != expected.fields.records.end() && record->changed) {
        ++filled;
        check(shown(neu) == record->value, where + ": " + utf8(attribute(old, u"name")) + " shows \"" + utf8(record->value) +
                                               "\" (shows \"" + utf8(shown(neu)) + "\")");
      } else if (neu != old) {
        check(false, where + ": " + utf8(attribute(old, u"name")) + " is left as it was: " + utf8(old) + " -> " + utf8(neu));
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

int run(const std::string& settings, const std::string& opener, const std::string& base) {
  Formix formix(*bridge::defaultSocketPath());
  std::string error;
  if (!formix.server.start(&error)) {
    std::cerr << "cannot start the server: " << error << "\n";
    return 1;
  }
  formix.load(settings);
  check(formix.waitForBrowser(std::chrono::seconds(30)), "the browser's extension connects");
  if (failures) return 1;

  // A page with inline frames: its top body is one document; the frames' own fields stay.
  openPage(opener, base + "/register.html");
  auto before = formix.waitForPage(2, u"state:");
  check(before.has_value(), "register.html is read through the bridge with both inline frames");
  if (!before) return 1;
  check(before->top.find(u"value=\"夏のセール\"") != std::u16string::npos,
        "the read shows a value typed into the page, which the markup does not hold");
  formix.frm->cmdPOST_Click();
  auto after = formix.read();
  check(after.has_value(), "the page is read again after the fill");
  if (!after) return 1;
  const int filled = formix.expectFilled(before->top, after->top, "register.html");
  // The values expected are formix-tool fill's for the text the browser gave.
  if (const char* tool = std::getenv("FORMIX_TOOL")) {
    const auto page = std::filesystem::path(settings).parent_path() / "register-read.html";
    { std::ofstream(page, std::ios::binary) << utf8(before->top); }
    char today[16];
    std::snprintf(today, sizeof today, "%04d-%02d-%02d", formix.today.year, formix.today.month, formix.today.day);
    const std::string command = std::string(tool) + " fill --settings " + settings + " --today " + today + " " + page.string();
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[65536];
      for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
      pclose(pipe);
    }
    check(output == utf8(fill::sFillForm(before->top, formix.frm->profileSnapshot(), formix.today)),
          "formix-tool fill gives the same filled text for the page as read");
  }
  check(after->top.find(u"value=\"夏のセール\"") != std::u16string::npos, "the typed search word is still there");
  check(filled >= 12, "register.html: " + std::to_string(filled) + " fields filled");
  // The page script drew its field again from its own state meanwhile: the value held.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const auto later = formix.read();
  const std::u16string given = formix.frm->profileSnapshot().txtAUTO[1];
  check(later && later->top.find(u"state:" + given + u"</span>") != std::u16string::npos,
        "the page script's own state took the filled given name from the input event");
  check(later && later->top == after->top, "the filled page stays filled after the page script draws again");
  check(after->frames == before->frames, "the inline frames' fields are left as they were (same and other origin)");
  check(formix.frm->cmdPOST.enabled(), "cmdPOST is enabled after the fill");

  // A frameset page: each frame is a document of its own, the other origin's too.
  openPage(opener, base + "/frames.html");
  before = formix.waitForPage(2, u"<frame ");
  check(before.has_value(), "frames.html is read with its two frames");
  if (!before) return 1;
  formix.frm->cmdPOST_Click();
  after = formix.read();
  check(after.has_value() && after->frames.size() == 2, "frames.html is read again after the fill");
  if (!after || after->frames.size() != 2) return 1;
  check(formix.expectFilled(before->frames[0], after->frames[0], "frame 0 (same origin)") >= 8, "frame 0 filled");
  check(formix.expectFilled(before->frames[1], after->frames[1], "frame 1 (other origin)") >= 3, "frame 1 filled");
  check(after->top == before->top, "the frameset's own body is not written");

  // The relay dies while the fill writes: nothing changes, and the next fill works.
  openPage(opener, base + "/register.html");
  before = formix.waitForPage(2, u"state:");
  check(before.has_value(), "register.html is open again");
  if (!before) return 1;
  const auto relays = formix.server.browsers();
  const int relay = relays.empty() ? 0 : formix.server.relayProcess(relays.front());
  formix.through.beforeWrite = [relay] {
    if (relay > 0) kill(relay, SIGKILL);
  };
  formix.frm->cmdPOST_Click();
  formix.through.beforeWrite = nullptr;
  check(formix.frm->cmdPOST.enabled(), "cmdPOST is enabled again after the relay died");
  check(formix.waitForBrowser(std::chrono::seconds(20)), "the browser starts the relay again");
  // The browser needs a moment to notice the old relay is gone and start a new one.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  check(formix.waitForBrowser(std::chrono::seconds(20)), "a relay is connected");
  auto unchanged = formix.waitForPage(2, u"state:");
  check(unchanged.has_value() && unchanged->top == before->top, "nothing changed in the page when the relay died");
  formix.frm->cmdPOST_Click();
  after = formix.read();
  check(after.has_value() && formix.expectFilled(before->top, after->top, "after the relay restarted") >= 12,
        "the next fill works");

  // The person types into a field between the read and the write: that field keeps what was
  // typed, the others are filled.
  openPage(opener, base + "/register.html");
  before = formix.waitForPage(2, u"state:");
  check(before.has_value(), "register.html is open again for typing");
  if (!before) return 1;
  formix.through.beforeWrite = [] {
    (void)std::system("xdotool type --delay 5 typed >/dev/null 2>&1");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  };
  formix.frm->cmdPOST_Click();
  formix.through.beforeWrite = nullptr;
  check(formix.documents.lastApply().skipped == 1, "the field typed into meanwhile is skipped (" +
                                                        std::to_string(formix.documents.lastApply().skipped) + " skipped)");
  after = formix.read();
  check(after && after->top.find(u"name=\"name1\" id=\"name1\" autofocus=\"\" value=\"typed\"") != std::u16string::npos,
        "the focused field shows what the person typed");
  check(after && after->top.find(u"value=\"ヤマダ\"") != std::u16string::npos, "the other fields are filled");

  // Two browser windows: only the one in front is filled.
  openPage(opener, base + "/register.html");
  const auto back = formix.waitForPage(2, u"state:");
  check(back.has_value(), "a fresh register.html in the first window");
  if (!back) return 1;
  const auto connection = formix.server.browsers().front();
  // The browser's own id of the first window, while it is the focused one.
  std::optional<int64_t> backWindow;
  const auto focusId = formix.server.nextId();
  const auto focus = formix.server.request(connection, focusId, bridge::encodeFocus(focusId), std::chrono::milliseconds(1500));
  if (focus && std::holds_alternative<bridge::Focused>(*focus)) backWindow = std::get<bridge::Focused>(*focus).window;
  const auto readWindow = [&](int64_t window) -> std::u16string {
    const auto id = formix.server.nextId();
    const auto answer = formix.server.request(connection, id, bridge::encodeRead(id, window), std::chrono::milliseconds(1500));
    if (!answer || !std::holds_alternative<bridge::Page>(*answer)) return u"(unreadable)";
    const auto* top = std::get<bridge::Page>(*answer).frameAt({});
    return top ? top->html : u"(no top document)";
  };
  openPage(opener, base + "/ie_form.html", true);
  auto front = formix.waitForPage(0, u"<form");
  check(front.has_value() && front->window != back->window, "a second browser window is in front");
  if (!front) return 1;
  formix.frm->cmdPOST_Click();
  const auto frontAfter = formix.read();
  check(frontAfter.has_value() && formix.expectFilled(front->top, frontAfter->top, "front window") >= 8,
        "the window in front is filled");
  // The first window's page, read straight through the bridge by its browser window: not filled.
  check(backWindow && readWindow(*backWindow) == back->top, "the window behind was left as it was");

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
  std::vector<double> lookup, read, fillLeg, apply, total;
  double firstLookup = 0;
  for (int run = 0; run < runs; ++run) {
    openPage(opener, url);
    const auto page = formix.waitForPage(-1, u"state:");
    if (!page) return 1;
    // A person triggers the fill a while after the page appeared: the browser has shown the last
    // title change by then (it spaces out a window's title changes).
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    if (run == 0) {
      // A lookup that has not met this browser window yet puts a marker in its title; later
      // lookups know the window.
      BridgeBrowserDocuments fresh(formix.server, formix.windows);
      const auto m = Clock::now();
      fresh.browserWindows();
      firstLookup = ms(Clock::now() - m);
      std::this_thread::sleep_for(std::chrono::milliseconds(600));
    }
    // The legs one by one, as cmdPOST_Click takes them.
    auto t0 = Clock::now();
    const WindowHandle target = formix.frm->lGetNextWindowHandle();
    formix.documents.browserWindows();
    auto t1 = Clock::now();
    formix.documents.frameCount(target);
    const auto html = formix.documents.bodyHtml(target, BrowserDocuments::kTopDocument);
    auto t2 = Clock::now();
    const std::u16string filled = fill::sFillForm(*html, formix.frm->profileSnapshot(), formix.today);
    auto t3 = Clock::now();
    const bool written = formix.documents.setBodyHtml(target, BrowserDocuments::kTopDocument, filled);
    auto t4 = Clock::now();
    if (!written || formix.documents.lastApply().applied == 0) {
      std::cerr << "run " << run << ": nothing applied\n";
      return 1;
    }
    lookup.push_back(ms(t1 - t0));
    read.push_back(ms(t2 - t1));
    fillLeg.push_back(ms(t3 - t2));
    apply.push_back(ms(t4 - t3));
    // The whole handler on a fresh copy of the page.
    openPage(opener, url);
    if (!formix.waitForPage(-1, u"state:")) return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const auto s = Clock::now();
    formix.frm->cmdPOST_Click();
    total.push_back(ms(Clock::now() - s));
    if (run == 0) {
      std::cout << "body: " << text::toUtf8(*html).size() << " bytes of UTF-8 (" << html->size()
                << " UTF-16 units), edits: " << formix.documents.lastApply().sent << "\n";
    }
  }
  std::printf("first window lookup (title marker): %.1f ms\n", firstLookup);
  std::printf("median of %d runs (ms): window lookup %.1f, read %.1f, fill %.1f, apply %.1f, trigger to filled %.1f\n",
              runs, median(lookup), median(read), median(fillLeg), median(apply), median(total));
  return 0;
}

}  // namespace
}  // namespace formix::testing

int main(int argc, char** argv) {
  using namespace formix::testing;
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "install") return install(args[1], args[2]);
  if (args.size() == 4 && args[0] == "run") return run(args[1], args[2], args[3]);
  if (args.size() == 5 && args[0] == "measure") return measure(args[1], args[2], args[3], std::stoi(args[4]));
  std::cerr << "usage: bridge_harness install HOME RELAY | run SETTINGS OPENER BASE-URL | measure SETTINGS OPENER URL RUNS\n";
  return 2;
}

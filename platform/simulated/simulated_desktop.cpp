#include "platform/simulated/simulated_desktop.h"

#include <algorithm>
#include <chrono>

#include "hook/hook_library.h"
#include "text/utf.h"

namespace formix::platform {

std::string quoted(std::u16string_view text) {
  std::string out = "\"";
  for (char c : text::toUtf8(text)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      default: out.push_back(c);
    }
  }
  return out + "\"";
}

SimulatedDesktop::SimulatedDesktop() = default;

ports::Desktop SimulatedDesktop::ports() {
  return ports::Desktop{*this, *this, *this, *this, *this, *this, *this, *this, *this, *this, *this, *this, &factBrowsers_, this, *this};
}

void SimulatedDesktop::setScreenPixels(int width, int height) {
  screenWidth_ = width;
  screenHeight_ = height;
}

std::vector<SimulatedDesktop::Window>::iterator SimulatedDesktop::find(ports::WindowHandle handle) {
  return std::find_if(windows_.begin(), windows_.end(), [&](const Window& w) { return w.handle == handle; });
}

const SimulatedDesktop::Window* SimulatedDesktop::window(ports::WindowHandle handle) const {
  auto it = std::find_if(windows_.begin(), windows_.end(), [&](const Window& w) { return w.handle == handle; });
  return it == windows_.end() ? nullptr : &*it;
}

void SimulatedDesktop::addWindow(Window window) {
  if (auto it = find(window.handle); it != windows_.end()) windows_.erase(it);
  const bool topmost = (window.exStyle & ports::kExStyleTopmost) != 0;
  auto at = topmost ? windows_.begin()
                    : std::find_if(windows_.begin(), windows_.end(),
                                   [](const Window& w) { return (w.exStyle & ports::kExStyleTopmost) == 0; });
  windows_.insert(at, std::move(window));
}

std::vector<std::string> SimulatedDesktop::takeLog() {
  std::vector<std::string> out;
  out.swap(log_);
  return out;
}

std::string SimulatedDesktop::handleName(ports::WindowHandle handle) const {
  if (handle == kDesktopHandle) return "desktop";
  if (const Window* w = window(handle); w != nullptr && w->mainWindow) return "frmMain";
  return std::to_string(handle);
}

// ---- Windows ----

ports::WindowHandle SimulatedDesktop::createMainWindow(std::u16string_view caption) {
  Window main;
  main.handle = kMainHandle;
  main.title = std::u16string(caption);
  main.visible = false;
  main.mainWindow = true;
  addWindow(main);
  return kMainHandle;
}

void SimulatedDesktop::setWindowVisible(ports::WindowHandle window, bool visible) {
  if (auto it = find(window); it != windows_.end()) it->visible = visible;
}

void SimulatedDesktop::setWindowCaption(ports::WindowHandle window, std::u16string_view caption) {
  if (auto it = find(window); it != windows_.end()) it->title = std::u16string(caption);
}

void SimulatedDesktop::setWindowBounds(ports::WindowHandle window, double left, double top, double width, double height) {
  if (auto it = find(window); it != windows_.end()) {
    it->left = left, it->top = top, it->width = width, it->height = height;
  }
}

void SimulatedDesktop::makeTopmost(ports::WindowHandle window) {
  auto it = find(window);
  if (it == windows_.end()) return;
  Window w = *it;
  w.exStyle |= ports::kExStyleTopmost;
  addWindow(w);
  log("topmost " + handleName(window));
}

ports::WindowHandle SimulatedDesktop::firstWindow(ports::WindowHandle /*window*/) {
  return windows_.empty() ? 0 : windows_.front().handle;
}

ports::WindowHandle SimulatedDesktop::nextWindow(ports::WindowHandle window) {
  auto it = find(window);
  if (it == windows_.end() || ++it == windows_.end()) return 0;
  return it->handle;
}

int SimulatedDesktop::isWindowVisible(ports::WindowHandle window) {
  const Window* w = this->window(window);
  return w != nullptr && w->visible ? 1 : 0;
}

int32_t SimulatedDesktop::windowLong(ports::WindowHandle window, int index) {
  const Window* w = this->window(window);
  if (w == nullptr) return 0;
  if (index == ports::kGwlStyle) return w->style;
  if (index == ports::kGwlExStyle) return w->exStyle;
  return 0;
}

std::u16string SimulatedDesktop::windowText(ports::WindowHandle window) {
  const Window* w = this->window(window);
  return w == nullptr ? u"" : w->title;
}

int64_t SimulatedDesktop::windowProcess(ports::WindowHandle window) {
  const Window* w = this->window(window);
  return w == nullptr ? 0 : w->process;
}

std::optional<ports::WindowSystem::PixelBounds> SimulatedDesktop::windowBounds(ports::WindowHandle window) {
  const Window* w = this->window(window);
  if (w == nullptr) return std::nullopt;
  const auto pixels = [](double twips) { return static_cast<int64_t>(twips / kTwipsPerPixel); };
  return ports::WindowSystem::PixelBounds{pixels(w->left), pixels(w->top), pixels(w->width), pixels(w->height)};
}

bool SimulatedDesktop::setForegroundWindow(ports::WindowHandle window) {
  log("foreground " + handleName(window));
  if (window != kDesktopHandle && this->window(window) == nullptr) return false;
  foreground_ = window;
  return true;
}

// ---- Keyboard, clipboard, tray, shell, messages, popups ----

void SimulatedDesktop::keyEvent(ports::Key key, ports::KeyAction action) {
  std::string name;
  switch (key) {
    case ports::Key::Tab: name = "Tab"; break;
    case ports::Key::Enter: name = "Enter"; break;
    case ports::Key::Shift: name = "Shift"; break;
    case ports::Key::Control: name = "Ctrl"; break;
    case ports::Key::Alt: name = "Alt"; break;
    case ports::Key::Insert: name = "Insert"; break;
    default:
      if (const auto c = ports::characterOfKey(key)) name = std::string(1, *c);
  }
  log("key " + name + (action == ports::KeyAction::Release ? " up" : " down"));
}

std::vector<std::u16string> SimulatedDesktop::programNames(ports::WindowHandle target) {
  const auto it = programNames_.find(target);
  if (it == programNames_.end()) return {};
  return {it->second};
}

bool SimulatedDesktop::clear() {
  clipboard_.reset();
  log("clipboard clear");
  return true;
}

bool SimulatedDesktop::setText(std::u16string_view text) {
  clipboard_ = std::u16string(text);
  log("clipboard " + quoted(text));
  return true;
}

bool SimulatedDesktop::setSelectionText(std::u16string_view text) {
  log("selection " + quoted(text));
  return true;
}

void SimulatedDesktop::watchPaste(ports::WindowHandle target) {
  pasteTarget_ = target;
  pasteFetched_ = !pasteFetchDelay_;
  pasteFetchDue_.reset();
  if (pasteFetchDelay_) pasteFetchDue_ = now_ + *pasteFetchDelay_;
}

bool SimulatedDesktop::notifyIcon(Operation operation, const ports::TrayIconRecord& record) {
  const std::string picture = record.icon == 0x5102 ? "busy" : "normal";
  switch (operation) {
    case kAdd:
      if (trayIcon_) return false;
      trayIcon_ = record.icon;
      log("tray add " + picture);
      return true;
    case kModify:
      if (!trayIcon_) return false;
      trayIcon_ = record.icon;
      log("tray modify " + picture);
      return true;
    case kDelete:
      if (!trayIcon_) return false;
      trayIcon_.reset();
      log("tray delete");
      return true;
  }
  return false;
}

bool SimulatedDesktop::startProgram(std::u16string_view commandLine, int windowStyle) {
  const bool known = programs_.count(std::u16string(commandLine)) != 0;
  log("start " + quoted(commandLine) + " style " + std::to_string(windowStyle) + (known ? "" : " failed"));
  return known;
}

void SimulatedDesktop::shellOpen(ports::WindowHandle owner, std::u16string_view target) {
  log("open " + quoted(target) + " owner " + handleName(owner));
}

void SimulatedDesktop::showMessage(std::u16string_view text, std::u16string_view title, int flags) {
  log("message " + quoted(text) + " title " + quoted(title) + " icon " + std::to_string(flags));
}

void SimulatedDesktop::showPopupMenu(std::string_view menuName, int flags) {
  log("popup " + std::string(menuName) + " flags " + std::to_string(flags));
}

// ---- The hook library: the library's own rules over the simulated windows ----

std::optional<ports::HookExports> SimulatedDesktop::loadHookLibrary(std::string_view name) {
  if (hookMissing_ || name != "fmxhook") {
    log("hook library " + std::string(name) + " not found");
    return std::nullopt;
  }
  ports::HookExports exports;
  exports.SetHook = [this] {
    const int32_t result = hook::setHook(hookEnv_, hookShared_);
    log("hook SetHook " + std::to_string(result));
    return result;
  };
  exports.RemoveHook = [this] {
    const int32_t result = hook::removeHook(hookEnv_, hookShared_);
    log("hook RemoveHook " + std::to_string(result));
    return result;
  };
  for (int m = 0; m < 5; ++m) {
    exports.M_Mode[m] = [this, m] {
      hook::setMouseMode(hookShared_, m);
      log("hook M_Mode" + std::to_string(m));
    };
  }
  for (int k = 0; k < 3; ++k) {
    exports.K_Mode[k] = [this, k] {
      hook::setKeyMode(hookShared_, k);
      log("hook K_Mode" + std::to_string(k));
    };
  }
  return exports;
}

ports::WindowHandle SimulatedDesktop::findWindowByCaption(std::u16string_view caption) const {
  for (const Window& w : windows_) {
    if (w.title == caption) return w.handle;
  }
  return 0;
}

void SimulatedDesktop::setCapture(ports::WindowHandle window, int32_t exStyle, int32_t style) {
  captures_[window] = {exStyle, style};
}

static std::string messageName(uint32_t message) {
  switch (message) {
    case 0: return "null";
    case 0x202: return "lbuttonup";
    case 0x204: return "rbuttondown";
    case 0x205: return "rbuttonup";
    case 0x207: return "mbuttondown";
    case 0x208: return "mbuttonup";
    default: return std::to_string(message);
  }
}

void SimulatedDesktop::retrieveMessage(ports::WindowHandle window, uint32_t message, bool ctrlHeld) {
  uint32_t record = message;  // the message record: its number is what the hook looks at
  if (hookEnv_.installed()) {
    auto capture = captures_.find(window);
    hookEnv_.retrievingThread(ctrlHeld, capture == captures_.end() ? nullptr : &capture->second);
    hook::FmxHookLibrary<hook::HookEnvironment> library(hookEnv_, hookShared_);
    library.FmxHook(0, 1, reinterpret_cast<std::intptr_t>(&record));
    hookEnv_.retrievingThread(false, nullptr);
  }
  log("window " + handleName(window) + " received " + messageName(record));
}

void SimulatedDesktop::postMessage(ports::WindowHandle window, uint32_t message, int x, int y) {
  log("posted " + messageName(message) + " " + std::to_string(x) + "," + std::to_string(y) + " to " +
      handleName(window));
  if (window == kMainHandle) postToMainWindow(message, x, y);
}

// ---- Browsers ----

void SimulatedDesktop::addBrowser(Window window, std::u16string html) {
  const ports::WindowHandle handle = window.handle;
  addWindow(std::move(window));
  std::erase_if(browsers_, [&](const Browser& b) { return b.window == handle; });
  browsers_.push_back({handle, std::move(html), {}, true});
}

SimulatedDesktop::Browser* SimulatedDesktop::browser(ports::WindowHandle window) {
  auto it = std::find_if(browsers_.begin(), browsers_.end(), [&](const Browser& b) { return b.window == window; });
  return it == browsers_.end() ? nullptr : &*it;
}

void SimulatedDesktop::addFrame(ports::WindowHandle browser, std::u16string html) {
  if (Browser* b = this->browser(browser)) b->frames.push_back(std::move(html));
}

void SimulatedDesktop::setFramesUnreadable(ports::WindowHandle browser) {
  if (Browser* b = this->browser(browser)) b->framesReadable = false;
}

std::optional<std::u16string> SimulatedDesktop::documentHtml(ports::WindowHandle browser, int frame) const {
  for (const Browser& b : browsers_) {
    if (b.window != browser) continue;
    if (frame == kTopDocument) return b.top;
    if (frame >= 0 && frame < static_cast<int>(b.frames.size())) return b.frames[frame];
  }
  return std::nullopt;
}

std::vector<ports::WindowHandle> SimulatedDesktop::browserWindows() {
  std::vector<ports::WindowHandle> out;
  for (const Browser& b : browsers_) out.push_back(b.window);
  return out;
}

std::optional<int> SimulatedDesktop::frameCount(ports::WindowHandle browser) {
  Browser* b = this->browser(browser);
  if (b == nullptr || !b->framesReadable) return std::nullopt;
  return static_cast<int>(b->frames.size());
}

static std::string documentName(int frame) {
  return frame == ports::HtmlDocuments::kTopDocument ? "top" : "frame " + std::to_string(frame);
}

std::optional<std::u16string> SimulatedDesktop::bodyHtml(ports::WindowHandle browser, int frame) {
  auto html = documentHtml(browser, frame);
  if (html) log("browser " + std::to_string(browser) + " read " + documentName(frame));
  return html;
}

bool SimulatedDesktop::setBodyHtml(ports::WindowHandle browser, int frame, std::u16string_view html) {
  Browser* b = this->browser(browser);
  if (b == nullptr) return false;
  std::u16string* target = frame == kTopDocument ? &b->top
                           : (frame >= 0 && frame < static_cast<int>(b->frames.size())) ? &b->frames[frame]
                                                                                        : nullptr;
  if (target == nullptr) return false;
  *target = std::u16string(html);
  log("browser " + std::to_string(browser) + " write " + documentName(frame));
  return true;
}

ports::LocalDateTime SimulatedDesktop::now() {
  using namespace std::chrono;
  const auto start = sys_days{year{clockStart_.year} / clockStart_.month / clockStart_.day} +
                     hours{clockStart_.hour} + minutes{clockStart_.minute} + seconds{clockStart_.second};
  const auto t = start + milliseconds{static_cast<long long>(now_)};
  const auto day = floor<days>(t);
  const year_month_day ymd{day};
  const hh_mm_ss hms{floor<seconds>(t - day)};
  return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
          static_cast<int>(static_cast<unsigned>(ymd.day())), static_cast<int>(hms.hours().count()),
          static_cast<int>(hms.minutes().count()), static_cast<int>(hms.seconds().count())};
}

void SimulatedDesktop::postToMainWindow(uint32_t message, int x, int y) {
  posted_.push_back([this, message, x, y] {
    if (mainWindowInput && !ended_) mainWindowInput(message, x, y);
  });
}

void SimulatedDesktop::pumpMessages() {
  while (!posted_.empty()) {
    auto event = std::move(posted_.front());
    posted_.pop_front();
    event();
  }
}

// ---- Event loop and virtual clock ----

void SimulatedDesktop::doEvents() {
  if (!posted_.empty()) {
    auto pending = std::move(posted_);
    posted_.clear();
    for (auto& event : pending) event();
    return;
  }
  // Nothing waiting: time passes until the timer is due.
  if (timerInterval_ > 0) advance(std::max(0.0, timerDue_ - now_));
}

void SimulatedDesktop::setTimer(int milliseconds, std::function<void()> tick) {
  timerInterval_ = std::max(0, milliseconds);
  timerTick_ = std::move(tick);
  timerDue_ = now_ + timerInterval_;
}

void SimulatedDesktop::runEventsUntil(const std::function<bool()>& done, int milliseconds) {
  const double until = now_ + std::max(0, milliseconds);
  while (!done()) {
    if (!posted_.empty()) {
      doEvents();
      continue;
    }
    // Nothing waiting: time passes to the next thing that happens, the timer or the fetch.
    double next = until;
    if (timerInterval_ > 0) next = std::min(next, timerDue_);
    if (pasteFetchDue_) next = std::min(next, *pasteFetchDue_);
    if (next <= now_ && now_ >= until) break;
    advance(std::max(0.0, next - now_));
    if (pasteFetchDue_ && *pasteFetchDue_ <= now_) {
      pasteFetchDue_.reset();
      pasteFetched_ = true;
      log("paste fetched by " + handleName(pasteTarget_));
    }
    if (now_ >= until) {
      if (!done()) log("paste not fetched in time");
      break;
    }
  }
}

void SimulatedDesktop::advance(double milliseconds) {
  const double until = now_ + milliseconds;
  while (timerInterval_ > 0 && timerDue_ <= until) {
    now_ = timerDue_;
    timerDue_ += timerInterval_;
    if (timerTick_) timerTick_();
  }
  now_ = until;
}

void SimulatedDesktop::endProcess() {
  ended_ = true;
  if (auto it = find(kMainHandle); it != windows_.end()) windows_.erase(it);
  if (trayIcon_) trayIcon_.reset();  // the shell drops the icon of a process that ends
  // The system removes the hook of a process that ends; the library's record goes with its last user.
  hookEnv_.reset();
  hookShared_ = {};
  timerInterval_ = 0;
  log("process ended");
}

}  // namespace formix::platform

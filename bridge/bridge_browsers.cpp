#include "bridge/bridge_browsers.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <thread>

#include "bridge/process_tree.h"
#include "text/compare.h"
#include "text/utf.h"

namespace formix::bridge {

BridgeBrowsers::BridgeBrowsers(BridgeServer& server, ports::WindowSystem& windows)
    : BridgeBrowsers(server, windows, Options{}) {}

BridgeBrowsers::BridgeBrowsers(BridgeServer& server, ports::WindowSystem& windows, Options options)
    : server_(server), windows_(windows), options_(std::move(options)), random_(std::random_device{}()) {
  if (!options_.parentProcess) options_.parentProcess = parentProcess;
}

std::u16string BridgeBrowsers::newMarker() {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string marker = "[formix:";
  const uint64_t bits = random_();
  for (int shift = 60; shift >= 0; shift -= 4) marker += kHex[(bits >> shift) & 15];
  marker += "]";
  return text::widen(marker);
}

namespace {

// Sends one request to each of several browsers at once and waits for all the answers.
std::vector<std::optional<Incoming>> askEach(BridgeServer& server, const std::vector<ConnectionId>& connections,
                                             const std::function<std::string(size_t, uint64_t)>& message,
                                             std::chrono::milliseconds timeout) {
  std::vector<std::optional<Incoming>> answers(connections.size());
  std::vector<std::thread> askers;
  for (size_t k = 0; k < connections.size(); ++k) {
    const uint64_t id = server.nextId();
    askers.emplace_back([&, k, id, text = message(k, id)] { answers[k] = server.request(connections[k], id, text, timeout); });
  }
  for (std::thread& asker : askers) asker.join();
  return answers;
}

}  // namespace

ports::WindowHandle BridgeBrowsers::windowOfProcess(ConnectionId connection, const Focused& focused) {
  const int relay = server_.relayProcess(connection);
  if (relay <= 0) return 0;
  const std::vector<int64_t> ancestors = processAncestors(relay, options_.parentProcess);
  // The visible windows of the nearest ancestor that owns any, front to back.
  size_t nearest = ancestors.size();
  std::vector<ports::WindowHandle> candidates;
  for (ports::WindowHandle h = windows_.firstWindow(windows_.desktopWindow()); h != 0; h = windows_.nextWindow(h)) {
    const int64_t process = windows_.windowProcess(h);
    if (process <= 0) continue;
    const size_t level = static_cast<size_t>(std::find(ancestors.begin(), ancestors.end(), process) - ancestors.begin());
    if (level >= ancestors.size() || level > nearest || windows_.isWindowVisible(h) != 1) continue;
    if (level < nearest) {
      nearest = level;
      candidates.clear();
    }
    candidates.push_back(h);
  }
  // The focused window shows its active tab's title first, and lies where the browser says. The
  // desktop may show a new title a moment late, so bounds alone may decide, but only exactly: a
  // lone other window of the browser is not the focused one (that may be minimised).
  const auto distance = [&](ports::WindowHandle h) -> int64_t {
    const auto at = focused.bounds ? windows_.windowBounds(h) : std::nullopt;
    if (!at) return std::numeric_limits<int64_t>::max();
    const ScreenBounds& b = *focused.bounds;
    return std::abs(at->left - b.left) + std::abs(at->top - b.top) + std::abs(at->left + at->width - b.left - b.width) +
           std::abs(at->top + at->height - b.top - b.height);
  };
  std::vector<ports::WindowHandle> titled = candidates;
  std::erase_if(titled, [&](ports::WindowHandle h) {
    return focused.title.empty() || windows_.windowText(h).rfind(focused.title, 0) != 0;
  });
  if (titled.size() == 1) return titled.front();
  constexpr int64_t kSameBounds = 8;  // pixels, all four edges together
  const std::vector<ports::WindowHandle>& pool = titled.empty() ? candidates : titled;
  ports::WindowHandle best = 0;
  int64_t bestDistance = std::numeric_limits<int64_t>::max();
  bool tie = false;
  for (ports::WindowHandle h : pool) {
    const int64_t d = distance(h);
    if (d < bestDistance) {
      best = h;
      bestDistance = d;
      tie = false;
    } else if (d == bestDistance) {
      tie = true;
    }
  }
  if (titled.empty()) return bestDistance <= kSameBounds && !tie ? best : 0;
  // Windows with the same title: the nearest; on a tie (or without bounds) the front-most.
  return best != 0 && !tie ? best : titled.front();
}

std::vector<ports::WindowHandle> BridgeBrowsers::browserWindows() {
  matches_.clear();
  factsRead_.reset();

  const std::vector<ConnectionId> browsers = server_.browsers();
  if (browsers.empty()) {
    if (!told_ && onNotConnected) onNotConnected();
    told_ = true;
    return {};
  }
  told_ = false;
  // What was learnt about a browser that went away is forgotten with it.
  std::erase_if(known_, [&](const Known& k) { return std::find(browsers.begin(), browsers.end(), k.connection) == browsers.end(); });

  // Each browser's focused window; one whose desktop window is known already needs no marker.
  auto focused = askEach(server_, browsers, [](size_t, uint64_t id) { return encodeFocus(id); }, options_.requestTimeout);
  if (focusedWindow) {
    const FocusedWindow now = focusedWindow();
    if (!now.desktopMatches) {
      matchByFocus(browsers, focused, now);
      return matches_.empty() ? std::vector<ports::WindowHandle>{} : std::vector<ports::WindowHandle>{matches_.front().window};
    }
    // Nor is a browser that says it lacks the focus sent a marker for a window it does not show.
    if (!ownWindow(now.window)) {
      for (auto& answer : focused) {
        const Focused* f = answer ? std::get_if<Focused>(&*answer) : nullptr;
        if (f != nullptr && f->hasFocus == false) answer.reset();
      }
    }
  }
  std::vector<ConnectionId> unknown;
  for (size_t k = 0; k < browsers.size(); ++k) {
    if (!focused[k] || !std::holds_alternative<Focused>(*focused[k])) continue;
    const int64_t window = std::get<Focused>(*focused[k]).window;
    const auto it = std::find_if(known_.begin(), known_.end(),
                                 [&](const Known& w) { return w.connection == browsers[k] && w.browserWindow == window; });
    if (it != known_.end() && windows_.isWindowVisible(it->window) == 1) {
      matches_.push_back({it->window, browsers[k], window});
      continue;
    }
    if (it != known_.end()) known_.erase(it);
    if (const ports::WindowHandle h = windowOfProcess(browsers[k], std::get<Focused>(*focused[k])); h != 0) {
      std::erase_if(known_, [h](const Known& w) { return w.window == h; });
      known_.push_back({browsers[k], window, h});
      matches_.push_back({h, browsers[k], window});
    } else {
      unknown.push_back(browsers[k]);
    }
  }

  if (!unknown.empty()) {
    std::vector<std::u16string> markers;
    for (size_t k = 0; k < unknown.size(); ++k) markers.push_back(newMarker());
    const auto marked = askEach(server_, unknown, [&](size_t k, uint64_t id) { return encodeMark(id, markers[k]); },
                                options_.requestTimeout);
    std::vector<size_t> waiting;
    for (size_t k = 0; k < unknown.size(); ++k) {
      if (marked[k] && std::holds_alternative<Marked>(*marked[k])) waiting.push_back(k);
    }
    // The desktop's windows, front to back, until each marked title has been seen.
    const auto deadline = std::chrono::steady_clock::now() + options_.markerTimeout;
    while (!waiting.empty()) {
      for (ports::WindowHandle h = windows_.firstWindow(windows_.desktopWindow()); h != 0 && !waiting.empty();
           h = windows_.nextWindow(h)) {
        const std::u16string title = windows_.windowText(h);
        for (auto it = waiting.begin(); it != waiting.end(); ++it) {
          if (title.find(markers[*it]) == std::u16string::npos) continue;
          const int64_t window = std::get<Marked>(*marked[*it]).window;
          // One desktop window shows one browser window.
          std::erase_if(known_, [h](const Known& w) { return w.window == h; });
          known_.push_back({unknown[*it], window, h});
          matches_.push_back({h, unknown[*it], window});
          waiting.erase(it);
          break;
        }
      }
      if (waiting.empty() || std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(options_.pollInterval);
    }
    // The markers come off whatever happened; nobody waits for that.
    for (size_t k = 0; k < unknown.size(); ++k) {
      if (marked[k] && std::holds_alternative<Marked>(*marked[k])) server_.send(unknown[k], encodeUnmark(server_.nextId()));
    }
  }

  keepOneMatchPerWindow(browsers, focused);
  std::vector<ports::WindowHandle> windows;
  for (const Match& match : matches_) windows.push_back(match.window);
  return windows;
}

namespace {

const Focused* focusAnswer(const std::vector<ConnectionId>& browsers, const std::vector<std::optional<Incoming>>& focused,
                           ConnectionId connection) {
  for (size_t k = 0; k < browsers.size(); ++k) {
    if (browsers[k] == connection && focused[k]) return std::get_if<Focused>(&*focused[k]);
  }
  return nullptr;
}

}  // namespace

void BridgeBrowsers::matchByFocus(const std::vector<ConnectionId>& browsers,
                                  const std::vector<std::optional<Incoming>>& focused, const FocusedWindow& now) {
  const auto answerOf = [&](size_t k) { return focused[k] ? std::get_if<Focused>(&*focused[k]) : nullptr; };
  if (now.window == 0) return;
  std::vector<size_t> chosen;
  ports::WindowHandle shown = now.window;
  if (!ownWindow(now.window)) {
    for (size_t k = 0; k < browsers.size(); ++k) {
      if (answerOf(k) != nullptr && answerOf(k)->hasFocus.value_or(false)) chosen.push_back(k);
    }
    if (chosen.size() > 1) {
      // One of them is wrong (a browser that missed losing the focus), and nothing tells which.
      if (onTwoFocused) onTwoFocused();
      return;
    }
  } else {
    // Formix's own window took the focus (a click on the bar, the popup menu): the browser window
    // that lost it last, at that moment, is the one the person worked in, if that is the window
    // focused before. A browser's word that it has the focus is stale then.
    int64_t last = 0;
    for (size_t k = 0; k < browsers.size(); ++k) {
      const int64_t lost = answerOf(k) != nullptr ? answerOf(k)->focusLostAt.value_or(0) : 0;
      if (lost > last) chosen = {k};
      else if (lost == last && lost > 0) chosen.push_back(k);
      last = std::max(last, lost);
    }
    constexpr int64_t kSameMoment = 1000;  // milliseconds between the one losing and the other taking it
    if (chosen.size() != 1 || (now.since > 0 && std::abs(now.since - last) > kSameMoment)) return;
    shown = 0;
    for (ports::WindowHandle h = windows_.firstWindow(windows_.desktopWindow()); h != 0 && shown == 0; h = windows_.nextWindow(h)) {
      if (!ownWindow(h)) shown = h;
    }
    // Where the desktop does not tell when its window took the focus, the window before Formix's
    // must show the page the browser says it shows. (Not always: a page without a title of its
    // own is shown under the browser's name in Firefox.)
    const Focused& answer = *answerOf(chosen.front());
    if (shown != 0 && now.since == 0 && !answer.title.empty() && windows_.windowText(shown).rfind(answer.title, 0) != 0) return;
  }
  if (chosen.empty() || shown == 0) return;
  matches_.push_back({shown, browsers[chosen.front()], answerOf(chosen.front())->window});
}

// Formix's own windows are titled "Formix..." (the bar, its popup menu), as the fill's target
// window passes them over.
bool BridgeBrowsers::ownWindow(ports::WindowHandle window) {
  const std::u16string title = windows_.windowText(window);
  return text::equals(std::u16string_view(title).substr(0, 6), u"Formix", text::Compare::Text);
}

// Two connections may lead to one desktop window: two profiles of one browser, each with its own
// extension and relay, share the browser's process and its windows. The one whose window has the
// focus is the one in front; else the one that lost it last; else the first.
void BridgeBrowsers::keepOneMatchPerWindow(const std::vector<ConnectionId>& browsers,
                                           const std::vector<std::optional<Incoming>>& focused) {
  const auto rank = [&](const Match& m) {
    const Focused* answer = focusAnswer(browsers, focused, m.connection);
    if (answer == nullptr) return std::pair<bool, int64_t>{false, 0};
    return std::pair<bool, int64_t>{answer->hasFocus.value_or(false), answer->focusLostAt.value_or(0)};
  };
  std::vector<Match> kept;
  for (const Match& match : matches_) {
    const auto same = std::find_if(kept.begin(), kept.end(), [&](const Match& k) { return k.window == match.window; });
    if (same == kept.end()) kept.push_back(match);
    else if (rank(match) > rank(*same)) *same = match;
  }
  matches_ = std::move(kept);
}

const BridgeBrowsers::Match* BridgeBrowsers::matchOf(ports::WindowHandle window) const {
  for (const Match& match : matches_) {
    if (match.window == window) return &match;
  }
  return nullptr;
}

// Today's browsers are never read or written as HTML.
std::optional<fill::PageFacts> BridgeBrowsers::pageFacts(ports::WindowHandle browser) {
  factsRead_.reset();
  const Match* match = matchOf(browser);
  if (match == nullptr) return std::nullopt;
  const uint64_t id = server_.nextId();
  auto answer = server_.request(match->connection, id, encodeCollect(id, match->browserWindow), options_.requestTimeout);
  if (!answer || !std::holds_alternative<Facts>(*answer)) return std::nullopt;
  Facts& facts = std::get<Facts>(*answer);
  factsRead_ = facts.read;
  factsConnection_ = match->connection;
  return std::move(facts.page);
}

std::optional<int> BridgeBrowsers::applyFills(ports::WindowHandle browser,
                                                      const std::vector<fill::ControlFill>& fills) {
  lastApply_ = {};
  const Match* match = matchOf(browser);
  if (match == nullptr || !factsRead_ || match->connection != factsConnection_) return std::nullopt;
  if (fills.empty()) return 0;
  if (fills.size() > kMaxFillsPerRequest) return std::nullopt;
  const uint64_t read = *factsRead_;
  // The browser fills a read once.
  factsRead_.reset();
  const uint64_t id = server_.nextId();
  lastApply_.sent = static_cast<int>(fills.size());
  const auto answer = server_.request(factsConnection_, id, encodeFill(id, read, fills), options_.requestTimeout);
  if (!answer || !std::holds_alternative<Filled>(*answer)) return std::nullopt;
  lastApply_.applied = std::get<Filled>(*answer).applied;
  lastApply_.skipped = std::get<Filled>(*answer).skipped;
  return lastApply_.applied;
}

// The browser remembers the last fill of each tab; Formix names only the window, whose active tab
// is the page in front.
std::optional<int> BridgeBrowsers::undoLastFill(ports::WindowHandle browser) {
  lastUndo_ = {};
  const Match* match = matchOf(browser);
  if (match == nullptr) return std::nullopt;
  const uint64_t id = server_.nextId();
  const auto answer = server_.request(match->connection, id, encodeUndo(id, match->browserWindow), options_.requestTimeout);
  if (!answer || !std::holds_alternative<Undone>(*answer)) return std::nullopt;
  lastUndo_.applied = std::get<Undone>(*answer).applied;
  lastUndo_.skipped = std::get<Undone>(*answer).skipped;
  return lastUndo_.applied;
}

}  // namespace formix::bridge

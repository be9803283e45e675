#include "bridge/bridge_documents.h"

#include <algorithm>
#include <thread>

#include "bridge/field_edits.h"
#include "text/utf.h"

namespace formix::bridge {

BridgeBrowserDocuments::BridgeBrowserDocuments(BridgeServer& server, platform::WindowSystem& windows)
    : BridgeBrowserDocuments(server, windows, Options{}) {}

BridgeBrowserDocuments::BridgeBrowserDocuments(BridgeServer& server, platform::WindowSystem& windows, Options options)
    : server_(server), windows_(windows), options_(options), random_(std::random_device{}()) {}

std::u16string BridgeBrowserDocuments::newMarker() {
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

std::vector<platform::WindowHandle> BridgeBrowserDocuments::browserWindows() {
  matches_.clear();
  page_.reset();
  readTried_ = false;

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
  const auto focused = askEach(server_, browsers, [](size_t, uint64_t id) { return encodeFocus(id); }, options_.requestTimeout);
  std::vector<ConnectionId> unknown;
  for (size_t k = 0; k < browsers.size(); ++k) {
    if (!focused[k] || !std::holds_alternative<Focused>(*focused[k])) continue;
    const int64_t window = std::get<Focused>(*focused[k]).window;
    const auto it = std::find_if(known_.begin(), known_.end(),
                                 [&](const Known& w) { return w.connection == browsers[k] && w.browserWindow == window; });
    if (it != known_.end() && windows_.isWindowVisible(it->window) == 1) {
      matches_.push_back({it->window, browsers[k], window});
    } else {
      if (it != known_.end()) known_.erase(it);
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
      for (platform::WindowHandle h = windows_.firstWindow(windows_.desktopWindow()); h != 0 && !waiting.empty();
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

  std::vector<platform::WindowHandle> windows;
  for (const Match& match : matches_) windows.push_back(match.window);
  return windows;
}

const BridgeBrowserDocuments::Match* BridgeBrowserDocuments::matchOf(platform::WindowHandle window) const {
  for (const Match& match : matches_) {
    if (match.window == window) return &match;
  }
  return nullptr;
}

const Page* BridgeBrowserDocuments::page(platform::WindowHandle window) {
  const Match* match = matchOf(window);
  if (match == nullptr) return nullptr;
  if (page_ && pageConnection_ == match->connection) return &*page_;
  // A read that failed is not tried again in the same fill: one wait for a dead host is enough.
  if (readTried_) return nullptr;
  readTried_ = true;
  const uint64_t id = server_.nextId();
  auto answer = server_.request(match->connection, id, encodeRead(id, match->browserWindow), options_.requestTimeout);
  if (!answer || !std::holds_alternative<Page>(*answer)) return nullptr;
  page_ = std::move(std::get<Page>(*answer));
  pageConnection_ = match->connection;
  return &*page_;
}

const PageFrame* BridgeBrowserDocuments::frameOf(platform::WindowHandle window, int frame) {
  const Page* read = page(window);
  if (read == nullptr) return nullptr;
  if (frame == kTopDocument) return read->frameAt({});
  if (frame < 0) return nullptr;
  return read->frameAt({frame});
}

std::optional<int> BridgeBrowserDocuments::frameCount(platform::WindowHandle browser) {
  const Page* read = page(browser);
  if (read == nullptr) return std::nullopt;
  return read->frameCount;
}

std::optional<std::u16string> BridgeBrowserDocuments::bodyHtml(platform::WindowHandle browser, int frame) {
  const PageFrame* read = frameOf(browser, frame);
  if (read == nullptr) return std::nullopt;
  return read->html;
}

bool BridgeBrowserDocuments::setBodyHtml(platform::WindowHandle browser, int frame, std::u16string_view html) {
  lastApply_ = {};
  const PageFrame* read = frameOf(browser, frame);
  if (read == nullptr) return false;
  const auto edits = fieldEdits(*read, html);
  if (!edits) return false;
  if (edits->empty()) return true;
  const uint64_t id = server_.nextId();
  const std::string message = encodeApply(id, page_->read, read->frame, *edits);
  lastApply_.sent = static_cast<int>(edits->size());
  const auto answer = server_.request(pageConnection_, id, message, options_.requestTimeout);
  if (!answer || !std::holds_alternative<Applied>(*answer)) return false;
  lastApply_.applied = std::get<Applied>(*answer).applied;
  lastApply_.skipped = std::get<Applied>(*answer).skipped;
  return true;
}

}  // namespace formix::bridge

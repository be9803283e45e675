#include "bridge/bridge_documents.h"

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

  // Every browser marks its focused window at once; their answers come in parallel.
  struct Marking {
    ConnectionId connection;
    uint64_t id;
    std::u16string marker;
    std::optional<Incoming> answer;
  };
  std::vector<Marking> markings;
  std::vector<std::thread> askers;
  markings.reserve(browsers.size());
  for (ConnectionId connection : browsers) markings.push_back({connection, server_.nextId(), newMarker(), {}});
  for (Marking& m : markings) {
    askers.emplace_back([this, &m] {
      m.answer = server_.request(m.connection, m.id, encodeMark(m.id, m.marker), options_.requestTimeout);
    });
  }
  for (std::thread& t : askers) t.join();

  std::vector<Marking*> waiting;
  for (Marking& m : markings) {
    if (m.answer && std::holds_alternative<Marked>(*m.answer)) waiting.push_back(&m);
  }
  // The desktop's windows, front to back, until each marked title has been seen.
  const auto deadline = std::chrono::steady_clock::now() + options_.markerTimeout;
  while (!waiting.empty()) {
    for (platform::WindowHandle h = windows_.firstWindow(windows_.desktopWindow()); h != 0 && !waiting.empty();
         h = windows_.nextWindow(h)) {
      const std::u16string title = windows_.windowText(h);
      for (auto it = waiting.begin(); it != waiting.end(); ++it) {
        if (title.find((*it)->marker) == std::u16string::npos) continue;
        matches_.push_back({h, (*it)->connection, std::get<Marked>(*(*it)->answer).window});
        waiting.erase(it);
        break;
      }
    }
    if (waiting.empty() || std::chrono::steady_clock::now() >= deadline) break;
    std::this_thread::sleep_for(options_.pollInterval);
  }
  // The markers come off whatever happened; nobody waits for that.
  for (Marking& m : markings) {
    if (m.answer && std::holds_alternative<Marked>(*m.answer)) server_.send(m.connection, encodeUnmark(server_.nextId()));
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

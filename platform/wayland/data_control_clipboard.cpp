#include "platform/wayland/data_control_clipboard.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>

#include "wlr-data-control-unstable-v1-client.h"

namespace formix::platform::wayland {
namespace {

// The kinds of text programs ask for on Wayland and through XWayland, UTF-8 in every case.
const std::vector<std::string> kTextTypes{"text/plain;charset=utf-8", "UTF8_STRING", "text/plain", "TEXT", "STRING"};
constexpr std::string_view kMarkerPrefix = "application/x-formix-source-";
// How long a reader that stops reading, or a writer that stops writing, is waited for.
constexpr int kPipeMilliseconds = 2000;
// How long a program is given to insert text it has read before the next key is sent.
constexpr int kInsertMilliseconds = 40;

void onOffer(void* data, zwlr_data_control_offer_v1* offer, const char* type) {
  static_cast<DataControlClipboard*>(data)->typeOffered(offer, type);
}
const zwlr_data_control_offer_v1_listener kOfferListener{&onOffer};

void onDataOffer(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
  static_cast<DataControlClipboard*>(data)->offerMade(offer);
}
void onSelection(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
  static_cast<DataControlClipboard*>(data)->selectionChanged(offer, false);
}
void onFinished(void* data, zwlr_data_control_device_v1*) { static_cast<DataControlClipboard*>(data)->deviceFinished(); }
void onPrimarySelection(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
  static_cast<DataControlClipboard*>(data)->selectionChanged(offer, true);
}
const zwlr_data_control_device_v1_listener kDeviceListener{&onDataOffer, &onSelection, &onFinished, &onPrimarySelection};

void onSend(void* data, zwlr_data_control_source_v1*, const char* type, int32_t fd) {
  auto& source = *static_cast<DataControlClipboard::Source*>(data);
  source.owner->sendRequested(source, type, fd);
}
void onCancelled(void* data, zwlr_data_control_source_v1*) {
  auto& source = *static_cast<DataControlClipboard::Source*>(data);
  source.owner->sourceCancelled(source);
}
const zwlr_data_control_source_v1_listener kSourceListener{&onSend, &onCancelled};

// Writes all of `bytes` to a pipe whose reader may be gone: that ends the write, not the
// process (SIGPIPE is held back for this thread and taken back if it came).
void writeAll(int fd, const std::string& bytes) {
  sigset_t pipeSignal, before;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &before);
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
    } else if (n < 0 && errno == EAGAIN) {
      pollfd ready{fd, POLLOUT, 0};
      if (poll(&ready, 1, kPipeMilliseconds) <= 0) break;
    } else if (!(n < 0 && errno == EINTR)) {
      break;
    }
  }
  const timespec now{0, 0};
  while (sigtimedwait(&pipeSignal, nullptr, &now) > 0) {
  }
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

// Waits until the reader has taken every byte written to the pipe (or stopped reading).
void waitUntilRead(int fd) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPipeMilliseconds);
  int unread = 0;
  while (ioctl(fd, FIONREAD, &unread) == 0 && unread > 0 && std::chrono::steady_clock::now() < until) {
    pollfd gone{fd, 0, 0};  // the reader's end closed: POLLERR
    if (poll(&gone, 1, 5) > 0) return;
  }
}

// Everything until the writer closes its end; nullopt when it stops sending without closing.
std::optional<std::string> readAll(int fd) {
  std::string bytes;
  char buffer[4096];
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPipeMilliseconds);
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now()).count();
    pollfd ready{fd, POLLIN, 0};
    if (left <= 0 || poll(&ready, 1, static_cast<int>(left)) <= 0) return std::nullopt;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) return bytes;
    if (n < 0 && errno != EINTR && errno != EAGAIN) return std::nullopt;
    if (n > 0) bytes.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace

std::string textTypeOf(const std::vector<std::string>& offered) {
  for (const std::string& type : kTextTypes) {
    if (std::find(offered.begin(), offered.end(), type) != offered.end()) return type;
  }
  return {};
}

DataControlClipboard::DataControlClipboard(WaylandSession& session) : session_(session) {
  if (session_.dataControl() == nullptr || session_.seat() == nullptr) return;
  device_ = zwlr_data_control_manager_v1_get_data_device(session_.dataControl(), session_.seat());
  zwlr_data_control_device_v1_add_listener(device_, &kDeviceListener, this);
  session_.roundtrip();  // the current selection
}

DataControlClipboard::~DataControlClipboard() {
  for (Source* source : sources_) {
    if (!source->cancelled) zwlr_data_control_source_v1_destroy(source->source);
    delete source;
  }
  for (Offer& offer : offers_) zwlr_data_control_offer_v1_destroy(offer.offer);
  if (device_ != nullptr) zwlr_data_control_device_v1_destroy(device_);
  session_.flush();
}

DataControlClipboard::Source* DataControlClipboard::makeSource(const std::string& utf8) {
  auto* source = new Source{this, zwlr_data_control_manager_v1_create_data_source(session_.dataControl()), utf8,
                            std::string(kMarkerPrefix) + std::to_string(getpid()) + "-" + std::to_string(++serial_)};
  zwlr_data_control_source_v1_add_listener(source->source, &kSourceListener, source);
  for (const std::string& type : kTextTypes) zwlr_data_control_source_v1_offer(source->source, type.c_str());
  zwlr_data_control_source_v1_offer(source->source, source->marker.c_str());
  sources_.push_back(source);
  return source;
}

bool DataControlClipboard::offer(const std::string& utf8, bool primary) {
  if (device_ == nullptr || (primary && session_.dataControlVersion() < 2)) return false;
  Source* source = makeSource(utf8);
  const std::string marker = source->marker;
  if (primary) {
    zwlr_data_control_device_v1_set_primary_selection(device_, source->source);
  } else {
    zwlr_data_control_device_v1_set_selection(device_, source->source);
  }
  if (!session_.roundtrip()) return false;
  dropCancelledSources();
  // Ours when the compositor announces an offer that carries this source's own mark.
  const Offer* now = findOffer(primary ? primarySelection_ : selection_);
  return now != nullptr && std::find(now->types.begin(), now->types.end(), marker) != now->types.end();
}

bool DataControlClipboard::clear() {
  if (device_ == nullptr) return false;
  zwlr_data_control_device_v1_set_selection(device_, nullptr);
  if (!session_.roundtrip()) return false;
  dropCancelledSources();
  return selection_ == nullptr;
}

std::optional<std::string> DataControlClipboard::text() {
  if (device_ == nullptr) return std::nullopt;
  const Offer* now = findOffer(selection_);
  if (now == nullptr) return std::nullopt;
  // The program's own text is not asked of itself: it would have to answer while it waits.
  for (const Source* source : sources_) {
    if (!source->cancelled && std::find(now->types.begin(), now->types.end(), source->marker) != now->types.end()) {
      return source->text;
    }
  }
  const std::string type = textTypeOf(now->types);
  if (type.empty()) return std::nullopt;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return std::nullopt;
  zwlr_data_control_offer_v1_receive(now->offer, type.c_str(), ends[1]);
  close(ends[1]);
  session_.flush();
  auto bytes = readAll(ends[0]);
  close(ends[0]);
  return bytes;
}

void DataControlClipboard::offerMade(zwlr_data_control_offer_v1* offer) {
  offers_.push_back(Offer{offer, {}});
  zwlr_data_control_offer_v1_add_listener(offer, &kOfferListener, this);
}

void DataControlClipboard::typeOffered(zwlr_data_control_offer_v1* offer, const char* type) {
  if (Offer* known = findOffer(offer)) known->types.emplace_back(type);
}

void DataControlClipboard::selectionChanged(zwlr_data_control_offer_v1* offer, bool primary) {
  zwlr_data_control_offer_v1*& slot = primary ? primarySelection_ : selection_;
  zwlr_data_control_offer_v1* before = slot;
  slot = offer;
  if (before != nullptr && before != selection_ && before != primarySelection_) dropOffer(before);
}

void DataControlClipboard::sendRequested(Source& source, const char* type, int fd) {
  writeAll(fd, source.text);
  // A program reads the text as it handles other events; the keys sent after the paste travel
  // apart from it, on the compositor's connection. They wait until the program has read every
  // byte, and then a little longer, for the program to insert what it read.
  waitUntilRead(fd);
  close(fd);
  if (source.marker != type) {
    fetched_ = true;
    fetchedAt_ = std::chrono::steady_clock::now();
  }
}

bool DataControlClipboard::fetched() const {
  return fetched_ && std::chrono::steady_clock::now() - fetchedAt_ >= std::chrono::milliseconds(kInsertMilliseconds);
}

void DataControlClipboard::sourceCancelled(Source& source) {
  // Another program took the selection: this source serves no more requests.
  if (source.cancelled) return;
  source.cancelled = true;
  zwlr_data_control_source_v1_destroy(source.source);
}

void DataControlClipboard::deviceFinished() {
  // The seat is gone: the device can do nothing more.
  for (Offer& offer : offers_) zwlr_data_control_offer_v1_destroy(offer.offer);
  offers_.clear();
  selection_ = primarySelection_ = nullptr;
  zwlr_data_control_device_v1_destroy(device_);
  device_ = nullptr;
}

DataControlClipboard::Offer* DataControlClipboard::findOffer(zwlr_data_control_offer_v1* offer) {
  if (offer == nullptr) return nullptr;
  auto it = std::find_if(offers_.begin(), offers_.end(), [&](const Offer& o) { return o.offer == offer; });
  return it != offers_.end() ? &*it : nullptr;
}

void DataControlClipboard::dropOffer(zwlr_data_control_offer_v1* offer) {
  auto it = std::find_if(offers_.begin(), offers_.end(), [&](const Offer& o) { return o.offer == offer; });
  if (it == offers_.end()) return;
  zwlr_data_control_offer_v1_destroy(it->offer);
  offers_.erase(it);
}

void DataControlClipboard::dropCancelledSources() {
  std::erase_if(sources_, [](Source* source) {
    if (!source->cancelled) return false;
    delete source;
    return true;
  });
}

}  // namespace formix::platform::wayland

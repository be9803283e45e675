// The clipboard through the compositor's data control (zwlr_data_control_manager_v1), which
// works without a focused window of the program's own. Setting the text is checked: it counts
// only once the compositor announces the program's own offer as the selection. Requests for the
// text are answered as they come, from dispatch(), and the program that got the paste key is
// known to have the text once a request of it has been answered.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/wayland/wayland_session.h"

struct zwlr_data_control_device_v1;
struct zwlr_data_control_source_v1;
struct zwlr_data_control_offer_v1;

namespace formix::platform::wayland {

// The kinds of text an offer holds that the program reads, best first; empty for none.
std::string textTypeOf(const std::vector<std::string>& offered);

class DataControlClipboard {
 public:
  explicit DataControlClipboard(WaylandSession& session);
  ~DataControlClipboard();
  DataControlClipboard(const DataControlClipboard&) = delete;
  DataControlClipboard& operator=(const DataControlClipboard&) = delete;

  bool available() const { return device_ != nullptr; }
  // Offers `utf8` as the clipboard. True once the compositor shows it as the clipboard's content.
  bool setText(const std::string& utf8) { return offer(utf8, false); }
  // The same for the primary selection (what Shift+Insert pastes in some programs); false
  // where the compositor has none.
  bool setPrimaryText(const std::string& utf8) { return offer(utf8, true); }
  // Empties the clipboard.
  bool clear();
  // The clipboard's text, or nullopt when it holds none or it cannot be read.
  std::optional<std::string> text();
  // From now on fetched() tells whether a program has been handed the text.
  void watchFetch() { fetched_ = false; }
  bool fetched() const;

  // Called by the protocol's listeners.
  struct Offer {
    zwlr_data_control_offer_v1* offer = nullptr;
    std::vector<std::string> types;
  };
  struct Source {
    DataControlClipboard* owner = nullptr;
    zwlr_data_control_source_v1* source = nullptr;
    std::string text;
    std::string marker;  // a type no other program offers: this source's own
    bool cancelled = false;
  };
  void offerMade(zwlr_data_control_offer_v1* offer);
  void typeOffered(zwlr_data_control_offer_v1* offer, const char* type);
  void selectionChanged(zwlr_data_control_offer_v1* offer, bool primary);
  void sendRequested(Source& source, const char* type, int fd);
  void sourceCancelled(Source& source);
  void deviceFinished();

 private:
  bool offer(const std::string& utf8, bool primary);
  Source* makeSource(const std::string& utf8);
  void dropOffer(zwlr_data_control_offer_v1* offer);
  Offer* findOffer(zwlr_data_control_offer_v1* offer);
  void dropCancelledSources();

  WaylandSession& session_;
  zwlr_data_control_device_v1* device_ = nullptr;
  std::vector<Offer> offers_;  // announced, and not yet let go
  zwlr_data_control_offer_v1* selection_ = nullptr;
  zwlr_data_control_offer_v1* primarySelection_ = nullptr;
  std::vector<Source*> sources_;  // live sources: the clipboard's and the primary selection's
  uint32_t serial_ = 0;
  bool fetched_ = true;
  std::chrono::steady_clock::time_point fetchedAt_;
};

}  // namespace formix::platform::wayland

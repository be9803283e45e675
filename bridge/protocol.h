// The messages between Formix and its browser extension, and how they travel.
//
// Every message is one JSON object in UTF-8, preceded by its length in bytes as a 32-bit
// unsigned integer in the machine's byte order: the browser's native-messaging framing, used
// unchanged on Formix's socket, so the relay only checks lengths and passes frames on.
// Formix sends requests that carry an "id"; the extension answers each with a message of the same
// id. README.md in this folder describes every message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fill/page_facts.h"

namespace formix::bridge {

inline constexpr int kProtocolVersion = 2;
// A browser takes at most 1 MB in one message from a host.
inline constexpr size_t kMaxToBrowser = 1024 * 1024;
// What the browser sends: generous for the facts of any real page, small enough to refuse abuse.
inline constexpr size_t kMaxFromBrowser = 32 * 1024 * 1024;
// Frames of one page that a read may report.
inline constexpr size_t kMaxFramesPerPage = 256;

// The facts of a page: every text is at most this many UTF-16 units (the extension cuts longer
// ones), a frame holds at most so many controls, a list so many options.
inline constexpr size_t kMaxFactText = 200;
inline constexpr size_t kMaxControlsPerFrame = 5000;
inline constexpr size_t kMaxOptionsPerList = 2000;
// Headings over one control (the extension keeps the innermost ones).
inline constexpr size_t kMaxSections = 8;
// Changes one fill request may carry.
inline constexpr size_t kMaxFillsPerRequest = 5000;

// The name under which the browsers know the relay, and the extension's identities.
inline constexpr std::string_view kHostName = "formix.bridge";
inline constexpr std::string_view kChromiumExtensionId = "kpcajhppambjomnbnjdmeahmglfjkmnf";
inline constexpr std::string_view kFirefoxExtensionId = "bridge@formix";

// ---- Framing ----

// The 4-byte length and the message.
std::string frameMessage(std::string_view json);

// Cuts a byte stream into messages. A length above `limit` is a broken stream: nothing more is
// read from it.
class FrameReader {
 public:
  explicit FrameReader(size_t limit) : limit_(limit) {}
  void feed(std::string_view bytes) { buffer_.append(bytes); }
  // The next whole message, or nullopt when it has not arrived (or the stream is broken).
  std::optional<std::string> next();
  bool broken() const { return broken_; }
  // Bytes of an unfinished message waiting for the rest.
  size_t pending() const { return buffer_.size() - consumed_; }

 private:
  std::string buffer_;
  size_t consumed_ = 0;
  size_t limit_;
  bool broken_ = false;
};

// ---- What the extension sends ----

// Sent once when the extension connects.
struct Hello {
  int version = 0;
  std::string browser;    // "chromium" or "firefox"
  std::string extension;  // the extension's own version
};

// Where a browser window lies on the screen, in the browser's pixels.
struct ScreenBounds {
  int64_t left = 0, top = 0, width = 0, height = 0;
};

// The browser's focused window (answers "focus").
struct Focused {
  uint64_t id = 0;
  int64_t window = 0;  // the browser's own id of that window
  // What tells that window from the browser's other windows on the desktop: the title of its
  // active tab (the window's title starts with it) and its bounds. Empty / nullopt when the
  // extension did not say.
  std::u16string title;
  std::optional<ScreenBounds> bounds;
  // Whether that window has the keyboard focus now, and when it last lost it (the browser's
  // clock: milliseconds since 1970). nullopt when the extension did not say (an older one) or
  // said it in a form Formix cannot read.
  std::optional<bool> hasFocus;
  std::optional<int64_t> focusLostAt;
};

// The browser's focused window now shows the marker in its title (Firefox's title preface).
struct Marked {
  uint64_t id = 0;
  int64_t window = 0;  // the browser's own id of that window
};

struct Unmarked {
  uint64_t id = 0;
};

// The facts of the page in a window's active tab (answers "collect").
struct Facts {
  uint64_t id = 0;
  uint64_t read = 0;  // names this read when filling it
  fill::PageFacts page;
};

// What a fill request did (answers "fill").
struct Filled {
  uint64_t id = 0;
  int applied = 0;
  int skipped = 0;
};

// What an undo did (answers "undo"): boxes put back as they were before the last fill, and boxes
// left alone because they are gone or were edited since.
struct Undone {
  uint64_t id = 0;
  int applied = 0;
  int skipped = 0;
};

// A request that could not be carried out (id 0: no request, a message that could not be read).
struct ErrorReply {
  uint64_t id = 0;
  std::string error;  // a code from README.md
  std::string message;
};

using Incoming = std::variant<Hello, Focused, Marked, Unmarked, Facts, Filled, Undone, ErrorReply>;

// The id a message answers (0 for Hello).
uint64_t replyId(const Incoming& message);

// Decodes one message from the extension. Anything malformed, of an unknown type, or out of
// bounds gives nullopt and, in `why`, a short reason. Never throws.
std::optional<Incoming> decodeIncoming(std::string_view json, std::string* why = nullptr);

// A page's facts as saved in a file (formix-tool capture writes one): a "facts" answer as the
// extension sends it, or just an object with its "origin" and "frames". The same checks as for
// the answer; nullopt and a reason when they fail. Never throws.
std::optional<fill::PageFacts> decodePageFacts(std::string_view json, std::string* why = nullptr);
// The "facts" answer for a page, as the extension would send it (formix-tool capture).
std::string encodeFactsAnswer(uint64_t id, uint64_t read, const fill::PageFacts& page);

// ---- What Formix sends ----

std::string encodeWelcome();
std::string encodeFocus(uint64_t id);
std::string encodeMark(uint64_t id, std::u16string_view marker);
std::string encodeUnmark(uint64_t id);
std::string encodeError(uint64_t id, std::string_view error, std::string_view message);
// The facts of the page in the active tab of `window`.
std::string encodeCollect(uint64_t id, int64_t window);
// Changes to controls of the page read as `read`, each naming its frame and control.
std::string encodeFill(uint64_t id, uint64_t read, const std::vector<fill::ControlFill>& fills);
// Puts back what the last fill of the active tab of `window` changed.
std::string encodeUndo(uint64_t id, int64_t window);

}  // namespace formix::bridge

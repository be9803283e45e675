#include "bridge/protocol.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include <nlohmann/json.hpp>

#include "text/utf.h"

namespace formix::bridge {
namespace {

using nlohmann::json;

// Reading a message goes through these checks; the first failure is the reason given.
struct Bad {
  std::string why;
};

const json& member(const json& object, const char* name) {
  const auto it = object.find(name);
  if (it == object.end()) throw Bad{std::string("missing \"") + name + "\""};
  return *it;
}

uint64_t requestId(const json& object) {
  const json& id = member(object, "id");
  if (!id.is_number_unsigned() || id.get<uint64_t>() == 0) throw Bad{"\"id\" must be a positive integer"};
  return id.get<uint64_t>();
}

int64_t integer(const json& value, const char* name, int64_t low, int64_t high) {
  if (!value.is_number_integer()) throw Bad{std::string("\"") + name + "\" must be an integer"};
  const int64_t v = value.is_number_unsigned() && value.get<uint64_t>() > static_cast<uint64_t>(high)
                        ? high + 1
                        : value.get<int64_t>();
  if (v < low || v > high) throw Bad{std::string("\"") + name + "\" is out of range"};
  return v;
}

std::string string(const json& value, const char* name) {
  if (!value.is_string()) throw Bad{std::string("\"") + name + "\" must be a string"};
  return value.get<std::string>();
}

// A text fact: absent is empty; longer than `limit` UTF-16 units is refused.
std::u16string factText(const json& object, const char* name, size_t limit = kMaxFactText) {
  const auto it = object.find(name);
  if (it == object.end()) return {};
  const auto text = text::fromUtf8(string(*it, name));
  if (!text) throw Bad{std::string("\"") + name + "\" is not valid text"};
  if (text->size() > limit) throw Bad{std::string("\"") + name + "\" is too long"};
  return *text;
}

bool flag(const json& value, const char* name) {
  if (!value.is_boolean()) throw Bad{std::string("\"") + name + "\" must be true or false"};
  return value.get<bool>();
}

// A flag that may be left out.
bool optionalFlag(const json& object, const char* name, bool absent) {
  const auto it = object.find(name);
  return it == object.end() ? absent : flag(*it, name);
}

int optionalInteger(const json& object, const char* name, int absent, int64_t low, int64_t high) {
  const auto it = object.find(name);
  return it == object.end() ? absent : static_cast<int>(integer(*it, name, low, high));
}

fill::OptionFacts optionFacts(const json& value) {
  if (!value.is_object()) throw Bad{"an option must be an object"};
  fill::OptionFacts option;
  option.text = factText(value, "text");
  option.value = factText(value, "value");
  option.selected = optionalFlag(value, "selected", false);
  return option;
}

fill::ControlFacts controlFacts(const json& value) {
  if (!value.is_object()) throw Bad{"a control must be an object"};
  fill::ControlFacts c;
  c.control = static_cast<int>(integer(member(value, "control"), "control", 0, 1000000));
  c.tag = factText(value, "tag");
  if (c.tag != u"input" && c.tag != u"select" && c.tag != u"textarea") throw Bad{"\"tag\" names no form control"};
  c.type = factText(value, "type");
  c.name = factText(value, "name");
  c.id = factText(value, "id");
  c.autocomplete = factText(value, "autocomplete");
  c.inputMode = factText(value, "inputMode");
  c.maxLength = optionalInteger(value, "maxLength", -1, -1, 1000000000);
  c.size = optionalInteger(value, "size", -1, -1, 1000000000);
  c.pattern = factText(value, "pattern");
  c.placeholder = factText(value, "placeholder");
  c.title = factText(value, "title");
  c.ariaLabel = factText(value, "ariaLabel");
  c.label = factText(value, "label");
  c.before = factText(value, "before");
  c.after = factText(value, "after");
  c.rowHeader = factText(value, "rowHeader");
  c.columnHeader = factText(value, "columnHeader");
  c.legend = factText(value, "legend");
  c.block = factText(value, "block");
  c.below = factText(value, "below");
  c.beside = factText(value, "beside");
  c.value = factText(value, "value");
  // Facts saved before boxes told only their text's length carry the text itself.
  c.valueLength = optionalInteger(value, "valueLength", static_cast<int>(c.value.size()), 0, 1000000000);
  c.checked = optionalFlag(value, "checked", false);
  c.userEdited = optionalFlag(value, "userEdited", false);
  // What keeps a control from being filled is never assumed: the browser must say it.
  c.visible = flag(member(value, "visible"), "visible");
  c.enabled = flag(member(value, "enabled"), "enabled");
  c.editable = flag(member(value, "editable"), "editable");
  c.focused = optionalFlag(value, "focused", false);
  c.form = optionalInteger(value, "form", -1, -1, 100000);
  if (const auto it = value.find("sections"); it != value.end()) {
    if (!it->is_array() || it->size() > kMaxSections) throw Bad{"\"sections\" must be an array of headings"};
    for (const json& heading : *it) {
      const auto words = text::fromUtf8(string(heading, "sections"));
      if (!words || words->size() > kMaxFactText) throw Bad{"\"sections\" holds a heading that is not valid text"};
      c.sections.push_back(*words);
    }
  }
  c.ariaHidden = optionalFlag(value, "ariaHidden", false);
  c.tabIndex = optionalInteger(value, "tabIndex", 0, -1, 32767);
  if (const auto it = value.find("options"); it != value.end()) {
    if (!it->is_array() || it->size() > kMaxOptionsPerList) throw Bad{"\"options\" must be an array of options"};
    c.options.reserve(it->size());
    for (const json& option : *it) c.options.push_back(optionFacts(option));
  }
  return c;
}

fill::FrameFacts frameFacts(const json& value) {
  if (!value.is_object()) throw Bad{"a frame must be an object"};
  fill::FrameFacts frame;
  frame.frame = integer(member(value, "frame"), "frame", 0, std::numeric_limits<int64_t>::max());
  frame.origin = factText(value, "origin", 1024);
  frame.sharedAutofill = optionalFlag(value, "sharedAutofill", false);
  frame.visible = flag(member(value, "visible"), "visible");
  frame.dropped = factText(value, "dropped");
  const json& controls = member(value, "controls");
  if (!controls.is_array()) throw Bad{"\"controls\" must be an array of controls"};
  // A flood of controls (an advertisement's frame) costs that frame, not the page.
  if (controls.size() > kMaxControlsPerFrame) {
    frame.dropped = text::widen(std::to_string(controls.size()) + " controls, more than " + std::to_string(kMaxControlsPerFrame));
    return frame;
  }
  frame.controls.reserve(controls.size());
  for (const json& control : controls) {
    frame.controls.push_back(controlFacts(control));
    // Fills name a control by its number: each is given once, in order.
    if (frame.controls.size() > 1 && frame.controls.back().control <= frame.controls[frame.controls.size() - 2].control) {
      throw Bad{"control numbers must ascend"};
    }
  }
  return frame;
}

fill::PageFacts pageFacts(const json& message) {
  if (!message.is_object()) throw Bad{"facts must be an object"};
  fill::PageFacts page;
  page.origin = factText(message, "origin", 1024);
  if (message.find("origin") == message.end()) throw Bad{"missing \"origin\""};
  const json& frames = member(message, "frames");
  if (!frames.is_array()) throw Bad{"\"frames\" must be an array of frames"};
  page.framesDropped = optionalInteger(message, "framesDropped", 0, 0, 1000000);
  for (const json& frame : frames) {
    // A flood of frames loses the last ones, never the page.
    if (page.frames.size() == kMaxFramesPerPage) {
      page.framesDropped += static_cast<int>(std::min<size_t>(frames.size() - kMaxFramesPerPage, 1000000));
      break;
    }
    page.frames.push_back(frameFacts(frame));
    for (size_t k = 0; k + 1 < page.frames.size(); ++k) {
      if (page.frames[k].frame == page.frames.back().frame) throw Bad{"two frames with the same id"};
    }
  }
  return page;
}

Incoming decode(const json& message) {
  if (!message.is_object()) throw Bad{"a message must be an object"};
  const std::string type = string(member(message, "type"), "type");
  if (type == "hello") {
    Hello hello;
    hello.version = static_cast<int>(integer(member(message, "version"), "version", 0, 1000000));
    hello.browser = string(member(message, "browser"), "browser");
    hello.extension = string(member(message, "extension"), "extension");
    return hello;
  }
  if (type == "focused") {
    Focused focused{requestId(message),
                    integer(member(message, "window"), "window", 0, std::numeric_limits<int64_t>::max()), {}, {}, {}, {}};
    focused.title = factText(message, "title", 1024);
    if (const auto it = message.find("bounds"); it != message.end()) {
      if (!it->is_object()) throw Bad{"\"bounds\" must be an object"};
      constexpr int64_t kFar = 1 << 24;
      focused.bounds = ScreenBounds{integer(member(*it, "left"), "left", -kFar, kFar), integer(member(*it, "top"), "top", -kFar, kFar),
                                    integer(member(*it, "width"), "width", 0, kFar), integer(member(*it, "height"), "height", 0, kFar)};
    }
    // Added after the first extensions: read where they are right, and otherwise left unsaid, so
    // that an older or a confused extension is still a browser, one that tells nothing of its focus.
    if (const auto it = message.find("hasFocus"); it != message.end() && it->is_boolean()) focused.hasFocus = it->get<bool>();
    if (const auto it = message.find("focusLostAt"); it != message.end() && it->is_number_integer()) {
      if (!it->is_number_unsigned() || it->get<uint64_t>() <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        if (const int64_t at = it->get<int64_t>(); at > 0) focused.focusLostAt = at;
      }
    }
    return focused;
  }
  if (type == "marked") {
    return Marked{requestId(message),
                  integer(member(message, "window"), "window", 0, std::numeric_limits<int64_t>::max())};
  }
  if (type == "unmarked") return Unmarked{requestId(message)};
  if (type == "facts") {
    Facts facts;
    facts.id = requestId(message);
    const json& read = member(message, "read");
    if (!read.is_number_unsigned()) throw Bad{"\"read\" must be an unsigned integer"};
    facts.read = read.get<uint64_t>();
    facts.page = pageFacts(message);
    return facts;
  }
  if (type == "filled" || type == "undone") {
    const uint64_t id = requestId(message);
    const int applied = static_cast<int>(integer(member(message, "applied"), "applied", 0, 1000000));
    const int skipped = static_cast<int>(integer(member(message, "skipped"), "skipped", 0, 1000000));
    if (type == "undone") return Undone{id, applied, skipped};
    return Filled{id, applied, skipped};
  }
  if (type == "error") {
    ErrorReply error;
    const json& id = member(message, "id");
    if (!id.is_number_unsigned()) throw Bad{"\"id\" must be an unsigned integer"};
    error.id = id.get<uint64_t>();
    error.error = string(member(message, "error"), "error");
    if (const auto it = message.find("message"); it != message.end()) error.message = string(*it, "message");
    return error;
  }
  throw Bad{"unknown message type \"" + type + "\""};
}

std::string dump(const json& message) { return message.dump(-1, ' ', false, json::error_handler_t::replace); }

// Nesting is bounded by what the messages hold; a deeper document is refused before it is built.
json parseBounded(std::string_view text) {
  int depth = 0;
  return json::parse(text, [&depth](int, json::parse_event_t event, json&) {
    if (event == json::parse_event_t::object_start || event == json::parse_event_t::array_start) ++depth;
    if (event == json::parse_event_t::object_end || event == json::parse_event_t::array_end) --depth;
    if (depth > 8) throw Bad{"nested too deeply"};
    return true;
  });
}

}  // namespace


std::string frameMessage(std::string_view json) {
  const auto length = static_cast<uint32_t>(json.size());
  std::string framed(sizeof length, '\0');
  std::memcpy(framed.data(), &length, sizeof length);
  framed.append(json);
  return framed;
}

std::optional<std::string> FrameReader::next() {
  if (broken_) return std::nullopt;
  const size_t available = buffer_.size() - consumed_;
  if (available < 4) return std::nullopt;
  uint32_t length = 0;
  std::memcpy(&length, buffer_.data() + consumed_, sizeof length);
  if (length > limit_) {
    broken_ = true;
    buffer_.clear();
    consumed_ = 0;
    return std::nullopt;
  }
  if (available - 4 < length) return std::nullopt;
  std::string message = buffer_.substr(consumed_ + 4, length);
  consumed_ += 4 + length;
  // Drop what was read once it is most of the buffer, so a long stream does not grow it.
  if (consumed_ * 2 >= buffer_.size()) {
    buffer_.erase(0, consumed_);
    consumed_ = 0;
  }
  return message;
}

uint64_t replyId(const Incoming& message) {
  return std::visit(
      [](const auto& m) -> uint64_t {
        if constexpr (std::is_same_v<std::decay_t<decltype(m)>, Hello>) {
          return 0;
        } else {
          return m.id;
        }
      },
      message);
}


namespace {

// Reads a message with `read`; nullopt and the reason instead of any failure.
template <typename T, typename Read>
std::optional<T> decodeWith(std::string_view text, std::string* why, Read read) {
  try {
    return read(parseBounded(text));
  } catch (const Bad& bad) {
    if (why) *why = bad.why;
  } catch (const json::exception& error) {
    if (why) *why = std::string("not JSON: ") + error.what();
  } catch (const std::bad_alloc&) {
    if (why) *why = "too large";
  }
  return std::nullopt;
}

}  // namespace

std::optional<fill::PageFacts> decodePageFacts(std::string_view text, std::string* why) {
  return decodeWith<fill::PageFacts>(text, why, [](const json& message) { return pageFacts(message); });
}

std::optional<Incoming> decodeIncoming(std::string_view text, std::string* why) {
  return decodeWith<Incoming>(text, why, [](const json& message) { return decode(message); });
}

std::string encodeWelcome() { return dump({{"type", "welcome"}, {"version", kProtocolVersion}}); }

std::string encodeFocus(uint64_t id) { return dump({{"type", "focus"}, {"id", id}}); }

std::string encodeMark(uint64_t id, std::u16string_view marker) {
  return dump({{"type", "mark"}, {"id", id}, {"marker", text::toUtf8(marker)}});
}

std::string encodeUnmark(uint64_t id) { return dump({{"type", "unmark"}, {"id", id}}); }

std::string encodeError(uint64_t id, std::string_view error, std::string_view message) {
  return dump({{"type", "error"}, {"id", id}, {"error", error}, {"message", message}});
}

std::string encodeCollect(uint64_t id, int64_t window) { return dump({{"type", "collect"}, {"id", id}, {"window", window}}); }

std::string encodeFill(uint64_t id, uint64_t read, const std::vector<fill::ControlFill>& fills) {
  json list = json::array();
  for (const fill::ControlFill& f : fills) {
    json e = {{"frame", f.frame}, {"control", f.control}};
    switch (f.kind) {
      case fill::ControlFill::Kind::Value: {
        e["value"] = text::toUtf8(f.value);
        if (!f.alternatives.empty()) {
          json forms = json::array();
          for (const std::u16string& a : f.alternatives) forms.push_back(text::toUtf8(a));
          e["alternatives"] = std::move(forms);
        }
        break;
      }
      case fill::ControlFill::Kind::Checked: e["checked"] = true; break;
      case fill::ControlFill::Kind::Option: e["option"] = f.option; break;
    }
    list.push_back(std::move(e));
  }
  return dump({{"type", "fill"}, {"id", id}, {"read", read}, {"fills", std::move(list)}});
}

std::string encodeUndo(uint64_t id, int64_t window) { return dump({{"type", "undo"}, {"id", id}, {"window", window}}); }

std::string encodeFactsAnswer(uint64_t id, uint64_t read, const fill::PageFacts& page) {
  // Fields in the order of the facts, for people who read a captured file.
  using ordered = nlohmann::ordered_json;
  const auto u8 = [](const std::u16string& s) { return text::toUtf8(s); };
  ordered frames = ordered::array();
  for (const fill::FrameFacts& frame : page.frames) {
    ordered controls = ordered::array();
    for (const fill::ControlFacts& c : frame.controls) {
      ordered control = {{"control", c.control}, {"tag", u8(c.tag)}, {"type", u8(c.type)}, {"name", u8(c.name)},
                      {"id", u8(c.id)}, {"autocomplete", u8(c.autocomplete)}, {"inputMode", u8(c.inputMode)},
                      {"maxLength", c.maxLength}, {"size", c.size}, {"pattern", u8(c.pattern)},
                      {"placeholder", u8(c.placeholder)}, {"title", u8(c.title)}, {"ariaLabel", u8(c.ariaLabel)},
                      {"label", u8(c.label)}, {"before", u8(c.before)}, {"after", u8(c.after)},
                      {"rowHeader", u8(c.rowHeader)}, {"columnHeader", u8(c.columnHeader)}, {"legend", u8(c.legend)},
                      {"block", u8(c.block)}, {"below", u8(c.below)}, {"beside", u8(c.beside)}, {"value", u8(c.value)}, {"checked", c.checked},
                      {"userEdited", c.userEdited}, {"visible", c.visible}, {"enabled", c.enabled},
                      {"editable", c.editable}, {"focused", c.focused}, {"form", c.form},
                      {"valueLength", c.valueLength}, {"ariaHidden", c.ariaHidden}, {"tabIndex", c.tabIndex}};
      ordered sections = ordered::array();
      for (const std::u16string& heading : c.sections) sections.push_back(u8(heading));
      control["sections"] = std::move(sections);
      if (c.tag == u"select") {
        ordered options = ordered::array();
        for (const fill::OptionFacts& o : c.options) {
          options.push_back({{"text", u8(o.text)}, {"value", u8(o.value)}, {"selected", o.selected}});
        }
        control["options"] = std::move(options);
      }
      controls.push_back(std::move(control));
    }
    ordered f = {{"frame", frame.frame}, {"origin", u8(frame.origin)}, {"sharedAutofill", frame.sharedAutofill},
                 {"visible", frame.visible}, {"controls", std::move(controls)}};
    if (!frame.dropped.empty()) f["dropped"] = u8(frame.dropped);
    frames.push_back(std::move(f));
  }
  ordered answer = {{"type", "facts"}, {"id", id}, {"read", read}, {"origin", u8(page.origin)}, {"frames", std::move(frames)}};
  if (page.framesDropped > 0) answer["framesDropped"] = page.framesDropped;
  return answer.dump(-1, ' ', false, ordered::error_handler_t::replace);
}

}  // namespace formix::bridge

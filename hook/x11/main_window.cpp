#include "hook/x11/main_window.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "hook/x11/client_process.h"
#include "hook/x11/x_input.h"

namespace formix::hook::x11 {
namespace {

struct FreeDeleter {
  void operator()(void* p) const noexcept { std::free(p); }
};
template <class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Longer titles cannot match; a few more bytes than the title tell a longer one apart.
constexpr std::uint32_t kTitleLongs = 4;

std::optional<std::string_view> textOf(const xcb_get_property_reply_t* reply) {
  if (reply == nullptr || reply->type == XCB_NONE || reply->format != 8) return std::nullopt;
  const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply));
  return std::string_view(bytes, static_cast<std::size_t>(xcb_get_property_value_length(reply)));
}

enum class Title { Main, Other, None };

// The titles of many windows, asked for all at once so that the search costs one round trip.
std::vector<Title> titlesOf(xcb_connection_t* c, const std::vector<xcb_window_t>& windows, const TitleAtoms& atoms) {
  std::vector<xcb_get_property_cookie_t> net, plain;
  for (const xcb_window_t w : windows) {
    net.push_back(xcb_get_property(c, 0, w, atoms.netWmName, atoms.utf8String, 0, kTitleLongs));
    plain.push_back(xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, kTitleLongs));
  }
  std::vector<Title> out;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    const Reply<xcb_get_property_reply_t> netReply(xcb_get_property_reply(c, net[i], nullptr));
    const Reply<xcb_get_property_reply_t> plainReply(xcb_get_property_reply(c, plain[i], nullptr));
    const auto netName = textOf(netReply.get());
    const auto wmName = textOf(plainReply.get());
    // A title longer than what was read is not the main window's, whatever its first bytes.
    const bool cut = netName ? netReply->bytes_after != 0 : wmName && plainReply->bytes_after != 0;
    out.push_back(!cut && isMainWindowTitle(netName, wmName) ? Title::Main
                  : (netName || wmName)                      ? Title::Other
                                                             : Title::None);
  }
  return out;
}

std::vector<xcb_window_t> clientList(xcb_connection_t* c, xcb_window_t root, const TitleAtoms& atoms) {
  const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c, xcb_get_property(c, 0, root, atoms.netClientList, XCB_ATOM_WINDOW, 0, 4096), nullptr));
  if (!reply || reply->format != 32 || reply->type != XCB_ATOM_WINDOW) return {};
  const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
  return {ids, ids + xcb_get_property_value_length(reply.get()) / 4};
}

std::vector<xcb_window_t> childrenOf(xcb_connection_t* c, const std::vector<xcb_window_t>& parents) {
  std::vector<xcb_query_tree_cookie_t> cookies;
  for (const xcb_window_t w : parents) cookies.push_back(xcb_query_tree(c, w));
  std::vector<xcb_window_t> out;
  for (const auto& cookie : cookies) {
    const Reply<xcb_query_tree_reply_t> reply(xcb_query_tree_reply(c, cookie, nullptr));
    if (!reply) continue;
    const xcb_window_t* kids = xcb_query_tree_children(reply.get());
    out.insert(out.end(), kids, kids + xcb_query_tree_children_length(reply.get()));
  }
  return out;
}

// The first window of the title that the own process made: the makers of all windows of that
// title are asked at once.
xcb_window_t firstMain(xcb_connection_t* c, const std::vector<xcb_window_t>& windows, const std::vector<Title>& titles,
                       pid_t ownProcess) {
  std::vector<xcb_window_t> titled;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    if (titles[i] == Title::Main) titled.push_back(windows[i]);
  }
  if (titled.empty() || ownProcess == 0) return titled.empty() ? XCB_NONE : titled.front();
  const std::vector<pid_t> makers = clientProcesses(c, titled);
  for (std::size_t i = 0; i < titled.size(); ++i) {
    if (makers[i] == ownProcess) return titled[i];
  }
  return XCB_NONE;
}

}  // namespace

xcb_window_t findMainWindow(xcb_connection_t* c, xcb_window_t root, const TitleAtoms& atoms, pid_t ownProcess) {
  const std::vector<xcb_window_t> clients = clientList(c, root, atoms);
  if (const xcb_window_t w = firstMain(c, clients, titlesOf(c, clients, atoms), ownProcess); w != XCB_NONE) return w;

  // Top-level windows have a title of their own; a frame has none and holds its client below.
  constexpr int kDepth = 3;
  constexpr std::size_t kMostWindows = 4096;
  std::vector<xcb_window_t> level = childrenOf(c, {root});
  for (int depth = 0; depth < kDepth && !level.empty() && level.size() <= kMostWindows; ++depth) {
    const std::vector<Title> titles = titlesOf(c, level, atoms);
    if (const xcb_window_t w = firstMain(c, level, titles, ownProcess); w != XCB_NONE) return w;
    std::vector<xcb_window_t> untitled;
    for (std::size_t i = 0; i < level.size(); ++i) {
      if (titles[i] == Title::None) untitled.push_back(level[i]);
    }
    level = childrenOf(c, untitled);
  }
  return XCB_NONE;
}

}  // namespace formix::hook::x11

#include "platform/linux/linux_process.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "hook/decision.h"
#include "hook/x11/client_process.h"
#include "text/utf.h"

namespace formix::platform {

std::string instanceSelectionName(unsigned uid) { return "_FORMIX_INSTANCE_U" + std::to_string(uid); }

LinuxProcess::~LinuxProcess() {
  if (lock_ != nullptr) xcb_disconnect(lock_);
}

bool LinuxProcess::anotherInstanceRunning() {
  if (lock_ != nullptr) return false;  // this process holds the lock already
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection) != 0) {  // no display: run, and let start-up say so
    xcb_disconnect(connection);
    return false;
  }
  const std::string name = instanceSelectionName(getuid());
  xcb_intern_atom_reply_t* atom =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
  if (atom == nullptr) {
    xcb_disconnect(connection);
    return false;
  }
  const xcb_atom_t selection = atom->atom;
  std::free(atom);
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
  const xcb_window_t window = xcb_generate_id(connection);
  xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                    XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
  // Looking for an owner and taking the selection is one step for the server: two starts at the
  // same moment cannot both find it free.
  xcb_grab_server(connection);
  xcb_get_selection_owner_reply_t* before =
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
  const bool asked = before != nullptr;
  const bool taken = asked && before->owner != XCB_NONE;
  std::free(before);
  if (asked && !taken) xcb_set_selection_owner(connection, window, selection, XCB_CURRENT_TIME);
  xcb_ungrab_server(connection);
  xcb_get_selection_owner_reply_t* after =
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
  const bool ours = after != nullptr && after->owner == window;
  const xcb_window_t holder = after != nullptr ? after->owner : XCB_NONE;
  std::free(after);
  if (!ours) {
    // Who holds it, while the connection is open to ask: 0 when the server cannot tell.
    const pid_t holderProcess = taken && holder != XCB_NONE && hook::x11::serverNamesProcesses(connection)
                                    ? hook::x11::clientProcesses(connection, {holder}).front()
                                    : 0;
    xcb_disconnect(connection);
    if (holderProcess > 0 && !sameProgram("/proc/" + std::to_string(holderProcess) + "/exe", "/proc/self/exe")) {
      refuseForAnotherProgram(holderProcess);
    }
    return taken;  // a server that does not answer: run rather than refuse to start
  }
  lock_ = connection;  // the selection is held as long as this connection is open
  return false;
}

bool sameProgram(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code error;
  if (std::filesystem::equivalent(a, b, error)) return true;
  std::ifstream first(a, std::ios::binary), second(b, std::ios::binary);
  if (!first || !second) return false;  // a program we may not read is not known to be ours
  std::istreambuf_iterator<char> x(first), y(second), end;
  for (; x != end && y != end; ++x, ++y) {
    if (*x != *y) return false;
  }
  return x == end && y == end;
}

void LinuxProcess::refuseForAnotherProgram(pid_t holder) {
  lockHeldByAnotherProgram_ = true;
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/" + std::to_string(holder) + "/exe", error);
  const std::string who = (error ? std::string("an unreadable program") : program.string()) + " (process " +
                          std::to_string(holder) + ")";
  std::fprintf(stderr, "formix: another program holds formix's instance lock on this display: %s; not starting\n",
               who.c_str());
  if (warn) warn(std::u16string(kLockHeldByAnotherProgram) + u"\n" + text::fromUtf8Lossy(who));
}

void LinuxProcess::endProcess() {
  ended_ = true;
  if (onEnd_) onEnd_();
}

std::optional<ports::HookExports> LinuxHookLoader::loadHookLibrary(std::string_view name) {
  const std::string file = "lib" + std::string(name) + ".so";
  void* library = nullptr;
  for (const auto& candidate : {folder_ / file, installed_ / file}) {
    if (!candidate.parent_path().empty() && (library = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) != nullptr) {
      break;
    }
  }
  if (library == nullptr) library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return std::nullopt;
  const auto int32Export = [&](const char* symbol) -> std::function<int32_t()> {
    auto* fn = reinterpret_cast<int32_t (*)()>(dlsym(library, symbol));
    return fn != nullptr ? std::function<int32_t()>(fn) : nullptr;
  };
  const auto voidExport = [&](const std::string& symbol) -> std::function<void()> {
    auto* fn = reinterpret_cast<void (*)()>(dlsym(library, symbol.c_str()));
    return fn != nullptr ? std::function<void()>(fn) : nullptr;
  };
  ports::HookExports exports;
  exports.SetHook = int32Export("SetHook");
  exports.RemoveHook = int32Export("RemoveHook");
  // The mode calls also note the mode, so that a report the modes cannot produce is refused.
  for (int i = 0; i < 5; ++i) {
    if (auto set = voidExport("M_Mode" + std::to_string(i))) exports.M_Mode[i] = [this, set, i] { set(); mouseMode_ = i; };
  }
  for (int i = 0; i < 3; ++i) {
    if (auto set = voidExport("K_Mode" + std::to_string(i))) exports.K_Mode[i] = [this, set, i] { set(); keyMode_ = i; };
  }
  if (auto* key = reinterpret_cast<std::uint64_t (*)()>(dlsym(library, "FmxHookReportKey"))) reportKey_ = key();
  return exports;
}

bool LinuxHookLoader::acceptsReport(std::uint64_t key, std::int32_t code) const {
  return reportKey_ && key == *reportKey_ && hook::modesCanReport(mouseMode_, keyMode_, code);
}

}  // namespace formix::platform

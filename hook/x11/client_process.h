// Which process made a window, as the X server knows it. The X-Resource extension (1.2 and later)
// names the process at the other end of each local client's socket: the kernel told the server,
// so no client can pass itself off as another. Used by the hook library, to report to its own
// program's window only, and by formix, to tell who holds its instance lock.
#pragma once

#include <sys/types.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace formix::hook::x11 {

// Whether the server answers X-Resource's question for the process of a client.
inline bool serverNamesProcesses(xcb_connection_t* c) {
  const xcb_query_extension_reply_t* extension = xcb_get_extension_data(c, &xcb_res_id);
  if (extension == nullptr || extension->present == 0) return false;
  xcb_res_query_version_reply_t* version = xcb_res_query_version_reply(c, xcb_res_query_version(c, 1, 2), nullptr);
  const bool answers =
      version != nullptr && (version->server_major > 1 || (version->server_major == 1 && version->server_minor >= 2));
  std::free(version);
  return answers;
}

// The process of the client that made each resource (a window, or any id of a client's range),
// asked all at once: one round trip. 0 where the server cannot tell: a client that reached it over
// the network, a client that is gone, or a server without X-Resource 1.2.
inline std::vector<pid_t> clientProcesses(xcb_connection_t* c, const std::vector<std::uint32_t>& resources) {
  std::vector<xcb_res_query_client_ids_cookie_t> cookies;
  cookies.reserve(resources.size());
  for (const std::uint32_t resource : resources) {
    const xcb_res_client_id_spec_t spec{resource, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    cookies.push_back(xcb_res_query_client_ids(c, 1, &spec));
  }
  std::vector<pid_t> out;
  out.reserve(resources.size());
  for (const auto& cookie : cookies) {
    pid_t pid = 0;
    if (xcb_res_query_client_ids_reply_t* reply = xcb_res_query_client_ids_reply(c, cookie, nullptr)) {
      for (auto it = xcb_res_query_client_ids_ids_iterator(reply); it.rem > 0; xcb_res_client_id_value_next(&it)) {
        if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) != 0 &&
            xcb_res_client_id_value_value_length(it.data) >= 1) {
          pid = static_cast<pid_t>(*xcb_res_client_id_value_value(it.data));
        }
      }
      std::free(reply);
    }
    out.push_back(pid);
  }
  return out;
}

// This process as the server sees it through connection `c` (the id range the server gave the
// connection stands for it); 0 when the server cannot tell.
inline pid_t ownProcessSeenByServer(xcb_connection_t* c) {
  if (!serverNamesProcesses(c)) return 0;
  return clientProcesses(c, {xcb_get_setup(c)->resource_id_base}).front();
}

}  // namespace formix::hook::x11

// Formix's clipboard seen from its own process: the text is set through the clipboard's thread,
// then read back through a second connection on the main thread, as formix's own window reads
// it when the user pastes there. The main thread waits for the text while the clipboard's
// thread serves it. Prints the text read; status 1 when setting or reading fails.
//
//   clipboard_probe TEXT
#include <cstdio>

#include "platform/wayland/clipboard_thread.h"
#include "platform/wayland/data_control_clipboard.h"
#include "platform/wayland/wayland_session.h"

int main(int argc, char** argv) {
  using namespace formix::platform::wayland;
  if (argc != 2) return 2;
  ClipboardThread owner;
  if (!owner.available() || !owner.setText(argv[1])) {
    std::fprintf(stderr, "clipboard_probe: the text could not be set\n");
    return 1;
  }
  WaylandSession session;
  DataControlClipboard reader(session);
  const auto text = reader.text();
  if (!text) {
    std::fprintf(stderr, "clipboard_probe: the text could not be read\n");
    return 1;
  }
  std::fwrite(text->data(), 1, text->size(), stdout);
  return 0;
}

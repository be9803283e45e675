// Internet Explorer's pages through its automation objects: the ShellWindows collection lists the
// browser windows, and documents, frames and bodies are reached by late-bound member names
// ("hwnd", "Document", "Frames", "length", "body", "innerhtml") through IDispatch. Every object
// is released before a call returns; any failure leaves that one step without a result.
#pragma once

#include "platform/desktop.h"

namespace formix::platform::win32 {

class IeDocuments : public BrowserDocuments {
 public:
  std::vector<WindowHandle> browserWindows() override;
  std::optional<int> frameCount(WindowHandle browser) override;
  std::optional<std::u16string> bodyHtml(WindowHandle browser, int frame) override;
  bool setBodyHtml(WindowHandle browser, int frame, std::u16string_view html) override;
};

}  // namespace formix::platform::win32

// Internet Explorer's pages through its automation objects: the ShellWindows collection lists the
// browser windows, and documents, frames and bodies are reached by late-bound member names
// ("hwnd", "Document", "Frames", "length", "body", "innerhtml") through IDispatch. Every object
// is released before a call returns; any failure leaves that one step without a result.
#pragma once

#include "ports/browsers.h"

namespace formix::platform::win32 {

class IeDocuments : public ports::HtmlDocuments {
 public:
  std::vector<ports::WindowHandle> browserWindows() override;
  std::optional<int> frameCount(ports::WindowHandle browser) override;
  std::optional<std::u16string> bodyHtml(ports::WindowHandle browser, int frame) override;
  bool setBodyHtml(ports::WindowHandle browser, int frame, std::u16string_view html) override;
};

}  // namespace formix::platform::win32

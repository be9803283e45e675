#include "tests/bridge/x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <string>

#include "text/utf.h"

namespace formix::testing {

namespace {

// A window can close between listing it and reading its title: the request then fails, and that
// is all (Xlib's own handler would end the process).
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

}  // namespace

X11Windows::X11Windows() : display_(XOpenDisplay(nullptr)) { XSetErrorHandler(ignoreErrors); }

X11Windows::~X11Windows() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

platform::WindowHandle X11Windows::createMainWindow(std::u16string_view) { return kMainWindow; }

platform::WindowHandle X11Windows::firstWindow(platform::WindowHandle) {
  stack_.clear();
  if (display_ == nullptr) return 0;
  const Window root = DefaultRootWindow(display_);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const Atom stacking = XInternAtom(display_, "_NET_CLIENT_LIST_STACKING", False);
  if (XGetWindowProperty(display_, root, stacking, 0, 4096, False, XA_WINDOW, &type, &format, &count, &after, &data) ==
          Success &&
      data != nullptr && format == 32) {
    const auto* windows = reinterpret_cast<const unsigned long*>(data);
    for (unsigned long k = count; k-- > 0;) stack_.push_back(static_cast<platform::WindowHandle>(windows[k]));
  }
  if (data != nullptr) XFree(data);
  return stack_.empty() ? 0 : stack_.front();
}

platform::WindowHandle X11Windows::nextWindow(platform::WindowHandle window) {
  const auto it = std::find(stack_.begin(), stack_.end(), window);
  return it == stack_.end() || it + 1 == stack_.end() ? 0 : *(it + 1);
}

int X11Windows::isWindowVisible(platform::WindowHandle window) {
  if (display_ == nullptr || window == kMainWindow) return 0;
  XWindowAttributes attributes{};
  if (XGetWindowAttributes(display_, window, &attributes) == 0) return 0;
  return attributes.map_state == IsViewable ? 1 : 0;
}

int32_t X11Windows::windowLong(platform::WindowHandle, int index) {
  // Every managed window has a title bar here, and none is kept above the others.
  return index == platform::kGwlStyle ? platform::kStyleCaption : 0;
}

std::u16string X11Windows::windowText(platform::WindowHandle window) {
  if (display_ == nullptr || window == kMainWindow) return u"";
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const Atom name = XInternAtom(display_, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
  std::string title;
  if (XGetWindowProperty(display_, window, name, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
          Success &&
      data != nullptr) {
    title.assign(reinterpret_cast<const char*>(data), count);
  }
  if (data != nullptr) XFree(data);
  return text::fromUtf8Lossy(title);
}

bool X11Windows::setForegroundWindow(platform::WindowHandle) { return true; }

platform::WindowHandle X11Windows::desktopWindow() {
  return display_ == nullptr ? 0 : static_cast<platform::WindowHandle>(DefaultRootWindow(display_));
}

}  // namespace formix::testing

// The target window: the front-most ordinary top-level window below the program's own.
#include "app/main_window.h"
#include "text/compare.h"

namespace formix::app {

ports::WindowHandle FrmMain::lGetNextWindowHandle() {
  auto& windows = desktop_.windows;
  for (ports::WindowHandle h = windows.firstWindow(hWnd); h != 0; h = windows.nextWindow(h)) {
    // Passed over: the program itself, hidden windows, always-on-top windows, windows without a
    // caption bar.
    if (h == hWnd || windows.isWindowVisible(h) != 1) continue;
    if ((windows.windowLong(h, ports::kGwlExStyle) & ports::kExStyleTopmost) != 0) continue;
    if ((windows.windowLong(h, ports::kGwlStyle) & ports::kStyleCaption) == 0) continue;
    // Untitled windows and any window of this program ("Formix..." in any letter case).
    const std::u16string title = windows.windowText(h);
    if (title.empty()) continue;
    if (text::equals(std::u16string_view(title).substr(0, 6), u"Formix", text::Compare::Text)) continue;
    return h;
  }
  return 0;
}

}  // namespace formix::app

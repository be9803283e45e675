// Strings between the model (UTF-16 in std::u16string) and the wide Windows calls (UTF-16 in
// wchar_t), and handles between the ports (32-bit values) and the system.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "ports/desktop.h"

namespace formix::platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline std::wstring wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
inline std::u16string utf16(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

// Text of the system's ANSI code page (what the A functions return) as UTF-16.
std::u16string fromAnsi(std::string_view bytes);

// Window handles have 32 significant bits: truncated on the way into a port, sign-extended on the
// way out, as the hook library stores them.
inline ports::WindowHandle toHandle(HWND window) {
  return static_cast<ports::WindowHandle>(reinterpret_cast<std::intptr_t>(window));
}
inline HWND toHwnd(ports::WindowHandle handle) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<int32_t>(handle)));
}

// The text of a window through the wide call.
std::u16string windowTextW(HWND window);

}  // namespace formix::platform::win32

// The relay on Windows: native-messaging frames on the browser's pipes (stdin and stdout in binary
// mode), passed on whole over Formix's named pipe, with the sizes bounded.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>

namespace formix::bridge {

// Connects to Formix's pipe, retrying while Formix is not running, until the browser closes
// `browserIn`; then checks that the pipe's server runs as this user before anything is sent.
// INVALID_HANDLE_VALUE when the browser went away first or the server is another user's (`why`
// says which). The handle is overlapped.
HANDLE connectToFormixPipe(const std::wstring& name, HANDLE browserIn, std::string& why);

// Passes whole messages both ways until either side closes or breaks a bound (a message from the
// browser above kMaxFromBrowser, one from Formix above kMaxToBrowser: nothing of it is written).
// 0 when a side closed, 1 for a broken bound or a failed write.
int pumpPipe(HANDLE browserIn, HANDLE browserOut, HANDLE formix);

}  // namespace formix::bridge
#endif

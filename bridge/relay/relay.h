// The relay between a browser and Formix: native-messaging frames on the browser's pipes,
// passed on whole over Formix's socket, with the sizes bounded.
#pragma once

#include <filesystem>
#include <string_view>

namespace formix::bridge {

// Whether the browser started the relay for Formix's extension: Chromium-family browsers pass
// the caller's origin as the first argument, Firefox the manifest's path and then the add-on id.
bool callerIsFormixExtension(int argc, const char* const* argv);

// Connects to Formix's socket, retrying while Formix is not running, until the browser closes
// `browserIn`. -1 when the browser went away first. A socket whose owner is another user is
// never used.
int connectToFormix(const std::filesystem::path& socket, int browserIn);

// Passes whole messages both ways until either side closes or breaks a bound (a message from
// the browser above kMaxFromBrowser, one from Formix above kMaxToBrowser). 0 when a side closed,
// 1 for a broken bound or a failed write.
int pump(int browserIn, int browserOut, int formix);

}  // namespace formix::bridge

// Whole-file reads and all-or-nothing writes.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace formix::app {

// The bytes of a file, or nullopt when it does not exist or cannot be read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

// Writes `bytes` to a temporary file beside `path`, flushes it to the disk and only then puts it in
// the place of `path`. On any failure the old file is left as it was, the temporary file is
// removed, and the reason is returned; on success the result is empty. The new file may be read and
// written by its owner only; an existing file keeps a narrower mode than that.
std::optional<std::string> replaceFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace formix::app

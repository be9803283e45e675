#include "app/atomic_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#else
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <atomic>
#endif

namespace formix::app {

std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

#ifndef _WIN32

std::optional<std::string> replaceFile(const std::filesystem::path& path, std::string_view bytes) {
  const auto failure = [](const char* what) { return std::string(what) + ": " + std::strerror(errno); };
  std::string temp = path.string() + ".tmp-XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return failure("cannot create a temporary file");

  // The file holds the user's profile: owner-only, whatever the umask. An existing file keeps a
  // narrower mode than that.
  struct stat old {};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 0600) : 0600;
  std::optional<std::string> error;
  if (fchmod(fd, mode) != 0) error = failure("cannot set permissions");
  for (size_t done = 0; !error && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) error = failure("cannot write");
    else done += static_cast<size_t>(n);
  }
  if (!error && ::fsync(fd) != 0) error = failure("cannot flush");
  if (::close(fd) != 0 && !error) error = failure("cannot close");
  if (!error && std::rename(temp.c_str(), path.c_str()) != 0) error = failure("cannot replace the file");
  if (error) {
    ::unlink(temp.c_str());
    return error;
  }
  // Make the rename itself durable.
  const auto folder = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
  if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY); dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return std::nullopt;
}

#else

std::optional<std::string> replaceFile(const std::filesystem::path& path, std::string_view bytes) {
  // The temporary file gets a name of its own and is made exclusively: a file of that name that
  // someone else made first is never reused, so nobody but this process owns what takes the
  // place of `path`.
  static std::atomic<unsigned> counter{0};
  HANDLE file = INVALID_HANDLE_VALUE;
  std::wstring temp;
  for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temp = path.wstring() + L".tmp-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(counter++);
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) {
      break;
    }
  }
  if (file == INVALID_HANDLE_VALUE) return std::string("cannot create a temporary file");
  std::optional<std::string> error;
  for (size_t done = 0; !error && done < bytes.size();) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) error = "cannot write";
    done += written;
  }
  if (!error && !FlushFileBuffers(file)) error = "cannot flush";
  CloseHandle(file);
  if (!error && !MoveFileExW(temp.c_str(), path.wstring().c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = "cannot replace the file";
  }
  if (error) DeleteFileW(temp.c_str());
  return error;
}

#endif

}  // namespace formix::app

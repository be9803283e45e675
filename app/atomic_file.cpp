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

  struct stat old {};
  const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
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
  auto temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      return std::string("cannot write the temporary file");
    }
  }
  std::error_code error;
  std::filesystem::rename(temp, path, error);  // MoveFileEx with MOVEFILE_REPLACE_EXISTING
  if (error) {
    std::filesystem::remove(temp, error);
    return std::string("cannot replace the file");
  }
  return std::nullopt;
}

#endif

}  // namespace formix::app

#include "hook/x11/shared_memory.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>

namespace formix::hook::x11 {

std::string sharedMemoryName(std::string_view display, unsigned uid) {
  std::string host(display.substr(0, std::min(display.size(), display.rfind(':'))));
  std::string number(display.rfind(':') == std::string_view::npos ? "" : display.substr(display.rfind(':') + 1));
  if (const size_t dot = number.find('.'); dot != std::string::npos) number.erase(dot);
  if (host == "unix") host.clear();  // the same local socket as ":N"
  std::string name = "/formix-hook-" + std::to_string(uid) + "-";
  for (char c : host + "_" + number) {
    name.push_back(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' ? c : '_');
  }
  return name;
}

std::string sharedMemoryName() {
  const char* display = std::getenv("DISPLAY");
  return sharedMemoryName(display != nullptr ? display : "", getuid());
}

SharedState* openSharedState(const std::string& name) {
  const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    std::fprintf(stderr, "libfmxhook: cannot open shared memory %s: %s\n", name.c_str(), std::strerror(errno));
    return nullptr;
  }
  struct stat st {};
  void* mapped = MAP_FAILED;
  // Another user could have made an object of this name first; settings it holds are not ours.
  if (fstat(fd, &st) != 0 || st.st_uid != geteuid() || (st.st_mode & 077) != 0) {
    std::fprintf(stderr, "libfmxhook: shared memory %s is not private to this user; modes stay in this process\n",
                 name.c_str());
  } else if (st.st_size < static_cast<off_t>(sizeof(SharedState)) &&
             ftruncate(fd, static_cast<off_t>(sizeof(SharedState))) != 0) {
    std::fprintf(stderr, "libfmxhook: cannot size shared memory %s: %s\n", name.c_str(), std::strerror(errno));
  } else {
    mapped = mmap(nullptr, sizeof(SharedState), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  }
  close(fd);
  return mapped == MAP_FAILED ? nullptr : static_cast<SharedState*>(mapped);
}

SharedState& sharedState() {
  static SharedState own{};
  static SharedState* const shared = openSharedState(sharedMemoryName());
  return shared != nullptr ? *shared : own;
}

}  // namespace formix::hook::x11

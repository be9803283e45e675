#include "bridge/process_tree.h"

#include <charconv>
#include <fstream>
#include <iterator>
#include <string>

namespace formix::bridge {

int64_t parentInStat(std::string_view stat) {
  // The name ends at the last ")": what follows is " state ppid ...".
  const size_t close = stat.rfind(')');
  if (close == std::string_view::npos || close + 4 >= stat.size()) return 0;
  std::string_view rest = stat.substr(close + 1);
  if (rest.size() < 4 || rest[0] != ' ' || rest[2] != ' ') return 0;
  rest.remove_prefix(3);
  int64_t parent = 0;
  const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), parent);
  if (error != std::errc() || (end != rest.data() + rest.size() && *end != ' ') || parent < 0) return 0;
  return parent;
}

#ifndef _WIN32
int64_t parentProcess(int64_t pid) {
  if (pid <= 0) return 0;
  std::ifstream file("/proc/" + std::to_string(pid) + "/stat", std::ios::binary);
  if (!file) return 0;
  std::string stat;
  std::getline(file, stat);
  return parentInStat(stat);
}
#endif

std::vector<int64_t> processAncestors(int64_t pid, const std::function<int64_t(int64_t)>& parentOf, size_t limit) {
  std::vector<int64_t> chain;
  for (int64_t p = pid; p > 1 && chain.size() < limit; p = parentOf(p)) {
    // A loop (a reused id read halfway through a change) ends the walk.
    for (int64_t seen : chain) {
      if (seen == p) return chain;
    }
    chain.push_back(p);
  }
  return chain;
}

}  // namespace formix::bridge

// Which processes started a process: the relay is started by the browser, whose windows name the
// browser's process (_NET_WM_PID; on Windows the window's thread's process), so the relay's
// ancestors lead to the browser's windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace formix::bridge {

// The parent of a process, read from /proc/<pid>/stat (on Windows from a process snapshot, and only
// while the parent started before the child, so a reused id is no parent); 0 when it cannot be read.
int64_t parentProcess(int64_t pid);

// The parent's id in the text of /proc/<pid>/stat ("pid (name) state ppid ..."; the name may hold
// blanks and parentheses); 0 when the text is not of that form.
int64_t parentInStat(std::string_view stat);

// `pid` and its ancestors, nearest first, up to (and without) process 1, at most `limit` of them.
std::vector<int64_t> processAncestors(int64_t pid, const std::function<int64_t(int64_t)>& parentOf,
                                      size_t limit = 32);

}  // namespace formix::bridge

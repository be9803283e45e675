// The parent of a process on Windows: the process snapshot names it, but Windows reuses the ids of
// ended processes, so a "parent" that started after the child is not taken.
#include <windows.h>
#include <tlhelp32.h>

#include "bridge/process_tree.h"

namespace formix::bridge {
namespace {

// When the process started, as a FILETIME count; 0 when it cannot be read.
uint64_t startTime(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return 0;
  FILETIME created{}, exited{}, kernel{}, user{};
  const bool ok = GetProcessTimes(process, &created, &exited, &kernel, &user);
  CloseHandle(process);
  return ok ? (static_cast<uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime : 0;
}

}  // namespace

int64_t parentProcess(int64_t pid) {
  if (pid <= 0) return 0;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  for (bool more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == static_cast<DWORD>(pid)) {
      parent = entry.th32ParentProcessID;
      break;
    }
  }
  CloseHandle(snapshot);
  if (parent == 0 || parent == static_cast<DWORD>(pid)) return 0;
  const uint64_t child = startTime(static_cast<DWORD>(pid));
  const uint64_t born = startTime(parent);
  if (child == 0 || born == 0 || born > child) return 0;
  return parent;
}

}  // namespace formix::bridge

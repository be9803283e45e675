#include "bridge/pipe_name.h"

#include <sddl.h>

namespace formix::bridge {

std::vector<unsigned char> processUser(HANDLE process) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  std::vector<unsigned char> sid;
  if (size > 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    const PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    if (IsValidSid(user)) {
      const auto* bytes = static_cast<const unsigned char*>(user);
      sid.assign(bytes, bytes + GetLengthSid(user));
    }
  }
  CloseHandle(token);
  return sid;
}

bool sameUserAsMe(DWORD pid) {
  if (pid == 0) return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (process == nullptr) return false;
  const std::vector<unsigned char> theirs = processUser(process);
  CloseHandle(process);
  const std::vector<unsigned char> mine = processUser(GetCurrentProcess());
  return !mine.empty() && theirs == mine;
}

std::optional<std::wstring> defaultPipeName() {
  std::vector<unsigned char> user = processUser(GetCurrentProcess());
  DWORD session = 0;
  if (user.empty() || !ProcessIdToSessionId(GetCurrentProcessId(), &session)) return std::nullopt;
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(static_cast<PSID>(user.data()), &text)) return std::nullopt;
  std::wstring name = L"\\\\.\\pipe\\formix.bridge." + std::wstring(text) + L"." + std::to_wstring(session);
  LocalFree(text);
  return name;
}

}  // namespace formix::bridge

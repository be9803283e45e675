#include "platform/windows/win32_trust.h"

#include <aclapi.h>

#include <cwctype>
#include <vector>

namespace formix::platform::win32 {
namespace {

// Every right that lets a holder change what the folder holds or who may.
constexpr DWORD kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA | FILE_DELETE_CHILD |
                               FILE_WRITE_ATTRIBUTES | DELETE | WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

std::vector<BYTE> currentUser() {
  std::vector<BYTE> user;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return user;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  user.resize(size);
  if (size == 0 || !GetTokenInformation(token, TokenUser, user.data(), size, &size)) user.clear();
  CloseHandle(token);
  return user;
}

bool trusted(PSID sid, PSID user) {
  return (user != nullptr && EqualSid(sid, user)) || IsWellKnownSid(sid, WinLocalSystemSid) ||
         IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
}

bool isAbsolute(std::wstring_view path) {
  if (path.size() >= 3 && std::iswalpha(path[0]) && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) return true;
  return path.size() >= 3 && path[0] == L'\\' && path[1] == L'\\';
}

bool isFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A program path as CreateProcess takes it: ".exe" is added to a name without an extension.
std::optional<std::wstring> programAt(std::wstring path) {
  const size_t name = path.find_last_of(L"\\/");
  if (path.find(L'.', name == std::wstring::npos ? 0 : name) == std::wstring::npos) path += L".exe";
  if (!isFile(path) || !hasPeFormat(path)) return std::nullopt;
  return path;
}

}  // namespace

bool onlyTrustedMayWrite(const std::wstring& folder) {
  const std::vector<BYTE> user = currentUser();
  PSID userSid = user.empty() ? nullptr : reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                            &owner, nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  // The owner may always rewrite the DACL; no DACL at all lets everyone do everything.
  bool only = owner != nullptr && trusted(owner, userSid) && dacl != nullptr;
  for (DWORD i = 0; only && i < dacl->AceCount; ++i) {
    ACE_HEADER* header = nullptr;
    if (!GetAce(dacl, i, reinterpret_cast<void**>(&header))) {
      only = false;
      break;
    }
    if ((header->AceFlags & INHERIT_ONLY_ACE) != 0) continue;  // for what is made inside, not the folder
    switch (header->AceType) {
      case ACCESS_ALLOWED_ACE_TYPE: {
        auto* ace = reinterpret_cast<ACCESS_ALLOWED_ACE*>(header);
        if ((ace->Mask & kWriteRights) != 0 && !trusted(&ace->SidStart, userSid)) only = false;
        break;
      }
      case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
      case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
      case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
        // Rare on folders; whom they name is not looked into, so any write right they give counts.
        if ((reinterpret_cast<ACCESS_ALLOWED_ACE*>(header)->Mask & kWriteRights) != 0) only = false;
        break;
      default:  // denials and audits take nothing away from this test
        break;
    }
  }
  LocalFree(descriptor);
  return only;
}

bool userMayWrite(const std::wstring& folder) {
  const std::wstring probe = folder + L"\\.formix-" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::wstring chooseSettingsFolder(const std::wstring& programFolder, const std::wstring& appData) {
  if ((userMayWrite(programFolder) && onlyTrustedMayWrite(programFolder)) || appData.empty()) return programFolder;
  const std::wstring own = appData + L"\\Formix";
  CreateDirectoryW(own.c_str(), nullptr);
  return own;
}

bool hasPeFormat(const std::wstring& file) {
  HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  unsigned char dos[64] = {};
  unsigned char signature[4] = {};
  DWORD read = 0;
  bool pe = ReadFile(handle, dos, sizeof dos, &read, nullptr) && read == sizeof dos && dos[0] == 'M' && dos[1] == 'Z';
  if (pe) {
    const LONG offset = static_cast<LONG>(dos[0x3c] | (dos[0x3d] << 8) | (dos[0x3e] << 16) | (dos[0x3f] << 24));
    pe = offset > 0 && SetFilePointer(handle, offset, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
         ReadFile(handle, signature, sizeof signature, &read, nullptr) && read == sizeof signature &&
         signature[0] == 'P' && signature[1] == 'E' && signature[2] == 0 && signature[3] == 0;
  }
  CloseHandle(handle);
  return pe;
}

std::optional<std::wstring> programFile(std::wstring_view commandLine, std::wstring_view pathVariable) {
  // A line that names an existing file or folder as a whole: only a program file by itself runs.
  const std::wstring whole(commandLine);
  if (isAbsolute(whole) && GetFileAttributesW(whole.c_str()) != INVALID_FILE_ATTRIBUTES) {
    if (!isFile(whole) || !hasPeFormat(whole)) return std::nullopt;
    return whole;
  }
  std::wstring word;
  if (!commandLine.empty() && commandLine.front() == L'"') {
    const size_t close = commandLine.find(L'"', 1);
    if (close == std::wstring_view::npos) return std::nullopt;
    word = commandLine.substr(1, close - 1);
  } else {
    word = commandLine.substr(0, commandLine.find_first_of(L" \t"));
  }
  if (word.empty() || word.front() == L'-') return std::nullopt;
  if (word.find_first_of(L"\\/:") != std::wstring::npos) {
    if (!isAbsolute(word)) return std::nullopt;
    return programAt(word);
  }
  for (size_t start = 0; start <= pathVariable.size();) {
    size_t end = pathVariable.find(L';', start);
    if (end == std::wstring_view::npos) end = pathVariable.size();
    std::wstring folder(pathVariable.substr(start, end - start));
    if (folder.size() >= 2 && folder.front() == L'"' && folder.back() == L'"') folder = folder.substr(1, folder.size() - 2);
    while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
    if (isAbsolute(folder)) {
      if (auto found = programAt(folder + L"\\" + word)) return found;
    }
    start = end + 1;
  }
  return std::nullopt;
}

}  // namespace formix::platform::win32

// Where Formix listens for the relay on Windows: a named pipe whose name holds the user's SID and
// the Windows session, so each user and session has a name of its own.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace formix::bridge {

// The user a process runs as (its token's user SID); empty when it cannot be read.
std::vector<unsigned char> processUser(HANDLE process);
// Whether the process `pid` runs as the same user as this one.
bool sameUserAsMe(DWORD pid);

// \\.\pipe\formix.bridge.<SID>.<session id>; nullopt when the user or the session is unknown.
std::optional<std::wstring> defaultPipeName();

}  // namespace formix::bridge
#endif

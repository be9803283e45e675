// What Formix.exe trusts on a Windows machine: a folder for the settings file that nobody else
// may write to, and programs that phrases start only from files it found and checked itself.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace formix::platform::win32 {

// Whether nobody but the current user, SYSTEM and the Administrators may write to the folder:
// its owner is one of them and no entry of its DACL lets anyone else add, change or delete
// files, or change the DACL or the owner. A folder such as C:\Tools, which every user may modify
// through the entries inherited from C:\, is shared.
bool onlyTrustedMayWrite(const std::wstring& folder);

// Whether this user may make files in the folder at all (not under Program Files, say): a probe
// file is made and removed.
bool userMayWrite(const std::wstring& folder);

// The settings folder for a program in `programFolder`: that folder when the user may write to it
// and nobody else may, else `appData`\Formix (made if missing). An empty `appData` leaves the
// program folder.
std::wstring chooseSettingsFolder(const std::wstring& programFolder, const std::wstring& appData);

// Whether a file is a Windows program image ("MZ" and a "PE\0\0" header).
bool hasPeFormat(const std::wstring& file);

// The program file a command line starts, or nullopt when Formix does not start it as a program:
// - a line that as a whole names an existing file or folder is a document, to be opened
//   (a program file by itself is started);
// - the program (the first word, or the quoted text at its start) is an absolute path
//   ("C:\...", "\\server\...") or a name without a path found in an absolute folder of
//   `pathVariable`, ".exe" added when it has no extension; never relative to the working or the
//   program's directory, never a word starting with "-";
// - the file is a PE image (a .bat or .cmd would run through cmd.exe).
std::optional<std::wstring> programFile(std::wstring_view commandLine, std::wstring_view pathVariable);

}  // namespace formix::platform::win32

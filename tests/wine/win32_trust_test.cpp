// Formix.exe's rules of trust, run under Wine: which folder holds the settings, how the save
// makes its temporary file, and which command lines start a program.
//
// FORMIX_SHARED_FOLDER names a folder that every user may write to (the test script makes one);
// the rest is made here under %TEMP%.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/atomic_file.h"
#include "platform/windows/win32_trust.h"

namespace formix::platform::win32 {
namespace {

std::wstring environment(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  return value != nullptr ? value : L"";
}

// A fresh folder under %TEMP%, removed with what it holds at the end.
struct Scratch {
  std::wstring path;
  Scratch() {
    path = environment(L"TEMP") + L"\\formix-trust-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount64());
    CreateDirectoryW(path.c_str(), nullptr);
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }
};

void writeFile(const std::wstring& path, const std::string& bytes) {
  std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
}

std::string readFile(const std::wstring& path) {
  std::ifstream in{std::filesystem::path(path), std::ios::binary};
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::wstring thisProgram() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return path;
}

TEST(SettingsFolder, AFolderOthersMayWriteToIsNotTheProgramsSettingsFolder) {
  Scratch own, appData;
  EXPECT_TRUE(onlyTrustedMayWrite(own.path));
  EXPECT_EQ(chooseSettingsFolder(own.path, appData.path), own.path);  // a portable copy of the user's own

  const std::wstring shared = environment(L"FORMIX_SHARED_FOLDER");
  ASSERT_FALSE(shared.empty()) << "FORMIX_SHARED_FOLDER is not set";
  EXPECT_FALSE(onlyTrustedMayWrite(shared));
  EXPECT_EQ(chooseSettingsFolder(shared, appData.path), appData / L"Formix");
  EXPECT_NE(GetFileAttributesW((appData / L"Formix").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(onlyTrustedMayWrite(own / L"not-there"));
}

TEST(SettingsSave, TheTemporaryFileIsNeverOneSomebodyElseMadeFirst) {
  Scratch folder;
  const std::wstring file = folder / L"taro.ini";
  writeFile(file, "old");
  // A file of the temporary file's old fixed name, made first by someone else (here read-only,
  // so that it cannot be truncated either): it is neither used nor changed.
  writeFile(file + L".tmp", "planted");
  SetFileAttributesW((file + L".tmp").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(app::replaceFile(std::filesystem::path(file), "new"));
  EXPECT_EQ(readFile(file), "new");
  EXPECT_EQ(readFile(file + L".tmp"), "planted");
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path)) ++files;
  EXPECT_EQ(files, 2);  // no temporary file left behind
  SetFileAttributesW((file + L".tmp").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Programs, OnlyProgramImagesFormixFoundItselfStart) {
  Scratch folder;
  const std::wstring program = folder / L"tool.exe";
  ASSERT_TRUE(CopyFileW(thisProgram().c_str(), program.c_str(), FALSE));
  writeFile(folder / L"report.exe", "not a program");
  writeFile(folder / L"script.bat", "@echo off\r\n");
  writeFile(folder / L"tool 2024.txt", "a document");
  const std::wstring path = L"relative\\bin;" + folder.path + L"\\;C:\\nowhere";

  EXPECT_EQ(programFile(L"tool.exe memo.txt", path), program);
  EXPECT_EQ(programFile(L"tool memo.txt", path), program);  // ".exe" added as the system does
  EXPECT_EQ(programFile(L"\"" + program + L"\" \"a b.txt\"", L""), program);
  EXPECT_EQ(programFile(program, L""), program);  // a program by itself
  EXPECT_EQ(programFile(program + L" x", L""), program);

  // A whole line that names a file is a document, though its first word names a program.
  EXPECT_FALSE(programFile(folder / L"tool 2024.txt", path));
  EXPECT_FALSE(programFile(folder.path, path));  // a folder
  // Not a program image: a data file named .exe, a batch file (cmd.exe would run it).
  EXPECT_FALSE(programFile(folder / L"report.exe", path));
  EXPECT_FALSE(programFile(L"report.exe x", path));
  EXPECT_FALSE(programFile(folder / L"script.bat", path));
  // Never relative to the working directory.
  SetCurrentDirectoryW(folder.path.c_str());
  EXPECT_FALSE(programFile(L".\\tool.exe x", path));
  EXPECT_FALSE(programFile(L"tool.exe x", L"relative\\bin;.;"));
  EXPECT_FALSE(programFile(L"-x", path));
  EXPECT_TRUE(hasPeFormat(program));
  EXPECT_FALSE(hasPeFormat(folder / L"report.exe"));
  SetCurrentDirectoryW(environment(L"TEMP").c_str());
}

}  // namespace
}  // namespace formix::platform::win32

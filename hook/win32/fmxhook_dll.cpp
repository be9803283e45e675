// FmxHook.dll: the system-wide message hook of Formix.
//
// The main program loads the library, sets the modes and calls SetHook; Windows then maps the
// library into every process whose threads retrieve messages and calls FmxHook there. The modes
// and the hook handle live in a section shared by all those processes; the module handle is each
// process's own.
#include <windows.h>

#include "hook/hook_library.h"
#include "hook/win32/win32_environment.h"

namespace {

using formix::hook::SharedState;
using formix::hook::win32::Win32Environment;

// Shared across processes: the section is marked shared (the attribute) and so mapped once for
// all. It must be initialised data for the linker to keep it in that section.
SharedState gShared __attribute__((section("MY_DATA"), shared)) = {0, 0, 0};

// Per process, set when the library is attached.
HINSTANCE gModule = nullptr;

}  // namespace

extern "C" {

LRESULT CALLBACK FmxHook(int code, WPARAM wParam, LPARAM lParam) {
  Win32Environment env(FmxHook, gModule);
  return formix::hook::hookProcedure(env, gShared, code, wParam, lParam);
}

int SetHook() {
  Win32Environment env(FmxHook, gModule);
  return formix::hook::setHook(env, gShared);
}

int RemoveHook() {
  Win32Environment env(FmxHook, gModule);
  return formix::hook::removeHook(env, gShared);
}

void M_Mode0() { formix::hook::setMouseMode(gShared, 0); }
void M_Mode1() { formix::hook::setMouseMode(gShared, 1); }
void M_Mode2() { formix::hook::setMouseMode(gShared, 2); }
void M_Mode3() { formix::hook::setMouseMode(gShared, 3); }
void M_Mode4() { formix::hook::setMouseMode(gShared, 4); }
void K_Mode0() { formix::hook::setKeyMode(gShared, 0); }
void K_Mode1() { formix::hook::setKeyMode(gShared, 1); }
void K_Mode2() { formix::hook::setKeyMode(gShared, 2); }

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) gModule = instance;
  return TRUE;
}

}  // extern "C"

/* libfmxhook.so, the hook library on X11: what callers see.
 *
 * The main program loads the library by name and calls the exports below; they have C linkage.
 * SetHook starts a thread with its own X connection that grabs the trigger gestures on the root
 * window and reports each trigger to the top-level window titled "Formix " as a _FORMIX_HOOK
 * client message (data32: 0x202, the trigger code as the x, 0 as the y, then the report key, low
 * half first). The modes live in POSIX shared memory "/formix-hook-<uid>-<display>", so a mode set
 * by any process of the user on that display takes effect. */
#ifndef FORMIX_HOOK_X11_FMXHOOK_H
#define FORMIX_HOOK_X11_FMXHOOK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* One retrieved message, as FmxHook judges it: the X events the hook receives are turned into
 * these records (a right-button press is 0x204, the press of a Super key 1284, and so on). */
typedef struct FmxHookMessage {
  uint32_t message;   /* the message number; set to 0 when the message is swallowed */
  uint16_t state;     /* the X modifier state at the event: Ctrl is its ControlMask bit (4) */
  uint8_t otherGrab;  /* 1 when another client holds an active grab (stands for the capture window) */
  uint8_t reserved;
  uint32_t time;      /* the X server time of the event, passed on with the activation request */
} FmxHookMessage;

/* Judges the record that lParam points to by the hook's rules (when code >= 0): a trigger is
 * swallowed (message set to 0) and reported to "Formix " exactly as a grabbed gesture would be.
 * Looking up the main window needs the connection that SetHook opened in this process; without
 * it every message passes. wParam is not looked at. Returns 0: X11 has no chain of hooks. */
intptr_t FmxHook(int code, uintptr_t wParam, intptr_t lParam);

/* Starts watching the display in this process (grabs follow the modes from then on): 0 when
 * running, -1 when the display cannot be opened. A second call while running returns 0. */
int32_t SetHook(void);
/* Releases every grab, stops the thread and closes its connection: 0, or -1 when this process
 * was not watching. */
int32_t RemoveHook(void);

/* The random value that every report of this process carries: the main program accepts a
 * _FORMIX_HOOK message only with it, since any client of the display can send one. */
uint64_t FmxHookReportKey(void);

void M_Mode0(void); /* no mouse trigger */
void M_Mode1(void); /* middle button */
void M_Mode2(void); /* Ctrl + middle button */
void M_Mode3(void); /* right button */
void M_Mode4(void); /* Ctrl + right button */
void K_Mode0(void); /* the Super keys keep their usual effect */
void K_Mode1(void); /* a Super key reports 1000 */
void K_Mode2(void); /* a Super key reports 2000 */

#ifdef __cplusplus
}
#endif

#endif

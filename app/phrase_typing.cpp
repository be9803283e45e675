// Typing a phrase: expand its content, bring the target window to the front, wait, paste through
// the clipboard with Ctrl+V, then the chosen added key.
#include "app/main_window.h"
#include "phrases/phrase_pages.h"

namespace formix::app {
namespace {

constexpr uint8_t kVkTab = 0x09, kVkReturn = 0x0D, kVkControl = 0x11, kVkV = 0x56;
constexpr int kDefaultWait = 50;

}  // namespace

void FrmMain::cmd_Click(int index) { TypePhrase(index); }

void FrmMain::TypePhrase(int index) {
  // The date and time are taken here, before the target is looked up. A "%O" phrase opens its
  // target and types nothing.
  std::u16string text;
  step([&] {
    const platform::LocalDateTime t = desktop_.clock.now();
    phrases::Expansion expansion =
        phrases::ExpandPhrase(txtCNT(index).text(), {t.year, t.month, t.day, t.hour, t.minute, t.second});
    if (expansion.openTarget) OpenTarget(desktop_, hWnd, *expansion.openTarget);
    text = std::move(expansion.text);
  });
  if (text.empty()) return;

  platform::WindowHandle target = 0;
  step([&] { target = lGetNextWindowHandle(); });
  if (target == 0) return;
  step([&] { desktop_.windows.setForegroundWindow(target); });

  // Wait for the one-shot timer with the message loop running. Every waiting sequence shares
  // bWaiting, so one tick releases them all and the innermost pastes first. A wait that is not
  // positive would never start the timer: it waits the default instead.
  bWaiting = true;
  step([&] {
    const int wait = iWait > 0 ? iWait : kDefaultWait;
    desktop_.events.setTimer(wait, [this] { tm_Timer(); });
    tm.setInterval(wait);
  });
  while (bWaiting && tm.interval() > 0 && running_) desktop_.events.doEvents();
  // An event handled meanwhile may have closed the program: nothing runs after that.
  if (!running_) throw ProgramEnded{};
  const auto pump = [&] {
    step([&] { desktop_.events.doEvents(); });
    if (!running_) throw ProgramEnded{};
  };

  step([&] { desktop_.clipboard.clear(); });
  step([&] { desktop_.clipboard.setText(text); });
  step([&] { desktop_.keyboard.keyEvent(kVkControl, 0); });
  step([&] { desktop_.keyboard.keyEvent(kVkV, 0); });
  step([&] { desktop_.keyboard.keyEvent(kVkV, platform::Keyboard::kKeyUp); });
  step([&] { desktop_.keyboard.keyEvent(kVkControl, platform::Keyboard::kKeyUp); });
  pump();
  for (const auto& added : {std::pair{1, kVkTab}, std::pair{2, kVkReturn}}) {
    if (optKEY(added.first).value() == 0) continue;
    step([&] { desktop_.keyboard.keyEvent(added.second, 0); });
    step([&] { desktop_.keyboard.keyEvent(added.second, platform::Keyboard::kKeyUp); });
    pump();
  }
}

void FrmMain::tm_Timer() {
  bWaiting = false;
  step([&] { tm.setInterval(0); });
  step([&] { desktop_.events.setTimer(0, nullptr); });
}

}  // namespace formix::app

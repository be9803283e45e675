// Typing a phrase: expand its content, bring the target window to the front, wait, paste through
// the clipboard with the program's paste key (Ctrl+V for most), then the chosen added key once
// the program has fetched the text.
#include <algorithm>

#include "app/main_window.h"
#include "phrases/phrase_pages.h"

namespace formix::app {
namespace {

using ports::Key;
using ports::KeyAction;

constexpr int kDefaultWait = 50;
// How long the added key waits for a program to fetch the pasted text. A program that asks at
// all asks within a few milliseconds; one that never asks gets the key after this.
constexpr int kPasteFetchBound = 500;

}  // namespace

void FrmMain::cmd_Click(int index) { TypePhrase(index); }

void FrmMain::TypePhrase(int index) {
  // The date and time are taken here, before the target is looked up. A "%O" phrase opens its
  // target and types nothing.
  std::u16string text;
  step([&] {
    const ports::LocalDateTime t = desktop_.clock.now();
    phrases::Expansion expansion =
        phrases::ExpandPhrase(phraseOf(index), {t.year, t.month, t.day, t.hour, t.minute, t.second});
    if (expansion.openTarget) OpenTarget(desktop_, hWnd, *expansion.openTarget);
    text = std::move(expansion.text);
  });
  if (text.empty()) return;

  ports::WindowHandle target = 0;
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

  // The paste key: the user's own for this program, else the desktop's (Ctrl+V for most).
  std::vector<Key> keys{Key::Control, Key::V};
  step([&] {
    const std::vector<Key>* own = findPasteKeys(loaded_.pasteKeys, desktop_.keyboard.programNames(target));
    keys = own != nullptr ? *own : desktop_.keyboard.pasteKeys(target);
  });
  step([&] { desktop_.clipboard.clear(); });
  step([&] { desktop_.clipboard.setText(text); });
  // Shift+Insert pastes the selection in some programs, the clipboard in others: both hold the text.
  if (std::find(keys.begin(), keys.end(), Key::Insert) != keys.end()) {
    step([&] { desktop_.clipboard.setSelectionText(text); });
  }
  step([&] { desktop_.clipboard.watchPaste(target); });
  for (const Key key : keys) step([&] { desktop_.keyboard.keyEvent(key, KeyAction::Press); });
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
    step([&] { desktop_.keyboard.keyEvent(*key, KeyAction::Release); });
  }
  pump();
  // Many programs handle the keys that follow a paste key while they still fetch the text: the
  // added key waits until the text has been handed over (or nobody asked for it in time). The
  // bar keeps running meanwhile.
  if (optKEY(1).value() != 0 || optKEY(2).value() != 0) {
    step([&] {
      desktop_.events.runEventsUntil([&] { return !running_ || desktop_.clipboard.pasteFetched(); }, kPasteFetchBound);
    });
    if (!running_) throw ProgramEnded{};
  }
  for (const auto& added : {std::pair{1, Key::Tab}, std::pair{2, Key::Enter}}) {
    if (optKEY(added.first).value() == 0) continue;
    step([&] { desktop_.keyboard.keyEvent(added.second, KeyAction::Press); });
    step([&] { desktop_.keyboard.keyEvent(added.second, KeyAction::Release); });
    pump();
  }
}

void FrmMain::tm_Timer() {
  bWaiting = false;
  step([&] { tm.setInterval(0); });
  step([&] { desktop_.events.setTimer(0, nullptr); });
}

}  // namespace formix::app

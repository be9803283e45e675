#include "platform/simulated/simulated_fact_browsers.h"

namespace formix::platform {
namespace {

// What a person sees of a control: its text, its check, its selection.
bool sameState(const fill::ControlFacts& a, const fill::ControlFacts& b) {
  if (a.value != b.value || a.checked != b.checked || a.options.size() != b.options.size()) return false;
  for (size_t k = 0; k < a.options.size(); ++k) {
    if (a.options[k].selected != b.options[k].selected) return false;
  }
  return true;
}

}  // namespace

void SimulatedFactBrowsers::showPage(ports::WindowHandle window, fill::PageFacts page) {
  tabs_[window] = Tab{std::move(page), false, {}};
}

const fill::PageFacts* SimulatedFactBrowsers::page(ports::WindowHandle window) const {
  const auto it = tabs_.find(window);
  return it == tabs_.end() ? nullptr : &it->second.page;
}

fill::ControlFacts* SimulatedFactBrowsers::control(Tab& tab, int64_t frame, int control, int64_t* frameOut, size_t* index) {
  for (fill::FrameFacts& f : tab.page.frames) {
    if (f.frame != frame) continue;
    for (size_t k = 0; k < f.controls.size(); ++k) {
      if (f.controls[k].control != control) continue;
      if (frameOut) *frameOut = frame;
      if (index) *index = k;
      return &f.controls[k];
    }
  }
  return nullptr;
}

bool SimulatedFactBrowsers::edit(ports::WindowHandle window, int64_t frame, int control, std::u16string value) {
  const auto it = tabs_.find(window);
  fill::ControlFacts* c = it == tabs_.end() ? nullptr : this->control(it->second, frame, control);
  if (c == nullptr) return false;
  c->value = std::move(value);
  c->userEdited = true;
  return true;
}

std::vector<ports::WindowHandle> SimulatedFactBrowsers::browserWindows() {
  std::vector<ports::WindowHandle> windows;
  for (const auto& [window, tab] : tabs_) windows.push_back(window);
  return windows;
}

std::optional<fill::PageFacts> SimulatedFactBrowsers::pageFacts(ports::WindowHandle browser) {
  const auto it = tabs_.find(browser);
  if (it == tabs_.end()) return std::nullopt;
  log_("browser " + std::to_string(browser) + " collect");
  it->second.read = true;
  return it->second.page;
}

std::optional<int> SimulatedFactBrowsers::applyFills(ports::WindowHandle browser, const std::vector<fill::ControlFill>& fills) {
  const auto it = tabs_.find(browser);
  if (it == tabs_.end() || !it->second.read) return std::nullopt;
  Tab& tab = it->second;
  tab.read = false;
  const fill::PageFacts before = tab.page;
  int applied = 0;
  for (const fill::ControlFill& f : fills) {
    int64_t frame = 0;
    size_t index = 0;
    fill::ControlFacts* c = control(tab, f.frame, f.control, &frame, &index);
    if (c == nullptr) continue;
    switch (f.kind) {
      case fill::ControlFill::Kind::Value: c->value = f.value; break;
      case fill::ControlFill::Kind::Checked:
        // A radio button clears the others of its group.
        if (c->type == u"radio") {
          for (fill::FrameFacts& fr : tab.page.frames) {
            if (fr.frame != frame) continue;
            for (fill::ControlFacts& other : fr.controls) {
              if (other.type == u"radio" && other.name == c->name && other.form == c->form) other.checked = false;
            }
          }
        }
        c->checked = true;
        break;
      case fill::ControlFill::Kind::Option:
        if (f.option < 0 || static_cast<size_t>(f.option) >= c->options.size()) continue;
        for (size_t k = 0; k < c->options.size(); ++k) c->options[k].selected = static_cast<int>(k) == f.option;
        break;
    }
    ++applied;
  }
  // A new fill replaces what the last one changed.
  tab.lastFill.clear();
  for (size_t f = 0; f < before.frames.size(); ++f) {
    for (size_t k = 0; k < before.frames[f].controls.size(); ++k) {
      const fill::ControlFacts& now = tab.page.frames[f].controls[k];
      if (!sameState(before.frames[f].controls[k], now)) {
        tab.lastFill.push_back({before.frames[f].frame, k, before.frames[f].controls[k], now});
      }
    }
  }
  log_("browser " + std::to_string(browser) + " fill " + std::to_string(applied));
  return applied;
}

std::optional<int> SimulatedFactBrowsers::undoLastFill(ports::WindowHandle browser) {
  const auto it = tabs_.find(browser);
  if (it == tabs_.end()) return std::nullopt;
  Tab& tab = it->second;
  int applied = 0, skipped = 0;
  for (const Change& change : tab.lastFill) {
    fill::ControlFacts* c = nullptr;
    for (fill::FrameFacts& f : tab.page.frames) {
      if (f.frame == change.frame && change.index < f.controls.size()) c = &f.controls[change.index];
    }
    // A control edited since the fill keeps the edit.
    if (c == nullptr || !sameState(*c, change.after)) {
      ++skipped;
      continue;
    }
    *c = change.before;
    ++applied;
  }
  tab.lastFill.clear();
  log_("browser " + std::to_string(browser) + " undo " + std::to_string(applied) + " skipped " + std::to_string(skipped));
  return applied;
}

}  // namespace formix::platform

#include "app/controls.h"

#include <algorithm>

#include "text/number.h"
#include "text/utf.h"

namespace formix::app {
namespace {

std::string numberText(double v) { return text::formatSingle(static_cast<float>(v)); }

}  // namespace

Control::Control(ControlEvents& events, ControlKind kind, std::string name, int index)
    : events_(events), kind_(kind), name_(std::move(name)), index_(index) {}

std::string Control::displayName() const {
  return index_ < 0 ? name_ : name_ + "(" + std::to_string(index_) + ")";
}

void Control::changed(std::string_view property) { events_.propertyChanged(*this, property); }

void Control::setCaption(std::u16string caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  changed("Caption");
}

void Control::setText(std::u16string text) {
  if (kind_ != ControlKind::TextBox && kind_ != ControlKind::ComboBox) throw StepError("no Text property");
  const bool differs = text_ != text;
  text_ = std::move(text);
  selStart_ = 0;
  selLength_ = 0;
  if (differs) changed("Text");
}

void Control::setToolTipText(std::u16string text) {
  if (toolTip_ == text) return;
  toolTip_ = std::move(text);
  changed("ToolTipText");
}

void Control::setEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  changed("Enabled");
}

void Control::setVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  changed("Visible");
}

void Control::setValue(int value) {
  if (kind_ == ControlKind::CheckBox) {
    if (value < 0 || value > 2) throw StepError("invalid check box value");
    if (value_ == value) return;
    value_ = value;
    changed("Value");
    events_.valueClicked(*this);
    return;
  }
  if (kind_ != ControlKind::OptionButton) throw StepError("no Value property");
  const int v = value != 0 ? 1 : 0;
  if (value_ == v) return;
  value_ = v;
  changed("Value");
  if (v == 1) {
    for (Control* other : group_) {
      if (other != this && other->value_ != 0) {
        other->value_ = 0;
        other->changed("Value");
      }
    }
    events_.valueClicked(*this);
  }
}

void Control::setChecked(bool checked) {
  if (kind_ != ControlKind::Menu) throw StepError("no Checked property");
  if (checked_ == checked) return;
  checked_ = checked;
  changed("Checked");
}

void Control::setLeft(double v) {
  if (left_ == v) return;
  left_ = v;
  changed("Left");
}

void Control::setTop(double v) {
  if (top_ == v) return;
  top_ = v;
  changed("Top");
}

void Control::setWidth(double v) {
  if (v < 0) throw StepError("invalid width");
  if (width_ == v) return;
  width_ = v;
  changed("Width");
}

void Control::setHeight(double v) {
  if (v < 0) throw StepError("invalid height");
  if (height_ == v) return;
  height_ = v;
  changed("Height");
}

void Control::setBounds(double left, double top, double width, double height) {
  setLeft(left);
  setTop(top);
  setWidth(width);
  setHeight(height);
}

void Control::setSelStart(int v) {
  if (v < 0) throw StepError("invalid SelStart");
  selStart_ = std::min(v, static_cast<int>(text_.size()));
  selLength_ = 0;
  changed("SelStart");
}

void Control::setSelLength(int v) {
  if (v < 0) throw StepError("invalid SelLength");
  selLength_ = std::min(v, static_cast<int>(text_.size()) - selStart_);
  changed("SelLength");
}

void Control::addItem(std::u16string item) {
  if (kind_ != ControlKind::ComboBox) throw StepError("no list");
  list_.push_back(std::move(item));
  changed("ListCount");
}

void Control::setListIndex(int index) {
  if (kind_ != ControlKind::ComboBox) throw StepError("no list");
  if (index < -1 || index >= static_cast<int>(list_.size())) throw StepError("invalid ListIndex");
  listIndex_ = index;
  changed("ListIndex");
  if (index >= 0) setText(list_[index]);
}

void Control::setInterval(int ms) {
  if (ms < 0) throw StepError("invalid interval");
  if (interval_ == ms) return;
  interval_ = ms;
  changed("Interval");
}

bool Control::canTakeFocus() const {
  for (const Control* c = this; c != nullptr; c = c->container_) {
    if (!c->visible_ || !c->enabled_) return false;
  }
  switch (kind_) {
    case ControlKind::Label:
    case ControlKind::Frame:
    case ControlKind::Image:
    case ControlKind::Timer:
    case ControlKind::Menu:
      return false;
    default:
      return true;
  }
}

std::string Control::propertyText(std::string_view property) const {
  const auto boolean = [](bool b) { return std::string(b ? "true" : "false"); };
  if (property == "Name") return name_;
  if (property == "Index") return std::to_string(index_);
  if (property == "Caption") return text::toUtf8(caption_);
  if (property == "Text") return text::toUtf8(text_);
  if (property == "ToolTipText") return text::toUtf8(toolTip_);
  if (property == "Enabled") return boolean(enabled_);
  if (property == "Visible") return boolean(visible_);
  if (property == "Value" && kind_ == ControlKind::OptionButton) return boolean(value_ != 0);
  if (property == "Value" && kind_ == ControlKind::CheckBox) return std::to_string(value_);
  if (property == "Checked" && kind_ == ControlKind::Menu) return boolean(checked_);
  if (property == "Left") return numberText(left_);
  if (property == "Top") return numberText(top_);
  if (property == "Width") return numberText(width_);
  if (property == "Height") return numberText(height_);
  if (property == "SelStart") return std::to_string(selStart_);
  if (property == "SelLength") return std::to_string(selLength_);
  if (property == "MaxLength") return std::to_string(maxLength_);
  if (property == "ListIndex" && kind_ == ControlKind::ComboBox) return std::to_string(listIndex_);
  if (property == "ListCount" && kind_ == ControlKind::ComboBox) return std::to_string(list_.size());
  if (property == "Interval" && kind_ == ControlKind::Timer) return std::to_string(interval_);
  if (property == "Picture") return std::to_string(picture_);
  throw StepError(displayName() + " has no property " + std::string(property));
}

ControlArray::ControlArray(ControlEvents& events, ControlKind kind, std::string name, int count)
    : name_(std::move(name)) {
  for (int i = 0; i < count; ++i) items_.push_back(std::make_unique<Control>(events, kind, name_, i));
}

Control& ControlArray::operator()(int index) const {
  if (index < 0 || index >= count()) throw StepError(name_ + "(" + std::to_string(index) + ") does not exist");
  return *items_[index];
}

Control& ControlArray::atNumber(double index) const {
  const auto i = text::toInt16(index);
  if (!i) throw StepError(name_ + " index out of range");
  return (*this)(static_cast<int>(*i));
}

}  // namespace formix::app

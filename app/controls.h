// The controls of the main window as plain objects.
//
// A Control carries the properties the handlers read and write. Setting a property tells the
// form's ControlEvents (so a view or a test sees every change, and a check box's Click runs when
// its value changes, as on the original desktop). A property value the control refuses, a focus
// move to a control that cannot take it, or an index outside a control array throws StepError,
// which the continue-on-error rule of the long handlers catches.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace formix::app {

// One statement of a handler failed; the handler goes on with the next one.
class StepError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class ControlKind {
  Form, TextBox, ComboBox, CommandButton, CheckBox, OptionButton, Label, Frame, PictureBox, Image, Timer, Menu
};

class Control;

// What the form hears from its controls.
class ControlEvents {
 public:
  virtual ~ControlEvents() = default;
  virtual void propertyChanged(Control& control, std::string_view property) = 0;
  // A check box whose value changed, or an option button that became selected.
  virtual void valueClicked(Control& control) = 0;
};

class Control {
 public:
  Control(ControlEvents& events, ControlKind kind, std::string name, int index = -1);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  ControlKind kind() const { return kind_; }
  const std::string& name() const { return name_; }
  int index() const { return index_; }
  // "txtAUTO(3)" for an element of a control array, "cmdPOST" otherwise.
  std::string displayName() const;

  Control* container() const { return container_; }
  void setContainer(Control* container) { container_ = container; }

  const std::u16string& caption() const { return caption_; }
  void setCaption(std::u16string caption);
  // Text of a text box or combo box. Setting it puts the caret at 0 with nothing selected.
  const std::u16string& text() const { return text_; }
  void setText(std::u16string text);
  const std::u16string& toolTipText() const { return toolTip_; }
  void setToolTipText(std::u16string text);

  bool enabled() const { return enabled_; }
  void setEnabled(bool enabled);
  bool visible() const { return visible_; }
  void setVisible(bool visible);

  // Check box: 0 clear, 1 checked, 2 grayed (anything else is refused). Option button: 0 or 1,
  // setting 1 clears the other option buttons of the same container.
  int value() const { return value_; }
  void setValue(int value);
  // Menu item check mark.
  bool checked() const { return checked_; }
  void setChecked(bool checked);

  double left() const { return left_; }
  double top() const { return top_; }
  double width() const { return width_; }
  double height() const { return height_; }
  void setLeft(double v);
  void setTop(double v);
  void setWidth(double v);
  void setHeight(double v);
  void setBounds(double left, double top, double width, double height);

  int selStart() const { return selStart_; }
  int selLength() const { return selLength_; }
  void setSelStart(int v);
  void setSelLength(int v);
  int maxLength() const { return maxLength_; }
  void setMaxLength(int v) { maxLength_ = v; }

  // Combo box list.
  const std::vector<std::u16string>& list() const { return list_; }
  void addItem(std::u16string item);
  int listIndex() const { return listIndex_; }
  void setListIndex(int index);

  // Timer interval in milliseconds (0: idle).
  int interval() const { return interval_; }
  void setInterval(int ms);
  // Picture handle of an image.
  uint32_t picture() const { return picture_; }
  void setPicture(uint32_t handle) { picture_ = handle; }

  // Whether the control and every container up to the form are visible and enabled.
  bool canTakeFocus() const;

  // The property by its name, as text ("Text", "Caption", "Value", ...), for scripts and views.
  // Texts as they are, numbers in decimal, booleans as "true"/"false". StepError for a property
  // this kind of control does not have.
  std::string propertyText(std::string_view property) const;

  // Siblings of an option button group (set by the form).
  void setGroup(std::vector<Control*> group) { group_ = std::move(group); }

 private:
  void changed(std::string_view property);

  ControlEvents& events_;
  ControlKind kind_;
  std::string name_;
  int index_;
  Control* container_ = nullptr;
  std::u16string caption_, text_, toolTip_;
  bool enabled_ = true, visible_ = true, checked_ = false;
  int value_ = 0;
  double left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int selStart_ = 0, selLength_ = 0, maxLength_ = 0;
  std::vector<std::u16string> list_;
  int listIndex_ = -1;
  int interval_ = 0;
  uint32_t picture_ = 0;
  std::vector<Control*> group_;
};

// A control array: elements addressed by index, as txtAUTO(3).
class ControlArray {
 public:
  ControlArray(ControlEvents& events, ControlKind kind, std::string name, int count);

  // The element with this index; StepError when there is none.
  Control& operator()(int index) const;
  // Index given as a number read from outside (rounded half to even, as an index expression is).
  Control& atNumber(double index) const;
  int count() const { return static_cast<int>(items_.size()); }
  const std::string& name() const { return name_; }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::string name_;
  std::vector<std::unique_ptr<Control>> items_;
};

}  // namespace formix::app

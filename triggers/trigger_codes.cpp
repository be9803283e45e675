#include "triggers/trigger_codes.h"

#include "triggers/codes.h"

namespace formix::triggers {

Trigger triggerOfCode(std::int32_t code) {
  if (code == kMenuCode) return Trigger::PopupMenu;
  if (code == kFillCode) return Trigger::WholeFormFill;
  return Trigger::None;
}

Trigger triggerOf(double x, double y, double twipsPerPixel) {
  if (y != 0) return Trigger::None;
  const auto at = static_cast<float>(x);
  const auto twips = static_cast<float>(twipsPerPixel);
  if (at == kMenuCode * twips) return Trigger::PopupMenu;
  if (at == kFillCode * twips) return Trigger::WholeFormFill;
  return Trigger::None;
}

}  // namespace formix::triggers

#include "sim/UvErase.h"

namespace quill {

void UvErase::start() {
  progress_ = 0;
  erased_ = false;
  text_ = "The floating gates are being erased. Please wait.";
  timer_.start(kIntervalMs, [this] { tick(); });
}

void UvErase::tick() {
  if (progress_ < kTicks) ++progress_;
  if (progress_ >= kTicks) {
    timer_.stop();
    erase();
    text_ = "Floating gates erased.";
  }
  if (onChange) onChange();
}

void UvErase::ok() {
  timer_.stop();
  erase();
}

void UvErase::erase() {
  bool changed = false;
  for (int i = 1; i <= db_.boxCount(); ++i) {
    const LayoutBox& b = static_cast<const LayoutDatabase&>(db_).box(i);
    if (b.state != 0 && b.layer == kPoly2 && b.value != 0) {
      db_.box(i).value = 0;
      changed = true;
    }
  }
  // the charges are part of the layout: saving must not lose the erase
  if (changed) db_.modified = true;
  erased_ = true;
  if (onChange) onChange();
}

}  // namespace quill

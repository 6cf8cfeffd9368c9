#include "engine/ui/number_display.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "platform/gbk.h"

namespace engine {
namespace {

// Longest unit text kept, in bytes.
constexpr size_t kMaxUnit = 16;

int32_t Saturate(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

void NumberDisplay::LoadDigits(const char* image_name, int32_t digit_count) {
  AddGlyphs("0123456789", image_name);
  digit_count_ = std::clamp(digit_count, 1, kMaxDigits);
  Redraw();
}

void NumberDisplay::SetUnit(const char* text, const PictureInfo* picture) {
  unit_ = text != nullptr ? text : "";
  if (unit_.size() > kMaxUnit) {
    const size_t whole = unit_.size();
    unit_.resize(platform::GbkPrefixLength(unit_, kMaxUnit));
    WriteGameLog("NumberDisplay::SetUnit: unit of %zu bytes cut to %zu", whole, unit_.size());
  }
  if (picture != nullptr && picture->record != nullptr) {
    int32_t frame = 0;
    for (size_t i = 0; i < unit_.size(); ++frame) {
      const bool pair = platform::IsDBCSLeadByte(static_cast<uint8_t>(unit_[i])) && i + 1 < unit_.size();
      const std::string character = unit_.substr(i, pair ? 2 : 1);
      i += character.size();
      if (frame >= static_cast<int32_t>(picture->record->frame_count)) break;
      PictureInfo info = *picture;
      info.frame = frame;
      AddGlyphPicture(character.c_str(), &info);
    }
  }
  Redraw();
}

std::string NumberDisplay::FormatValue(int32_t value) const {
  const int64_t wide = value;
  std::string digits = std::to_string(wide < 0 ? -wide : wide);
  if (digits.size() < static_cast<size_t>(digit_count_)) digits.insert(0, digit_count_ - digits.size(), '0');
  return (value < 0 ? "-" : "") + digits + unit_;
}

void NumberDisplay::Redraw() { SetText(FormatValue(value_).c_str()); }

void NumberDisplay::SetValue(int32_t value) {
  StopRoll();
  value_ = value;
  Redraw();
}

void NumberDisplay::AddValue(int32_t n) {
  value_ = Saturate(int64_t{value_} + n);
  Redraw();
}

void NumberDisplay::DrawNumberText(CanvasObject* canvas, double x, double y, const char* text, int32_t align) {
  if (canvas == nullptr || text == nullptr) return;
  auto left = static_cast<int32_t>(x);
  auto top = static_cast<int32_t>(y);
  if (align != 1) {
    int32_t width = 0;
    int32_t height = 0;
    MeasureGlyphs(text, &width, &height);
    left -= width / 2;
    top -= height / 2;
  }
  DrawGlyphs(canvas, left, top, text);
}

void NumberDisplay::StopRoll() {
  if (roll_action_ != 0) CancelAction(roll_action_);
  roll_action_ = 0;
  ++roll_serial_;
}

void NumberDisplay::RollTo(int32_t target, int32_t step) {
  StopRoll();
  roll_target_ = target;
  // Step 0 would never arrive: it counts by one.
  const int64_t magnitude = std::llabs(int64_t{step});
  roll_step_ = magnitude == 0 ? 1 : Saturate(magnitude);
  const int64_t distance = std::llabs(int64_t{target} - value_);
  if (distance == 0) {
    Redraw();
    return;
  }
  const int64_t steps = (distance + roll_step_ - 1) / roll_step_;
  const ObjectMessage tick = MakeMessage(GetKey(), msg::kRollStep, roll_serial_, 0);
  roll_action_ = RepeatMessage(kRollInterval, Saturate(steps), &tick);
  if (roll_action_ == 0) {
    // No timed actions here (not in a scene): show the end at once.
    value_ = target;
    Redraw();
  }
}

void NumberDisplay::RollStep() {
  const int64_t distance = int64_t{roll_target_} - value_;
  if (std::llabs(distance) <= roll_step_) {
    value_ = roll_target_;
    roll_action_ = 0;  // the action ends with this step
    ++roll_serial_;
  } else {
    value_ = Saturate(value_ + (distance > 0 ? roll_step_ : -int64_t{roll_step_}));
  }
  Redraw();
}

int NumberDisplay::OnMessage(const ObjectMessage* message) {
  if (message != nullptr && message->id == msg::kRollStep && message->target == GetKey()) {
    // Steps of a roll that was stopped or replaced (still queued in this turn) change nothing.
    if (roll_action_ != 0 && message->p1 == roll_serial_) RollStep();
    return 1;
  }
  return DigitStrip::OnMessage(message);
}

}  // namespace engine

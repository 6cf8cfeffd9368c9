// A number drawn with digit pictures, followed by a unit (the clock, card counts, scores, ranks).
// Digits are frames 0-9 of the digit picture; the value shows with at least the display's digit
// count, padded with leading zeros ("-" and "+" show only when the game loaded glyphs for them);
// the unit text follows the digits, drawn with the unit picture.
//
// Rolling: RollTo counts the shown value towards a target by a step (0 counts by 1) on the
// engine's timed actions, one step every kRollInterval ms, and ends exactly on the target; a new
// roll or StopRoll ends the one running. The display posts itself msg::kRollStep for each step.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ui/digit_strip.h"

namespace engine {

class CanvasObject;

class NumberDisplay : public DigitStrip {
 public:
  static constexpr uint32_t kRollInterval = 60;
  // Most digits a display pads to.
  static constexpr int32_t kMaxDigits = 10;

  NumberDisplay() = default;
  ~NumberDisplay() override = default;

  int OnMessage(const ObjectMessage* message) override;

  // The digit picture (frames 0-9 are "0" to "9") and the least number of digits shown.
  virtual void LoadDigits(const char* image_name, int32_t digit_count);
  // The unit written after the number, drawn with the picture (its characters take the
  // picture's frames in order); an empty text removes the unit.
  virtual void SetUnit(const char* text, const PictureInfo* picture);
  virtual int32_t GetValue() const { return value_; }
  // Shows the value (stopping a roll in progress).
  virtual void SetValue(int32_t value);
  // Adds n (it may pass through zero to below it) and redraws.
  virtual void AddValue(int32_t n);
  // Writes a text of digits and unit characters into another canvas, (x, y) being the text's
  // top-left corner with align 1 and its centre with align 0.
  virtual void DrawNumberText(CanvasObject* canvas, double x, double y, const char* text, int32_t align);
  // Counts the shown value to target by step per tick; step 0 counts by 1.
  virtual void RollTo(int32_t target, int32_t step);
  virtual void StopRoll();

  bool IsRolling() const { return roll_action_ != 0; }
  int32_t GetRollTarget() const { return roll_target_; }
  int32_t GetDigitCount() const { return digit_count_; }
  const std::string& GetUnit() const { return unit_; }
  // The text the value shows as.
  std::string FormatValue(int32_t value) const;

 private:
  void Redraw();
  void RollStep();

  int32_t value_ = 0;
  int32_t digit_count_ = 1;
  std::string unit_;
  int32_t roll_target_ = 0;
  int32_t roll_step_ = 1;
  uint64_t roll_action_ = 0;
  uint32_t roll_serial_ = 0;  // names the running roll in its step messages
};

}  // namespace engine

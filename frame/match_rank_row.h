// One row of the match ranking: an inline object of the ranking list, drawn as a strip of the
// picture "MatchListBlock" with the rank, the name and the score (or "出局" for a player who is
// out). Its kind picks the strip's frame: 1 and 2 alternate for rows that qualify, 3 and 4 for the
// others, 5 is the first row (frame 1, bold text). A highlighted row takes frame 0.
//
// Setup subscribes the row's pointer events as messages to its owner (the list), p1 being the
// row: left button down 1052, right button down 1053, pointer entered 1058, pointer left 1059.
// The list sends it 1050 (p1 = the list's text width) when it is wider than the list.
#pragma once

#include <cstdint>
#include <string>

#include "engine/ui/inline_object.h"
#include "frame/match_ranking.h"

namespace engine {
class CanvasObject;
}  // namespace engine

namespace frame {

class MatchRankRow : public engine::InlineObject {
 public:
  static constexpr const char* kBlockPicture = "MatchListBlock";
  static constexpr int32_t kHeadKind = 5;
  static constexpr engine::COLORREF kTextColour = 0x415928;
  static constexpr engine::COLORREF kHighlightTextColour = 0x407382;
  static constexpr int32_t kFontSize = 12;
  static constexpr int32_t kWeight = 400;
  static constexpr int32_t kHeadWeight = 700;
  static constexpr const char* kOutText = "出局";

  MatchRankRow() = default;
  ~MatchRankRow() override = default;

  // 1050: the row takes the width in p1 and redraws; the rest goes to the inline object.
  int OnMessage(const engine::ObjectMessage* message) override;

  // Makes the row's canvas (width x height), subscribes its pointer events to messages for
  // owner_key, copies the record (a null record leaves a zeroed one) and draws. The row must be in
  // a scene; a size below 1 makes no canvas.
  virtual void Setup(uint32_t owner_key, int32_t width, int32_t height, const MatchRankRecord* record, int32_t kind);
  virtual void Draw();
  virtual void SetHighlight(int32_t on);
  virtual std::string GetName() const;
  virtual uint32_t GetUserId() const;

  // A new width for the row and its canvas (the height stays); redraws.
  void SetRowWidth(int32_t width);
  int32_t GetRowKind() const { return kind_; }
  int32_t IsHighlighted() const { return highlight_; }
  const MatchRankRecord& GetRecord() const { return record_; }
  engine::CanvasObject* GetCanvas() const { return canvas_; }
  // The strip's frame for the row's kind and highlight.
  int32_t BlockFrame() const;
  // The third text: the score, or "出局".
  std::string ScoreText() const;

 private:
  MatchRankRecord record_{};
  int32_t kind_ = 1;
  int32_t highlight_ = 0;
  engine::CanvasObject* canvas_ = nullptr;
};

}  // namespace frame

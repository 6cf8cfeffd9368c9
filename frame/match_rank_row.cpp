#include "frame/match_rank_row.h"

#include <algorithm>
#include <cstdio>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_events.h"
#include "engine/core/engine_log.h"
#include "engine/ui/font_record.h"
#include "engine/ui/rich_text_box.h"
#include "engine/ui/text_markup.h"
#include "frame/match_player_list.h"

namespace frame {

using engine::CanvasObject;
using engine::ObjectMessage;

int MatchRankRow::OnMessage(const ObjectMessage* message) {
  if (message != nullptr && message->id == engine::rich_text::kMsgObjectTooWide) {
    SetRowWidth(static_cast<int32_t>(std::min<uintptr_t>(message->p1, CanvasObject::kMaxSide)));
    return 1;
  }
  return InlineObject::OnMessage(message);
}

void MatchRankRow::Setup(uint32_t owner_key, int32_t width, int32_t height, const MatchRankRecord* record,
                         int32_t kind) {
  if (!IsRegistered()) {
    engine::WriteGameLog("MatchRankRow::Setup: the row is not in a scene");
    return;
  }
  if (width < 1 || height < 1 || width > CanvasObject::kMaxSide || height > CanvasObject::kMaxSide) {
    engine::WriteGameLog("MatchRankRow::Setup: no row of %d x %d", width, height);
    return;
  }
  if (canvas_ == nullptr) {
    canvas_ = CreateCanvas(width, height, engine::kColourKey);
    if (canvas_ == nullptr) return;
    canvas_->SetDepth(EngineObject::GetDepth());
    SetSkin(canvas_, engine::link_flag::kFollowAll);
  } else {
    canvas_->ResizeSurface(width, height);
    canvas_->SetSize(width, height);
  }
  canvas_->SetTextColour(0, 1.0);

  const uintptr_t self = reinterpret_cast<uintptr_t>(this);
  SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_DOWN, owner_key, MatchPlayerList::kRowLeftDown, self, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_RBUTTON_DOWN, owner_key, MatchPlayerList::kRowRightDown, self, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_ENTER, owner_key, MatchPlayerList::kRowEntered, self, 0);
  SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_LEAVE, owner_key, MatchPlayerList::kRowLeft, self, 0);

  record_ = record != nullptr ? *record : MatchRankRecord{};
  kind_ = kind;
  Draw();
}

int32_t MatchRankRow::BlockFrame() const {
  if (highlight_ != 0) return 0;
  if (kind_ == kHeadKind) return 1;
  return std::clamp(kind_, 1, 4);
}

std::string MatchRankRow::ScoreText() const {
  if (!record_.ShowsScore()) return kOutText;
  char text[16];
  std::snprintf(text, sizeof text, "%d", record_.Score());
  return text;
}

void MatchRankRow::Draw() {
  if (canvas_ == nullptr) return;
  canvas_->Clear();
  const engine::PictureInfo block = GetPictureInfo(kBlockPicture, BlockFrame());
  canvas_->DrawImage(&block, 0, 0, -1, -1, 0.0, 1.0);
  canvas_->SetTextColour(highlight_ != 0 ? kHighlightTextColour : kTextColour, 1.0);
  canvas_->SetFont(kFontSize, kind_ == kHeadKind ? kHeadWeight : kWeight, engine::kDefaultFaceName);

  const int32_t w = canvas_->GetSurfaceWidth();
  const int32_t h = canvas_->GetSurfaceHeight();
  char rank[16];
  std::snprintf(rank, sizeof rank, "%d", record_.Rank());
  canvas_->DrawTextCentred(w / 8, h / 2, rank);
  canvas_->DrawTextCentred(w / 2, h / 2, engine::InertCanvasText(record_.Name()).c_str());
  canvas_->DrawTextCentred(7 * w / 8, h / 2, ScoreText().c_str());
  canvas_->Invalidate();
}

void MatchRankRow::SetHighlight(int32_t on) {
  highlight_ = on;
  Draw();
}

std::string MatchRankRow::GetName() const { return record_.Name(); }

uint32_t MatchRankRow::GetUserId() const { return record_.UserId(); }

void MatchRankRow::SetRowWidth(int32_t width) {
  if (canvas_ == nullptr || width < 1) return;
  const int32_t height = canvas_->GetSurfaceHeight();
  canvas_->ResizeSurface(width, height);
  canvas_->SetSize(width, height);
  Draw();
}

}  // namespace frame

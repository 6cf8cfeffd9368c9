#include "frame/emoticon_picker.h"

#include <algorithm>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_events.h"
#include "engine/core/engine_log.h"
#include "engine/core/input_module.h"
#include "engine/core/sprite_object.h"
#include "engine/ui/font_record.h"
#include "engine/ui/image_button.h"

namespace frame {
namespace {

using engine::CanvasObject;
using engine::EngineObject;
using engine::ImageButton;
using engine::ObjectMessage;
using engine::PictureInfo;

namespace link_flag = engine::link_flag;

// The grid's paper.
constexpr engine::COLORREF kGridFill = 0xFFFFFF;
constexpr engine::COLORREF kFrameColour = 0x000000;
constexpr double kDepthHoverFrameAtStart = 0.001;
// The paging buttons move, show and hide with the grid (and follow all else but its scale).
constexpr uint32_t kButtonLinks = link_flag::kFollowAllButScale;
// The hover frame moves with the grid but neither shows nor hides with it.
constexpr uint32_t kHoverFrameLinks = kButtonLinks & ~(link_flag::kAlwaysShow | link_flag::kAlwaysHide);
static_assert(kHoverFrameLinks == 0x3C0AB);
// The preview moves and hides with the grid; its animation moves, shows and hides with it.
constexpr uint32_t kPreviewLinks = kButtonLinks & ~link_flag::kAlwaysShow;
static_assert(kPreviewLinks == 0x13C0AB);
constexpr uint32_t kPreviewAnimationLinks = kButtonLinks;
constexpr int32_t kPreviewTextSize = 12;
constexpr int32_t kPreviewTextWeight = 400;
constexpr int32_t kPreviewTextInset = 2;

}  // namespace

ImageButton* EmoticonPicker::MakePageButton(const char* picture, uint32_t message) {
  ImageButton* button =
      engine::MakeImageButton(this, GetPictureInfo(picture, 0), engine::MakeMessage(GetKey(), message, 0, 0));
  if (button == nullptr) return nullptr;
  button->SetDepth(grid_->GetDepth() + kDepthButtons);
  if (engine::SpriteObject* sprite = button->GetSprite()) sprite->ClearFlags(engine::object_flag::kPixelHitTest);
  grid_->AddChild(button, kButtonLinks);
  return button;
}

void EmoticonPicker::Create(int32_t columns, int32_t rows, int32_t icon_size, int32_t margin) {
  if (columns <= 0 || rows <= 0) return;
  if (grid_ != nullptr) {
    engine::WriteGameLog("EmoticonPicker::Create: the picker is built already");
    return;
  }
  const int64_t cell = int64_t{icon_size} + 2 * int64_t{margin};
  if (icon_size < 0 || margin < 0 || cell <= 0 || columns * cell > CanvasObject::kMaxSide ||
      rows * cell > CanvasObject::kMaxSide) {
    engine::WriteGameLog("EmoticonPicker::Create: a grid of %d x %d cells of %lld pixels refused", columns, rows,
                         static_cast<long long>(cell));
    return;
  }
  if (!IsRegistered()) {
    engine::WriteGameLog("EmoticonPicker::Create: the picker is not in a scene");
    return;
  }
  const auto side = static_cast<int32_t>(cell);
  grid_ = CreateCanvas(columns * side, rows * side, kGridFill);
  if (grid_ == nullptr) return;
  grid_->MoveTo(EngineObject::GetX(), EngineObject::GetY());
  grid_->SetDepth(EngineObject::GetDepth());

  hover_frame_ = CreateCanvas(side, side, engine::kColourKey);
  if (hover_frame_ != nullptr) {
    hover_frame_->DrawBorder(kHoverColour, 1);
    hover_frame_->MoveTo(grid_->GetX(), grid_->GetY());
    hover_frame_->SetDepth(grid_->GetDepth() + kDepthHoverFrameAtStart);
    grid_->AddChild(hover_frame_, kHoverFrameLinks);
  }

  previous_button_ = MakePageButton("qzf向前翻页", kMsgPreviousPage);
  next_button_ = MakePageButton("qzf向后翻页", kMsgNextPage);

  SetSkin(grid_, link_flag::kFollowAll);
  // Above everything of the window: flag 0x40 and the top layer, on the grid and its parts.
  MoveToTopLayer();
  for (uint32_t event :
       {engine::QUILLARON_EVENT_MOUSE_MOVE, engine::QUILLARON_EVENT_MOUSE_ENTER, engine::QUILLARON_EVENT_MOUSE_LEAVE,
        engine::QUILLARON_EVENT_LBUTTON_DOWN, engine::QUILLARON_EVENT_RBUTTON_DOWN}) {
    SubscribeSelf(event);
  }

  columns_ = columns;
  rows_ = rows;
  icon_size_ = icon_size;
  margin_ = margin;
  if (GetIconsPerPage() < 1) {
    page_count_ = 0;
    Hide();
  }
}

void EmoticonPicker::AddEntry(const char* name, const char* code, int32_t number) {
  EmoticonEntry entry;
  entry.name = name != nullptr ? name : "";
  entry.code = code != nullptr ? code : "";
  entry.number = number;
  entry.index = static_cast<int32_t>(entries_.size());
  entries_.push_back(std::move(entry));
}

void EmoticonPicker::DrawPage() {
  const int32_t per_page = GetIconsPerPage();
  if (grid_ == nullptr || per_page < 1) return;
  const int32_t cell = GetCellSize();
  const int32_t width = columns_ * cell;
  const int32_t height = rows_ * cell;

  grid_->Clear();
  grid_->SetTextColour(kGridLineColour, 1.0);
  for (int32_t i = 1; i < columns_; ++i) grid_->DrawLine(i * cell, 0, i * cell, height);
  for (int32_t j = 1; j < rows_; ++j) grid_->DrawLine(0, j * cell, width, j * cell);

  page_count_ = static_cast<int32_t>(entries_.size() / static_cast<size_t>(per_page)) + 1;
  page_ = std::clamp(page_, 0, page_count_ - 1);

  const double left = GetLeft();
  const double top = GetTop();
  for (int32_t r = 0; r < rows_; ++r) {
    for (int32_t c = 0; c < columns_; ++c) {
      const int32_t k = r * columns_ + c;
      const double centre_x = left + c * cell + cell / 2 + margin_;
      const double centre_y = top + r * cell + cell / 2 + margin_;
      if (k < per_page) {
        const int64_t a = k + int64_t{per_page} * page_;
        if (a >= static_cast<int64_t>(entries_.size())) continue;
        const std::string picture = "qzfs" + entries_[static_cast<size_t>(a)].name;
        const PictureInfo info = GetPictureInfo(picture.c_str(), 0);
        grid_->DrawImage(&info, c * cell + margin_, r * cell + margin_, icon_size_, icon_size_, 0.0, 1.0);
      } else if (k == per_page && previous_button_ != nullptr) {
        previous_button_->MoveTo(centre_x, centre_y);
        previous_button_->SetEnabled(page_ != 0);
        previous_button_->Invalidate();
      } else if (k == per_page + 1 && next_button_ != nullptr) {
        next_button_->MoveTo(centre_x, centre_y);
        next_button_->SetEnabled(page_ != page_count_ - 1);
        next_button_->Invalidate();
      }
    }
  }
  grid_->DrawBorder(kFrameColour, 1);
  grid_->Invalidate();
}

void EmoticonPicker::SetGrid(int32_t columns, int32_t rows) {
  if (grid_ == nullptr) return;
  const int64_t cell = GetCellSize();
  if (columns <= 0 || rows <= 0 || columns * cell > CanvasObject::kMaxSide || rows * cell > CanvasObject::kMaxSide) {
    engine::WriteGameLog("EmoticonPicker::SetGrid: a grid of %d x %d cells refused", columns, rows);
    return;
  }
  const auto width = static_cast<int32_t>(columns * cell);
  const auto height = static_cast<int32_t>(rows * cell);
  grid_->ResizeSurface(width, height);
  grid_->Resize(width, height);
  EngineObject::SetSize(width, height);
  Invalidate();
  columns_ = columns;
  rows_ = rows;
  last_hovered_ = -1;
  if (GetIconsPerPage() < 1) {
    page_count_ = 0;
    Hide();
    return;
  }
  page_count_ = static_cast<int32_t>(entries_.size() / static_cast<size_t>(GetIconsPerPage())) + 1;
  page_ = 0;
  DrawPage();
}

int32_t EmoticonPicker::EntryAt(int32_t x, int32_t y, int32_t* column, int32_t* row) const {
  const int32_t per_page = GetIconsPerPage();
  const int32_t cell = GetCellSize();
  if (per_page < 1 || cell <= 0 || x < 0 || y < 0) return -1;
  const int32_t c = x / cell;
  const int32_t r = y / cell;
  // A point on the right or bottom border belongs to no cell (it would wrap into the next row).
  if (c >= columns_ || r >= rows_) return -1;
  if (column != nullptr) *column = c;
  if (row != nullptr) *row = r;
  const int32_t k = r * columns_ + c;
  if (k >= per_page) return -1;
  const int64_t a = k + int64_t{per_page} * page_;
  return a < static_cast<int64_t>(entries_.size()) ? static_cast<int32_t>(a) : -1;
}

void EmoticonPicker::OnHover(int32_t x, int32_t y) {
  const int32_t per_page = GetIconsPerPage();
  const int32_t cell = GetCellSize();
  if (grid_ == nullptr || per_page < 1) return;
  // Which cell of which page, whatever it holds; -1 off the grid.
  int32_t place = -1;
  if (x >= 0 && y >= 0 && x / cell < columns_ && y / cell < rows_) {
    place = (y / cell) * columns_ + x / cell + per_page * page_;
  }
  if (place == last_hovered_) return;
  last_hovered_ = place;
  int32_t column = 0;
  int32_t row = 0;
  const int32_t entry = EntryAt(x, y, &column, &row);
  if (entry < 0) {
    HidePreview();
    return;
  }
  ShowPreview(entries_[static_cast<size_t>(entry)], column, row);
}

void EmoticonPicker::ShowPreview(const EmoticonEntry& entry, int32_t column, int32_t row) {
  const int32_t cell = GetCellSize();
  if (hover_frame_ != nullptr) {
    hover_frame_->MoveTo(GetLeft() + column * cell + cell / 2, GetTop() + row * cell + cell / 2);
    hover_frame_->SetDepth(grid_->GetDepth() + kDepthHoverFrame);
    hover_frame_->Show();
    hover_frame_->Invalidate();
  }

  const std::string animation = "qzf" + entry.name;
  const PictureInfo info = GetPictureInfo(animation.c_str(), 0);
  if (preview_canvas_ == nullptr) {
    preview_canvas_ = CreateCanvas(kPreviewSize, kPreviewSize, kGridFill);
    if (preview_canvas_ == nullptr) return;
    preview_canvas_->MoveTo(grid_->GetX(), grid_->GetY());
    preview_canvas_->SetDepth(grid_->GetDepth() + kDepthPreview);
    grid_->AddChild(preview_canvas_, kPreviewLinks);
    preview_animation_ = CreateSprite(&info);
    if (preview_animation_ != nullptr) {
      preview_animation_->SetDepth(grid_->GetDepth() + kDepthPreviewAnimation);
      preview_animation_->MoveTo(preview_canvas_->GetX(), preview_canvas_->GetY());
      preview_canvas_->AddChild(preview_animation_, kPreviewAnimationLinks);
    }
  } else if (preview_animation_ != nullptr) {
    preview_animation_->SetImage(&info, 0);
  }
  if (preview_animation_ != nullptr) {
    preview_animation_->Resize(kPreviewAnimationSize, kPreviewAnimationSize);
    preview_animation_->SetFrame(0);
  }

  preview_canvas_->Clear();
  preview_canvas_->SetFont(kPreviewTextSize, kPreviewTextWeight, engine::kDefaultFaceName);
  preview_canvas_->SetTextColour(kPreviewTextColour, 1.0);
  preview_canvas_->DrawText(kPreviewTextInset, kPreviewTextInset, entry.code.c_str());
  preview_canvas_->DrawBorder(kFrameColour, 1);

  // In a corner away from the pointer.
  double x = 0.0;
  double y = 0.0;
  if (columns_ < 3) {
    x = GetLeft() + cell;
    y = row < 2 ? GetBottom() - cell : GetTop() + cell;
  } else {
    x = column < 3 ? GetRight() - cell : GetLeft() + cell;
    y = GetTop() + cell;
  }
  preview_canvas_->MoveTo(x, y);
  preview_canvas_->Show();
  preview_canvas_->Invalidate();
  if (preview_animation_ != nullptr) {
    CancelObjectActions(preview_animation_->GetKey());
    AnimateSprite(preview_animation_, 0, 0xFFFFFFFF, 0, 0, nullptr);
    preview_animation_->Invalidate();
  }
}

void EmoticonPicker::HidePreview() {
  if (hover_frame_ != nullptr) {
    hover_frame_->Hide();
    hover_frame_->Invalidate();
  }
  if (preview_animation_ != nullptr) CancelObjectActions(preview_animation_->GetKey());
  if (preview_canvas_ != nullptr) {
    preview_canvas_->Hide();
    preview_canvas_->Invalidate();
  }
}

void EmoticonPicker::Pick(int32_t x, int32_t y, uint32_t message_id) {
  const int32_t entry = EntryAt(x, y, nullptr, nullptr);
  if (grid_ == nullptr || entry < 0) return;
  const EmoticonEntry& picked = entries_[static_cast<size_t>(entry)];
  if (EngineObject* panel = FindObjectByName("SubSystem")) {
    const ObjectMessage message = engine::MakeMessage(0, message_id, reinterpret_cast<uintptr_t>(picked.code.c_str()),
                                                      reinterpret_cast<uintptr_t>(&picked.index));
    panel->OnMessage(&message);
  }
  // Closed as by any other way: the frame, the preview and its animation go with the grid.
  Hide();
  Invalidate();
}

void EmoticonPicker::OnLeftClick(int32_t x, int32_t y) { Pick(x, y, kMsgPickEmoticon); }

void EmoticonPicker::OnRightClick(int32_t x, int32_t y) { Pick(x, y, kMsgInsertEmoticon); }

void EmoticonPicker::Hide() {
  // The hover frame does not follow the grid, and the preview must not outlive it: a picker
  // closed under the pointer takes both along, its animation stopped.
  HidePreview();
  last_hovered_ = -1;
  WidgetBase::Hide();
}

int EmoticonPicker::OnMessage(const ObjectMessage* message) {
  if (message == nullptr) return 1;
  switch (message->id) {
    case engine::QUILLARON_EVENT_MOUSE_LEAVE:
      if (hover_frame_ != nullptr) {
        hover_frame_->Hide();
        hover_frame_->Invalidate();
      }
      // Coming back onto the same cell shows its frame again.
      last_hovered_ = -1;
      return 1;
    case engine::QUILLARON_EVENT_MOUSE_MOVE:
    case engine::QUILLARON_EVENT_LBUTTON_DOWN:
    case engine::QUILLARON_EVENT_RBUTTON_DOWN: {
      // A closed picker keeps no pointer: a move or a press still queued when it closed (the
      // press that picked, the pointer resting where the grid was) shows nothing again.
      if (message->p2 == 0 || IsVisible() == 0) return 1;
      const auto* snapshot = reinterpret_cast<const engine::InputSnapshot*>(message->p2);
      const auto x = static_cast<int32_t>(snapshot->x - GetLeft());
      const auto y = static_cast<int32_t>(snapshot->y - GetTop());
      if (message->id == engine::QUILLARON_EVENT_MOUSE_MOVE) {
        OnHover(x, y);
      } else if (message->id == engine::QUILLARON_EVENT_LBUTTON_DOWN) {
        OnLeftClick(x, y);
      } else {
        OnRightClick(x, y);
      }
      return 1;
    }
    case kMsgPreviousPage:
      if (page_ > 0) --page_;
      DrawPage();
      return 1;
    case kMsgNextPage:
      if (page_ < page_count_ - 1) ++page_;
      DrawPage();
      return 1;
    default:
      return WidgetBase::OnMessage(message);
  }
}

}  // namespace frame

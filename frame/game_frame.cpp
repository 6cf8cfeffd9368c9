// The game frame: construction, creation, metrics, chrome, the table cloth, the layout of the two
// children, and the avatar pictures.
#include "frame/game_frame.h"

#include <algorithm>
#include <cstdio>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/core/sprite_object.h"
#include "engine/media/paint_module.h"
#include "engine/ui/digit_strip.h"
#include "engine/ui/font_record.h"
#include "engine/ui/image_button.h"
#include "engine/ui/rect_queue_widget.h"
#include "engine/ui/text_markup.h"
#include "frame/frame_messages.h"
#include "frame/splitter_bar.h"
#include "platform/desktop.h"
#include "platform/files.h"
#include "shell/game_app_base.h"
#include "shell/game_frame_wnd.h"

namespace frame {
namespace {

// The title follows the strip's moves, depth, showing and hiding, and leaves with it; the strip's
// resizes (ResizeCanvas) leave its size alone.
constexpr uint32_t kTitleLinks = engine::link_flag::kFollowPlace | engine::link_flag::kOwned;
static_assert(kTitleLinks == 0x1980A3);
constexpr int32_t kTitleWidth = 200;
constexpr int32_t kTitleFontSize = 12;

int32_t WorkAreaWidth() {
  platform::RECT area{};
  platform::GetWorkArea(&area);
  return area.right - area.left;
}

// A canvas at a new pixel size, its object size following. Its children keep their own sizes:
// the title, a 200-pixel canvas on the title strip, is not stretched over the strip.
void ResizeCanvas(engine::CanvasObject* canvas, int32_t width, int32_t height) {
  if (canvas == nullptr || width <= 0 || height <= 0) return;
  if (canvas->GetSurfaceWidth() != width || canvas->GetSurfaceHeight() != height) canvas->ResizeSurface(width, height);
  canvas->Resize(width, height);
}

// A side border's picture down the whole strip, again under itself where the window is taller
// than the picture.
void DrawBorderDown(engine::CanvasObject* strip, const engine::PictureInfo& info, int32_t height) {
  if (info.record == nullptr || info.height <= 0) return;
  for (int32_t y = 0; y < height; y += info.height) strip->DrawImage(&info, 0, y, info.width, info.height, 0.0, 1.0);
}

}  // namespace

GameFrame::GameFrame() {
  side_panel_width_ = DefaultSidePanelWidth();
  visible_side_width_ = side_panel_width_;
}

GameFrame::~GameFrame() = default;

// ---- Creation ----

void GameFrame::OnAddedToScene() {
  SetName("GameFrame");
  LoadSkinPackages();
  InitFrameMetrics();
  CreateChrome();
  CreateTableArt();
  CreateChildren();
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr && app->IsMatch()) CreateMatchParts();
}

void GameFrame::InitFrameMetrics() {
  SetIntSetting(frame_setting::kTopMargin, 28);
  SetIntSetting(frame_setting::kRowHeight, 26);
  SetIntSetting(frame_setting::kColumnWidth, 70);
  SetIntSetting(frame_setting::kHeadHeight, 22);
  const char* track = GetStringSetting(frame_setting::kScrollTrackName);
  const engine::PictureInfo info = GetPictureInfo(track != nullptr ? track : "", 0);
  SetIntSetting(frame_setting::kExtraHeight, info.record != nullptr ? info.height : 0);
  SetIntSetting(frame_setting::kOpenBoxCount, 1);
}

engine::ImageButton* GameFrame::MakeImageButton(const char* picture, uint32_t target, uint32_t id) {
  engine::ImageButton* button =
      engine::MakeImageButton(this, GetPictureInfo(picture, 0), engine::MakeMessage(target, id, 0, 0));
  if (button == nullptr) return nullptr;
  button->SetSound(1, "SndTouchButton");
  button->SetSound(2, "SndHitButton");
  return button;
}

void GameFrame::CreateChrome() {
  const engine::PictureInfo top = GetPictureInfo("Frame_Top", 0);
  const engine::PictureInfo bottom = GetPictureInfo("Frame_Bottom", 0);
  const engine::PictureInfo left = GetPictureInfo("Frame_Left", 0);
  const engine::PictureInfo right = GetPictureInfo("Frame_Right", 0);
  const int32_t W = GetScreenWidth();
  const int32_t H = GetScreenHeight();
  top_height_ = top.record != nullptr ? top.height : default_top_height_;
  left_width_ = left.record != nullptr ? left.width : default_side_width_;
  right_width_ = right.record != nullptr ? right.width : default_side_width_;
  bottom_height_ = bottom.record != nullptr ? bottom.height : default_bottom_height_;

  auto strip = [this](engine::CanvasObject** field, int32_t w, int32_t h, bool has_picture) {
    if (*field != nullptr) return;
    *field = CreateCanvas(std::max(w, 1), std::max(h, 1), has_picture ? engine::kColourKey : kChromeFill);
  };
  strip(&top_strip_, W, top_height_, top.record != nullptr);
  if (top_strip_ != nullptr && top_strip_->SubscriptionCount() == 0) {
    const uint32_t me = Key();
    top_strip_->SubscribeMessage(engine::QUILLARON_EVENT_DBLCLICK, me, frame_msg::kToggleMaximize, 0, 0);
    top_strip_->SubscribeMessage(engine::QUILLARON_EVENT_DRAG, me, frame_msg::kDragMove, 0, 0);
    top_strip_->SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_DOWN, me, frame_msg::kDragBegin, 0, 0);
    top_strip_->SubscribeMessage(engine::QUILLARON_EVENT_LBUTTON_UP, me, frame_msg::kDragEnd, 0, 0);
    top_strip_->SubscribeMessage(engine::QUILLARON_EVENT_FOCUS_LOST, me, frame_msg::kDragEnd, 0, 0);
  }
  strip(&left_strip_, left_width_, H, left.record != nullptr);
  strip(&right_strip_, right_width_, H, right.record != nullptr);
  strip(&bottom_strip_, W, bottom_height_, bottom.record != nullptr);

  struct ButtonSpec {
    engine::ImageButton** field;
    const char* picture;
    uint32_t id;
  };
  const ButtonSpec buttons[] = {
      {&close_button_, "btnFrameClose", frame_msg::kCloseButton},
      {&fit_button_, "btnFrameFit", frame_msg::kToggleMaximize},
      {&min_button_, "btnFrameMin", frame_msg::kMinimize},
      {&settings_button_, "btnSet2", frame_msg::kOpenSettings},
      {&help_button_, "btnHelp2", frame_msg::kOpenHelp},
      {&shop_button_, "btnShop2", frame_msg::kOpenShop},
  };
  for (const ButtonSpec& b : buttons) {
    if (*b.field == nullptr) *b.field = MakeImageButton(b.picture, Key(), b.id);
  }

  // The window may start other than maximised: the fit button shows what a click does, and the
  // side panel takes the width of a window that is not maximised.
  if (shell::CGameAppBase* app = shell::GetApp(); app != nullptr && app->GetMainWnd() != nullptr) {
    if (IsMaximized() == 0) {
      button_state_ = 0;
      side_panel_width_ = visible_side_width_ = DefaultSidePanelWidth();
      if (fit_button_ != nullptr) {
        const engine::PictureInfo max = GetPictureInfo("btnFrameMax", 0);
        fit_button_->SetPicture(&max);
      }
    }
  }

  if (splitter_ == nullptr) {
    splitter_ = new SplitterBar();
    AddToScene(splitter_);
    if (!splitter_->IsRegistered()) {
      delete splitter_;
      splitter_ = nullptr;
    }
  }
  if (WorkAreaWidth() <= kNarrowWorkArea && splitter_ != nullptr && splitter_->IsExpanded()) {
    splitter_->SetCollapsed(1);
    visible_side_width_ = 0;
  }
}

// ---- The cloth ----

void GameFrame::CreateTableArt() {
  const int32_t W = GetScreenWidth();
  const int32_t H = GetScreenHeight();
  const engine::PictureInfo tile = GetPictureInfo("TablePatten", 0);
  if (tile.record != nullptr && tile.width > 0 && tile.height > 0) {
    for (int32_t x = 0; x < W; x += tile.width) {
      for (int32_t y = 0; y < H; y += tile.height) DrawPictureAt(&tile, x, y, tile.width, tile.height, 0.0);
    }
  }
  if (main_game_ != nullptr) {
    RECT r{};
    main_game_->GetRect(&r);
    const int32_t L = r.left;
    const int32_t T = r.top;
    const int32_t w = r.right - r.left;
    const int32_t h = r.bottom - r.top;
    if (w > 0 && h > 0) {
      const int32_t s = std::min(w, h);
      const engine::PictureInfo halo = GetPictureInfo("TableHalo", 0);
      if (halo.record != nullptr) DrawPictureAt(&halo, L + w / 2 - s / 2, T + h / 2 - s / 2, s, s, 0.0);
      struct Corner {
        const char* name;
        bool right;
        bool bottom;
      };
      for (const Corner& c : {Corner{"TableCornerLT", false, false}, Corner{"TableCornerRT", true, false},
                              Corner{"TableCornerLB", false, true}, Corner{"TableCornerRB", true, true}}) {
        const engine::PictureInfo info = GetPictureInfo(c.name, 0);
        if (info.record == nullptr || info.width <= 0 || info.height <= 0) continue;
        const int32_t x = c.right ? L + w - info.width : L;
        const int32_t y = c.bottom ? T + h - info.height : T;
        DrawPictureAt(&info, x, y, info.width, info.height, 0.0);
      }
    }
  }
  DrawFrame();
  DrawLeftBorder();
  DrawRightBorder();
  DrawBottomBorder();
  PlaceSplitter();
  RedrawAll();
}

// ---- Chrome ----

void GameFrame::DrawFrame() {
  if (top_strip_ == nullptr) return;
  const int32_t W = GetScreenWidth();
  const int32_t top = top_height_;
  ResizeCanvas(top_strip_, W, top);
  top_strip_->Clear();
  const engine::PictureInfo tile = GetPictureInfo("Frame_Top", 0);
  if (tile.record != nullptr && tile.width > 0) {
    for (int32_t x = 0; x < W; x += tile.width) top_strip_->DrawImage(&tile, x, 0, tile.width, tile.height, 0.0, 1.0);
  }
  const engine::PictureInfo left = GetPictureInfo("FramePatternLeft", 0);
  const engine::PictureInfo right = GetPictureInfo("FramePatternRight", 0);
  const engine::PictureInfo middle = GetPictureInfo("FramePatternMiddle", 0);
  if (left.record != nullptr) top_strip_->DrawImage(&left, 0, 0, left.width, left.height, 0.0, 1.0);
  if (right.record != nullptr) top_strip_->DrawImage(&right, W - right.width, 0, right.width, right.height, 0.0, 1.0);
  if (middle.record != nullptr)
    top_strip_->DrawImage(&middle, W / 2 - middle.width / 2, 0, middle.width, middle.height, 0.0, 1.0);

  const int32_t mid = (top + 1) / 2;
  top_strip_->SetDepth(kTitleDepth);
  top_strip_->MoveTo(W / 2.0, mid);
  top_strip_->Show();
  top_strip_->Invalidate();

  // The window buttons, right to left, above the strip.
  auto place = [&](engine::ImageButton* button, double x) {
    button->SetDepth(kTitleDepth + 1.0);
    button->MoveTo(x, mid);
    button->Show();
    button->Invalidate();
  };
  const int32_t cw = close_button_ != nullptr ? static_cast<int32_t>(close_button_->GetWidth()) : 0;
  const int32_t fw = fit_button_ != nullptr ? static_cast<int32_t>(fit_button_->GetWidth()) : 0;
  const int32_t mw = min_button_ != nullptr ? static_cast<int32_t>(min_button_->GetWidth()) : 0;
  if (close_button_ != nullptr) place(close_button_, static_cast<int32_t>(W - cw / 2.0 - kButtonGap));
  if (fit_button_ != nullptr) place(fit_button_, static_cast<int32_t>(W - cw - fw / 2.0 - kButtonGap));
  double edge = W - cw - fw - mw - kButtonGap;
  if (min_button_ != nullptr) {
    place(min_button_, static_cast<int32_t>(W - cw - fw - mw / 2.0 - kButtonGap));
    edge = min_button_->GetLeft();
  }
  for (engine::ImageButton* button : {help_button_, settings_button_, shop_button_}) {
    if (button == nullptr) continue;
    place(button, edge - button->GetWidth() / 2);
    edge = button->GetLeft();
  }

  // The title: the game's icon and name on the strip's left.
  if (title_ == nullptr) {
    title_ = CreateCanvas(kTitleWidth, std::max(top, 1), engine::kColourKey);
    if (title_ != nullptr) {
      const engine::PictureInfo icon = GetPictureInfo("GameIcon", 0);
      int32_t icon_width = 0;
      if (icon.record != nullptr) {
        const int32_t icon_top = (top + 1) / 2 - icon.height / 2;
        title_->DrawImage(&icon, 10, icon_top, icon.width, icon.height, 0.0, 1.0);
        icon_width = icon.width;
        GiveWindowIcon(title_, 10, icon_top, icon.width, icon.height);
      }
      shell::CGameAppBase* app = shell::GetApp();
      const std::string name = app != nullptr ? engine::InertCanvasText(app->FormatGameName()) : std::string();
      title_->SetFont(kTitleFontSize, 400, engine::kDefaultFaceName);
      title_->SetTextColour(app != nullptr ? app->GetTitleTextColour() : 0xFFFFFF, 1.0);
      title_->DrawText(icon_width + 15, mid - 7, name.c_str());
      top_strip_->AddChild(title_, kTitleLinks);
    }
  }
  if (title_ != nullptr) {
    title_->MoveTo(top_strip_->GetLeft() + title_->GetWidth() / 2, mid);
    title_->SetDepth(top_strip_->GetDepth() + 0.0000001);
    title_->Show();
    title_->Invalidate();
  }
}

void GameFrame::DrawLeftBorder() {
  if (left_strip_ == nullptr) return;
  const int32_t H = GetScreenHeight();
  ResizeCanvas(left_strip_, left_width_, H);
  left_strip_->Clear();
  DrawBorderDown(left_strip_, GetPictureInfo("Frame_Left", 0), H);
  left_strip_->SetDepth(kBorderDepth);
  left_strip_->MoveTo(left_width_ / 2.0, H / 2.0);
  left_strip_->Show();
  left_strip_->Invalidate();
}

void GameFrame::DrawRightBorder() {
  if (right_strip_ == nullptr) return;
  const int32_t W = GetScreenWidth();
  const int32_t H = GetScreenHeight();
  ResizeCanvas(right_strip_, right_width_, H);
  right_strip_->Clear();
  DrawBorderDown(right_strip_, GetPictureInfo("Frame_Right", 0), H);
  right_strip_->SetDepth(kBorderDepth);
  right_strip_->MoveTo(W - right_width_ / 2.0, H / 2.0);
  right_strip_->Show();
  right_strip_->Invalidate();
}

void GameFrame::DrawBottomBorder() {
  if (bottom_strip_ == nullptr) return;
  const int32_t W = GetScreenWidth();
  const int32_t H = GetScreenHeight();
  const int32_t h = bottom_height_;
  ResizeCanvas(bottom_strip_, W, h);
  bottom_strip_->Clear();
  const engine::PictureInfo info = GetPictureInfo("Frame_Bottom", 0);
  if (info.record != nullptr) bottom_strip_->DrawImage(&info, 0, 0, W, h, 0.0, 1.0);
  const engine::PictureInfo left = GetPictureInfo("Frame_Left", 0);
  const engine::PictureInfo right = GetPictureInfo("Frame_Right", 0);
  if (left.record != nullptr && left.height > 0 && h > 1)
    bottom_strip_->DrawImage(&left, 0, 0, left.width, h - 1, 0.0, 1.0);
  if (right.record != nullptr && right.height > 0 && h > 1)
    bottom_strip_->DrawImage(&right, W - right.width, 0, right.width, h - 1, 0.0, 1.0);
  bottom_strip_->SetDepth(kBottomDepth);
  bottom_strip_->MoveTo(W / 2.0, H - h / 2.0);
  bottom_strip_->Show();
  bottom_strip_->Invalidate();
}

// ---- Children and layout ----

void GameFrame::SetMainGame(engine::RectObject* object) {
  if (object == nullptr) return;
  main_game_ = object;
  object->SetName("MainGame");
  if (!object->IsRegistered()) AddToScene(object);
}

void GameFrame::SetSubSystem(engine::RectObject* object) {
  if (object == nullptr) return;
  sub_system_ = object;
  object->SetName("SubSystem");
  if (!object->IsRegistered()) AddToScene(object);
}

int32_t GameFrame::DefaultSidePanelWidth() {
  if (maximized_ == 0) return kSidePanelWidth;
  const int32_t W = WorkAreaWidth();
  const int32_t width = W >= kWideWorkArea ? kWideSidePanelWidth : W * 2 / 9;
  return std::max(width, kSidePanelWidth);
}

void GameFrame::OnRectChanged() { LayoutChildren(); }

void GameFrame::LayoutChildren() {
  const int32_t W = GetScreenWidth();
  const int32_t H = GetScreenHeight();
  if (W <= 0 || H <= 0) return;
  const bool collapsed = splitter_ != nullptr && !splitter_->IsExpanded();
  const int32_t splitter_width = splitter_ != nullptr ? static_cast<int32_t>(splitter_->GetWidth()) : 0;
  const int32_t side_left = collapsed ? W : W - visible_side_width_ - kBorder;
  const RECT side{side_left, kTop, side_left + side_panel_width_, H - kBottom};
  const int32_t table_right = collapsed ? (W - kBorder) - splitter_width : side_left - splitter_width;
  const RECT table{kBorder, kTop, table_right, H - kBottom};
  if (sub_system_ != nullptr) sub_system_->SetRect(&side);
  if (main_game_ != nullptr) main_game_->SetRect(&table);
  CreateTableArt();

  const RECT t = GetMainGameRect();
  const int32_t L = t.left;
  const int32_t T = t.top;
  const int32_t w = t.right - t.left;
  const int32_t h = t.bottom - t.top;
  auto centre = [](engine::EngineObject* object, double x, double y) {
    if (object == nullptr) return;
    object->MoveTo(x, y);
    object->Invalidate();
  };
  centre(table_animation_, L + w / 2, T + h / 3);
  centre(state_picture_, L + w / 2, T + h / 2);
  PlaceRestTables();
  if (rest_tables_ != nullptr) rest_tables_->Invalidate();
  centre(result_dialog_, L + w / 2, T + 3 * h / 5);
  centre(countdown_, L + w / 2, T + h / 2);
  centre(round_title_, L + w / 2, T + h / 2);
  if (giveup_button_ != nullptr)
    centre(giveup_button_, L + giveup_button_->GetWidth() / 2, T + h - giveup_button_->GetHeight() / 2);
  centre(signup_button_, L + w / 2, T + 2 * h / 3);
  centre(spare_picture_, L + w / 2, T + h / 2);
  // A card shown in a larger window would stand partly outside a smaller one.
  KeepCardInWindow();
}

RECT GameFrame::GetMainGameRect() {
  RECT r{};
  if (main_game_ != nullptr) {
    main_game_->GetRect(&r);
  } else {
    GetRect(&r);
  }
  return r;
}

RECT GameFrame::GetSubSystemRect() {
  RECT r{};
  if (sub_system_ != nullptr) {
    sub_system_->GetRect(&r);
  } else {
    GetRect(&r);
  }
  return r;
}

void GameFrame::OnEnterGame() {
  if (main_game_ != nullptr) main_game_->OnEnterGame();
  if (sub_system_ != nullptr) sub_system_->OnEnterGame();
  if (shell::CGameAppBase* app = shell::GetApp()) app->OnEnterGame();
}

// ---- Avatars ----

std::string GameFrame::GetAvatarImageName(int32_t character, int32_t size_type) {
  return LoadAvatarImage(character, size_type);
}

std::string GameFrame::LoadAvatarImage(int32_t character, int32_t size_type) {
  char name[48];
  std::snprintf(name, sizeof name, "Character%dType%d", character, size_type);
  engine::PaintModule* paint = GetPaintModule();
  engine::PictureInfo info;
  if (paint != nullptr) paint->GetPictureInfo(&info, name, 0);
  if (info.record != nullptr) return name;
  shell::CGameAppBase* app = shell::GetApp();
  if (app != nullptr) {
    const char* size = size_type == 1 ? "32x32.png" : size_type == 2 ? "48x48.png" : "135x270.png";
    const std::string path = app->GetAvatarFilePrefix(character) + size;
    if (platform::FileExists(path) && RegisterResourceFile(path.c_str(), name) != 0) {
      if (paint != nullptr) paint->GetPictureInfo(&info, name, 0);
      if (info.record != nullptr) return name;
      engine::WriteGameLog("avatar: %s is not a picture", path.c_str());
    }
  }
  if (character == 0) return std::string();
  return LoadAvatarImage(0, size_type);
}

}  // namespace frame

// The engine's own overlays, drawn on behalf of any object: the message box, the system details
// box, the system note and the system board; and the settings-routed message. Each fades in from
// alpha 0 in steps of 0.1.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/core/game_core.h"
#include "engine/core/memory_pool.h"
#include "engine/core/object_module.h"
#include "engine/core/object_services.h"
#include "engine/media/paint_module.h"
#include "engine/ui/message_box_widget.h"
#include "engine/ui/text_button.h"

namespace engine {
namespace {

constexpr const char* kNoteName = "object_systemnote";
constexpr const char* kBoardName = "object-systemboard";
constexpr int32_t kOverlayFontHeight = 15;
constexpr int32_t kOverlayFontWeight = 400;
constexpr COLORREF kOverlayFill = 0x008000;
constexpr uint32_t kNoteRefreshMs = 1000;

// A new message box in the scene; null, and nothing left behind, when the scene refuses it.
MessageBoxWidget* AddMessageBox(ObjectServices& services) {
  auto* box = new MessageBoxWidget();
  services.AddToScene(box);
  if (box->IsRegistered()) return box;
  delete box;
  return nullptr;
}

double FramesPerSecond(GameCore* core) {
  auto* paint = core != nullptr ? dynamic_cast<PaintModule*>(core->FindModule(module_id::kPaint)) : nullptr;
  const double fps = paint != nullptr ? paint->GetFps() : 0.0;
  // Before the paint module's first measure there is no figure yet.
  return std::isfinite(fps) ? fps : 0.0;
}

ObjectModule* ObjectsOf(GameCore* core) {
  return core != nullptr ? dynamic_cast<ObjectModule*>(core->FindModule(module_id::kObject)) : nullptr;
}

// The note's refresh: runs every second until its actions are cancelled.
int NoteRefreshStep(EngineObject* object, void*, GameCore* core, uint32_t) {
  auto* note = static_cast<CanvasObject*>(object);
  ObjectModule* objects = ObjectsOf(core);
  char line[64];
  note->Clear();
  note->BringToFront();
  std::snprintf(line, sizeof line, "实体:%ld", objects != nullptr ? static_cast<long>(objects->GetObjectCount()) : 0L);
  note->DrawText(0, 0, line);
  std::snprintf(line, sizeof line, "事件:%ld", objects != nullptr ? static_cast<long>(objects->CountActions()) : 0L);
  note->DrawText(0, 20, line);
  std::snprintf(line, sizeof line, "FPS :%0.1f", FramesPerSecond(core));
  note->DrawText(0, 40, line);
  note->Invalidate();
  return 0;
}

// The text's lines, cut at line feeds. An empty line stays an empty line; a line feed at the very
// end does not start one more.
std::vector<std::string> SplitLines(const char* text) {
  std::vector<std::string> lines;
  if (text == nullptr) return lines;
  const char* start = text;
  for (const char* p = text;; ++p) {
    if (*p == '\n' || *p == '\0') {
      if (*p == '\0' && p == start && !lines.empty()) break;
      lines.emplace_back(start, static_cast<size_t>(p - start));
      if (*p == '\0') break;
      start = p + 1;
    }
  }
  return lines;
}

}  // namespace

MessageBoxWidget* ObjectServices::BuildTextBox(const char* text, const ObjectMessage* ok, const ObjectMessage* cancel,
                                               int32_t countdown_seconds) {
  if (!IsRegistered()) return nullptr;
  MessageBoxWidget* box = AddMessageBox(*this);
  if (box == nullptr) return nullptr;
  CanvasObject* body = box->Build(10, 10, ok, cancel, countdown_seconds);
  if (body == nullptr) {
    box->Close();
    return nullptr;
  }
  body->SetTextColour(static_cast<COLORREF>(GetIntSetting(setting::kMessageBoxTextColour)), 1.0);
  body->SetFont(kOverlayFontHeight, kOverlayFontWeight, kDefaultFaceName);
  body->SetTextMargins(10, 10);

  // An empty line is measured as one blank row.
  const std::vector<std::string> lines = SplitLines(text);
  auto measure = [&](const std::string& line, int32_t width) {
    return body->MeasureText(line.empty() ? " " : line.c_str(), width);
  };
  auto box_height = [&](int32_t width) {
    int32_t h = 70;
    for (const std::string& line : lines) h += measure(line, width);
    return h;
  };
  int32_t W = 200;
  int32_t H = box_height(W);
  while (W < H && W < 500) {
    W += 50;
    H = box_height(W);
  }

  body->ResizeSurface(W, H);
  body->Resize(W, H);
  body->SetFillColour(static_cast<COLORREF>(GetIntSetting(setting::kMessageBoxFillColour)));
  body->Clear();
  body->DrawBorder(0, 2);
  body->DrawBorder(static_cast<COLORREF>(GetIntSetting(setting::kMessageBoxBorderColour)), 1);
  int32_t y = 10;
  for (const std::string& line : lines) {
    body->DrawWrappedText(line.c_str(), y);
    y += measure(line, W);
  }

  TextButton* ok_button = box->GetOkButton();
  TextButton* cancel_button = box->GetCancelButton();
  CanvasObject* countdown = box->GetCountdownCanvas();
  const double bx = body->GetX();
  const double row_y = body->GetY() + H / 2 - 20;
  if (ok_button != nullptr && cancel_button == nullptr) {
    ok_button->MoveTo(bx, row_y);
    if (countdown != nullptr) countdown->MoveTo(body->GetRight() - 10, row_y);
  } else if (ok_button != nullptr) {
    ok_button->MoveTo(bx - ok_button->GetWidth() / 2 - 10, row_y);
    cancel_button->MoveTo(bx + cancel_button->GetWidth() / 2 + 10, row_y);
    if (countdown != nullptr) {
      countdown->MoveTo(body->GetRight() - 10,
                        ok_button->GetY() - ok_button->GetHeight() / 2 - countdown->GetHeight() / 2);
    }
  } else if (countdown != nullptr) {
    countdown->MoveTo(bx + countdown->GetHeight() / 2, row_y);
  }
  return box;
}

void ObjectServices::ShowMessageBox(const char* text, const ObjectMessage* ok, const ObjectMessage* cancel,
                                    int32_t countdown_seconds) {
  MessageBoxWidget* box = BuildTextBox(text, ok, cancel, countdown_seconds);
  if (box == nullptr) return;
  box->SetDepth(kMessageBoxDepth);
  box->MoveTo(GetScreenWidth() / 2, GetScreenHeight() / 2);
  box->SetAlpha(0.0);
  box->Show();
  box->Invalidate();
  FadeTo(box, 0.1, 1.0, 0, nullptr);
}

void ObjectServices::ShowSystemDetails() {
  if (!IsRegistered()) return;
  MessageBoxWidget* box = AddMessageBox(*this);
  if (box == nullptr) return;
  CanvasObject* body = box->Build(300, 200, nullptr, nullptr, -1);
  if (body == nullptr) return;
  body->SetFillColour(kOverlayFill);
  body->Clear();
  body->DrawBorder(0, 1);
  body->SetTextColour(0xFFFFFF, 1.0);
  body->SetFont(kOverlayFontHeight, kOverlayFontWeight, kDefaultFaceName);
  ObjectModule* objects = GetObjectModule();
  char line[96];
  body->DrawText(100, 0, "<size=20>系统详情");
  std::snprintf(line, sizeof line, "实体:%d", objects != nullptr ? static_cast<int>(objects->GetObjectCount()) : 0);
  body->DrawText(10, 20, line);
  std::snprintf(line, sizeof line, "事件:%d", objects != nullptr ? static_cast<int>(objects->CountActions()) : 0);
  body->DrawText(10, 40, line);
  std::snprintf(line, sizeof line, "内存申请:%ld Byte", static_cast<long>(PoolBytesReserved()));
  body->DrawText(10, 60, line);
  std::snprintf(line, sizeof line, "内存使用:%ld Byte", static_cast<long>(PoolBytesInUse()));
  body->DrawText(10, 80, line);
  std::snprintf(line, sizeof line, "FPS:%.1f 帧", FramesPerSecond(GetCore()));
  body->DrawText(10, 100, line);

  box->MoveTo(GetScreenWidth() / 2, GetScreenHeight() / 2);
  box->SetAlpha(0.0);
  box->Show();
  box->Invalidate();
  FadeTo(box, 0.1, 1.0, 0, nullptr);
}

void ObjectServices::ShowSystemNote(bool show) {
  auto* note = dynamic_cast<CanvasObject*>(FindObjectByName(kNoteName));
  if (note == nullptr) {
    note = CreateCanvas(100, 100, kColourKey);
    if (note == nullptr) return;
    note->MoveToTopLayer();
    note->MoveTo(50.0, 50.0);
    note->SetName(kNoteName);
    note->SetTextColour(0x0000FF, 1.0);
    note->SetFont(kOverlayFontHeight, kOverlayFontWeight, kDefaultFaceName);
    note->Invalidate();
  }
  CancelObjectActions(note->GetKey());
  if (show) {
    note->BringToFront();
    note->Show();
    note->Invalidate();
    PostAction(note, kNoteRefreshMs, &NoteRefreshStep, nullptr, 0, nullptr);
  } else {
    note->Hide();
    note->Invalidate();
  }
}

void ObjectServices::ShowSystemBoard(const char* text, int32_t seconds) {
  auto* board = dynamic_cast<CanvasObject*>(FindObjectByName(kBoardName));
  if (board == nullptr) {
    board = CreateCanvas(10, 10, kColourKey);
    if (board == nullptr) return;
    board->MoveToTopLayer();
    board->SetName(kBoardName);
    board->SetTextColour(0, 1.0);
    board->SetFont(kOverlayFontHeight, kOverlayFontWeight, kDefaultFaceName);
    board->SetDraggable(true);
  }
  if (text != nullptr) {
    FontRecord style{};
    board->GetTextStyle(&style);
    // The estimate counts bytes of the GBK text, half a character height each.
    const int64_t estimate = static_cast<int64_t>(std::strlen(text)) * style.height / 2;
    const int32_t half_screen = GetScreenWidth() / 2;
    int32_t W = half_screen > estimate ? static_cast<int32_t>(estimate) : half_screen;
    int32_t H = board->MeasureText(text, W);
    W += 20;
    H += 20;
    board->ResizeSurface(W, H);
    board->Resize(W, H);
    board->SetFillColour(kOverlayFill);
    board->SetTextMargins(10, 10);
    board->Clear();
    board->DrawText(0, 10, text);
    board->DrawBorder(0, 2);
    board->DrawBorder(0xFFFFFF, 1);
  }
  // A hide still pending from an earlier call would take the new text away before its time, and
  // an earlier fade would fight the new one: both stop here.
  CancelObjectActions(board->GetKey());
  board->BringToFront();
  board->Show();
  board->MoveTo(GetScreenWidth() / 2, GetScreenHeight() / 2);
  board->SetAlpha(0.0);
  board->Invalidate();
  FadeTo(board, 0.1, 1.0, 0, nullptr);
  if (seconds > 0) {
    // The hide is queued as the board's own action, so that HideSystemBoard can stop it.
    const uint32_t ms = seconds > 4000000 ? 4000000000u : static_cast<uint32_t>(seconds) * 1000u;
    const ObjectMessage hide = MakeMessage(board->GetKey(), msg::kHide, 0, 0);
    DelayFor(board, ms, &hide);
  }
}

void ObjectServices::HideSystemBoard() {
  CanvasObject* board = GetSystemBoard();
  if (board == nullptr) return;
  CancelObjectActions(board->GetKey());
  board->Hide();
  board->Invalidate();
}

CanvasObject* ObjectServices::GetSystemBoard() { return dynamic_cast<CanvasObject*>(FindObjectByName(kBoardName)); }

void ObjectServices::SendSettingsMessage(uintptr_t p1, uintptr_t p2) {
  const int32_t target = GetIntSetting(setting::kSettingsMessageTarget);
  if (target == 0) return;
  const int32_t id = GetIntSetting(setting::kSettingsMessageId);
  if (id == 0) return;
  const ObjectMessage message = MakeMessage(static_cast<uint32_t>(target), static_cast<uint32_t>(id), p1, p2);
  SendMessage(&message);
}

}  // namespace engine

// What the chat markup fuzz target does with one input: reads it as chat lines into a real chat
// display (in a scene of its own with the object module, the paint module and the text
// renderer), draws it, and clicks, hovers, selects and scrolls over what it made. Shared with the
// regression test that replays the inputs kept under tests/data/fuzz, so a crash found once stays
// fixed.
//
// Input: the first byte picks the view's switches (bit 0 links live, bit 1 the load attribute
// allowed, bit 2 the notice's size bound 3000 instead of 30); the rest is split at zero bytes
// into lines, each appended as the chat box appends a line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/core/canvas_object.h"
#include "engine/core/game_core.h"
#include "engine/core/input_module.h"
#include "engine/core/object_module.h"
#include "engine/core/object_services.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/media/image_record.h"
#include "engine/media/resource_module.h"
#include "engine/ui/font_renderer.h"
#include "engine/ui/link_opener.h"
#include "frame/chat_display.h"

namespace fuzz {

class ChatMarkupScene {
 public:
  // Views hold at most this many items before they are cleared.
  static constexpr size_t kMaxItems = 20000;

  ChatMarkupScene() : opener_(&Opened), core_(std::make_unique<engine::GameCore>()) {
    core_->SetDefaultSettings();
    auto* resources = new engine::ResourceModule();
    objects_ = new engine::ObjectModule();
    paint_ = new engine::GdiPaintModule();
    core_->LoadModule(resources, true, true);
    core_->LoadModule(objects_, true, false);
    core_->LoadModule(paint_, true, true);
    objects_->SetFontRenderer(&renderer_);
    objects_->SetViewCentre(400, 300);
    objects_->SetViewSize(800, 600);
    paint_->SetSize(800, 600);
    services_ = new engine::ObjectServices();
    objects_->AddObject(services_, nullptr);
    // Emoticons "qzf" + GBK code (加油 animated, 系统 still), a badge and a hover picture.
    AddPicture("qzf\xBC\xD3\xD3\xCD", 24, 20, 3);
    AddPicture("qzf\xCF\xB5\xCD\xB3", 16, 16, 1);
    AddPicture("qm", 16, 16, 1);
    AddPicture("tip", 30, 12, 1);
    plain_ = MakeDisplay(0x40F);
    loading_ = MakeDisplay(0x40F | engine::rich_text::kViewLoadAllowed);
  }

  void Read(const uint8_t* data, size_t size) {
    if (size == 0) return;
    const uint8_t switches = data[0];
    display_ = (switches & 2) != 0 ? loading_ : plain_;
    display_->SetReadOnly((switches & 1) != 0);
    display_->SetMaxTextSize((switches & 4) != 0 ? 3000 : 30);
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    size_t start = 0;
    while (start <= rest.size()) {
      size_t end = rest.find('\0', start);
      if (end == std::string_view::npos) end = rest.size();
      const std::string line(rest.substr(start, end - start));
      display_->ResetStyle();
      display_->AppendText(line.c_str());
      display_->ScrollToEnd();
      start = end + 1;
    }
    display_->Redraw();
    Exercise();
    if (display_->ItemCount() > kMaxItems) display_->Clear();
  }

 private:
  static bool Opened(engine::LinkTargetKind, const std::string& target) {
    // A target handed on was checked: a web address or an existing folder.
    if (!engine::IsSafeWebAddress(target) && !engine::IsLocalPath(target)) __builtin_trap();
    return true;
  }

  // Made as the chat box makes its display.
  frame::ChatDisplay* MakeDisplay(uint32_t style) {
    auto* display = new frame::ChatDisplay();
    services_->AddToScene(display);
    display->Create(100, 50, style, 0x200);
    display->SetBackColour(0xFF00FF);
    display->MoveTo(300, 300);
    display->Resize(220, 160);
    display->SetScrollTarget(0, 3);
    display->Layout(208, 153);
    display->SetAbsDouble(5);
    display->Show();
    return display;
  }

  void AddPicture(const std::string& name, int w, int h, int frames) {
    std::string pixels(static_cast<size_t>(w) * h * frames * 4, '\x7F');
    std::string delays(static_cast<size_t>(frames) * 4, '\0');
    delays[0] = 100;
    engine::ImageRecord record;
    record.width = static_cast<uint16_t>(w);
    record.height = static_cast<uint16_t>(h);
    record.pixels = reinterpret_cast<uint8_t*>(pixels.data());
    record.data_size = static_cast<uint32_t>(pixels.size());
    record.frame_count = static_cast<uint16_t>(frames);
    record.frame_columns = 1;
    record.flags = engine::kImageFlagAlpha | engine::kImageFlagDelays;
    record.delays = reinterpret_cast<uint32_t*>(delays.data());
    engine::PictureInfo info;
    info.record = &record;
    info.width = w;
    info.height = h;
    paint_->AddPicture(name, &info);
  }

  // Pointer work over what was made: hover and click every link, select, scroll and hit-test.
  void Exercise() {
    engine::CanvasObject* canvas = display_->GetCanvas();
    if (canvas == nullptr) return;
    engine::InputSnapshot snapshot;
    auto pointer = [&](uint32_t id, int32_t x, int32_t y) {
      snapshot.x = static_cast<int32_t>(canvas->GetLeft()) + x;
      snapshot.y = static_cast<int32_t>(canvas->GetTop()) + y;
      const engine::ObjectMessage m =
          engine::MakeMessage(display_->GetKey(), id, 0, reinterpret_cast<uintptr_t>(&snapshot));
      display_->OnMessage(&m);
    };
    display_->SetScrollPos(0);
    const size_t n = display_->ItemCount();
    for (size_t i = 0; i < n && i < 4096; ++i) {
      const engine::RichTextItem& item = display_->ItemAt(i);
      if (item.link == 0 || (item.flags & engine::rich_text::kItemLinkFirst) == 0) continue;
      const int32_t x = display_->GetTextLeft() + item.x + item.width / 2;
      const int32_t y = display_->GetTextTop() + item.y + item.height / 2 - display_->GetScrollPos();
      pointer(engine::QUILLARON_EVENT_MOUSE_MOVE, x, y);
      pointer(engine::QUILLARON_EVENT_CLICK, x, y);
    }
    // The links' messages to the view, the redraw and the emoticons' animation steps.
    objects_->Tick();
    pointer(engine::QUILLARON_EVENT_MOUSE_LEAVE, -1, -1);
    pointer(engine::QUILLARON_EVENT_LBUTTON_DOWN, 2, 5);
    pointer(engine::QUILLARON_EVENT_DRAG, 150, 120);
    pointer(engine::QUILLARON_EVENT_LBUTTON_UP, 150, 120);
    pointer(engine::QUILLARON_EVENT_CLICK, 150, 120);
    volatile size_t sink = display_->GetSelectedText().size();
    (void)sink;
    display_->HitIndex(-50, 10000);
    display_->ItemAtPoint(100, 40);
    display_->OnFocusLost();
    display_->ScrollToEnd();
    objects_->Tick();
  }

  engine::FontRenderer renderer_;
  engine::ScopedLinkOpener opener_;
  std::unique_ptr<engine::GameCore> core_;
  engine::ObjectModule* objects_ = nullptr;
  engine::GdiPaintModule* paint_ = nullptr;
  engine::ObjectServices* services_ = nullptr;
  frame::ChatDisplay* plain_ = nullptr;
  frame::ChatDisplay* loading_ = nullptr;
  frame::ChatDisplay* display_ = nullptr;
};

}  // namespace fuzz

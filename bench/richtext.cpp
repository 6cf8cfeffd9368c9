// Appending one chat line (about 40 characters with two tags) to the chat display when it already
// holds 10, 100 or 1,000 lines, scrolled to the end, as the chat box does: reset the style, read
// the markup, lay out, scroll to the end, and draw. Only the new line is laid out and only the
// lines in sight are drawn, so the cost should not grow with the lines held.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "engine/core/game_core.h"
#include "engine/core/object_module.h"
#include "engine/core/object_services.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/media/resource_module.h"
#include "engine/ui/font_renderer.h"
#include "frame/chat_display.h"

namespace {

// 40 characters: a badge tag, the name in its colour, the text in another.
const char* const kLine = " <c=16150832>小李说: <c=4210752>今天的牌真不错，大家一起加油啊！我先走一步了哈哈<><>\n";
// Lines appended before the view is filled again, so it keeps close to the size asked for.
constexpr int kRefillEvery = 16;

class ChatScene {
 public:
  ChatScene() : core_(std::make_unique<engine::GameCore>()) {
    core_->SetDefaultSettings();
    auto* objects = new engine::ObjectModule();
    auto* paint = new engine::GdiPaintModule();
    core_->LoadModule(new engine::ResourceModule(), true, true);
    core_->LoadModule(objects, true, false);
    core_->LoadModule(paint, true, true);
    objects->SetFontRenderer(&renderer_);
    objects->SetViewCentre(400, 300);
    objects->SetViewSize(800, 600);
    paint->SetSize(800, 600);
    auto* services = new engine::ObjectServices();
    objects->AddObject(services, nullptr);
    display_ = new frame::ChatDisplay();
    services->AddToScene(display_);
    // As the chat box makes and lays out its display.
    display_->Create(100, 50, 0x40F, 0x200);
    display_->SetBackColour(0xFF00FF);
    display_->SetMaxTextSize(30);
    display_->SetAbsDouble(5);
    display_->MoveTo(700, 300);
    display_->Resize(200, 300);
    display_->SetScrollTarget(0, 3);
    display_->Layout(188, 293);
    display_->Show();
  }

  void Fill(int lines) {
    display_->Clear();
    for (int i = 0; i < lines; ++i) Append();
  }
  void Append() {
    display_->ResetStyle();
    display_->AppendText(kLine);
    display_->ScrollToEnd();
  }
  frame::ChatDisplay* display() { return display_; }

 private:
  engine::FontRenderer renderer_;
  std::unique_ptr<engine::GameCore> core_;
  frame::ChatDisplay* display_ = nullptr;
};

void AppendLine(benchmark::State& state, bool draw) {
  ChatScene scene;
  const int held = static_cast<int>(state.range(0));
  scene.Fill(held);
  scene.display()->Redraw();
  int appended = 0;
  for (auto _ : state) {
    if (appended == kRefillEvery) {
      state.PauseTiming();
      scene.Fill(held);
      appended = 0;
      state.ResumeTiming();
    }
    scene.Append();
    if (draw) scene.display()->Redraw();
    ++appended;
  }
  state.counters["lines"] = static_cast<double>(scene.display()->LineCount());
}

// Reading, laying out and scrolling.
void BM_AppendChatLine(benchmark::State& state) { AppendLine(state, false); }
// The same, and the view drawn.
void BM_AppendChatLineAndDraw(benchmark::State& state) { AppendLine(state, true); }
// A line naming a face not seen before: what a face name sent in chat costs (the text renderer
// opens each new face through fontconfig).
void BM_AppendLineWithNewFace(benchmark::State& state) {
  ChatScene scene;
  scene.Fill(10);
  int serial = 0;
  for (auto _ : state) {
    const std::string line = "<face=NoSuchFace" + std::to_string(serial++) + ">x\n";
    scene.display()->AppendText(line.c_str());
    scene.display()->Redraw();
    if (scene.display()->LineCount() > 100) {
      state.PauseTiming();
      scene.Fill(10);
      state.ResumeTiming();
    }
  }
}
BENCHMARK(BM_AppendLineWithNewFace)->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_AppendChatLine)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppendChatLineAndDraw)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

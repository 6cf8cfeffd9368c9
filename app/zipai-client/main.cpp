// The game client. With no arguments it opens the engine window (1024 x 768 client area,
// resizable) with its root scene object and runs until the window is closed.
//
//   --headless           no display: the window lives in memory
//   --frames N           runs N engine frames, then ends
//   --screenshot FILE    after the run, writes what the window shows as a PNG file
//   --hold               after the run (and the screenshot), writes "ready X Y WIDTH HEIGHT" (the
//                        client area on the screen) to stdout and keeps the window on screen
//                        until a line (or the end) comes on stdin
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

#include "engine/core/colour_key.h"
#include "engine/core/engine_log.h"
#include "engine/core/quillaron_wnd.h"
#include "engine/core/canvas_object.h"
#include "engine/core/input_module.h"
#include "engine/core/object_module.h"
#include "engine/core/rect_object.h"
#include "engine/media/paint_module.h"
#include "platform/png_file.h"
#include "platform/window.h"

namespace {

using platform::RECT;

constexpr int kClientWidth = 1024;
constexpr int kClientHeight = 768;

struct Options {
  bool headless = false;
  long frames = -1;
  std::string screenshot;
  bool hold = false;
};

// The client's root scene: for now the bare table, its cloth filling the window, and one tile
// in the middle, captioned with the game's name, that shows the pointer's hand over it and
// changes colour when clicked.
class ClientRoot final : public engine::RectObject {
 public:
  static constexpr engine::COLORREF kTableCloth = platform::RGB(0x1E, 0x5C, 0x3A);
  static constexpr engine::COLORREF kTile = platform::RGB(0xC8, 0xA0, 0x50);
  static constexpr engine::COLORREF kTileLit = platform::RGB(0xF0, 0xD8, 0x98);
  static constexpr engine::COLORREF kTileBorder = platform::RGB(0x50, 0x30, 0x10);
  static constexpr int kTileWidth = 160;
  static constexpr int kTileHeight = 100;
  // What the tile's subscriptions send the root.
  static constexpr uint32_t kTileClicked = 80000001;
  static constexpr uint32_t kTileEntered = 80000002;
  static constexpr uint32_t kTileLeft = 80000003;

  // Laid out after every resize, once the paint module has its new size.
  void OnRectChanged() override {
    if (!GetCore()) return;
    if (engine::PaintModule* paint = GetPaintModule()) paint->FillBase(kTableCloth);
    if (!tile_) MakeTile();
    if (engine::ObjectModule* objects = GetObjectModule(); tile_ && objects) {
      const engine::POINT centre = objects->GetViewCentre();
      tile_->MoveTo(centre.x, centre.y);
      tile_->Invalidate();
    }
  }

  int OnMessage(const engine::ObjectMessage* message) override {
    switch (message ? message->id : 0) {
      case kTileClicked:
        lit_ = !lit_;
        PaintTile();
        return 1;
      case kTileEntered:
        SetCursorHandle(platform::LoadCursorA(nullptr, platform::IDC_HAND));
        return 1;
      case kTileLeft:
        SetCursorHandle(platform::LoadCursorA(nullptr, platform::IDC_ARROW));
        return 1;
      default:
        return RectObject::OnMessage(message);
    }
  }

 private:
  void MakeTile() {
    tile_ = CreateCanvas(kTileWidth, kTileHeight, engine::kColourKey);
    if (!tile_) return;
    tile_->SubscribeMessage(engine::QUILLARON_EVENT_CLICK, GetKey(), kTileClicked, 0, 0);
    tile_->SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_ENTER, GetKey(), kTileEntered, 0, 0);
    tile_->SubscribeMessage(engine::QUILLARON_EVENT_MOUSE_LEAVE, GetKey(), kTileLeft, 0, 0);
    tile_->Show();
    PaintTile();
  }

  void PaintTile() {
    tile_->SetFillColour(lit_ ? kTileLit : kTile);
    tile_->Clear();
    tile_->DrawBorder(kTileBorder, 3);
    tile_->SetFont(28, 700, engine::kDefaultFaceName);
    tile_->SetTextColour(kTileBorder, 1.0);
    tile_->DrawTextCentred(kTileWidth / 2, kTileHeight / 2, "跑胡子");
    tile_->Invalidate();
  }

  engine::CanvasObject* tile_ = nullptr;
  bool lit_ = false;
};

// The engine window of the client: ends the program when it closes, or after a set number of frames.
class ClientWindow final : public engine::CQuillaronWnd {
 public:
  long frames_left = -1;

  void OnFrame() override {
    CQuillaronWnd::OnFrame();
    if (frames_left > 0 && --frames_left == 0) platform::PostQuitMessage(0);
  }

 protected:
  void OnDestroy() override {
    CQuillaronWnd::OnDestroy();
    platform::PostQuitMessage(0);
  }
};

void Usage() {
  std::fprintf(stderr, "usage: zipai-client [--headless] [--frames N] [--screenshot FILE.png] [--hold]\n");
}

bool Parse(int argc, char** argv, Options* out) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--headless") {
      out->headless = true;
    } else if (arg == "--hold") {
      out->hold = true;
    } else if (arg == "--frames" && i + 1 < argc) {
      char* end = nullptr;
      out->frames = std::strtol(argv[++i], &end, 10);
      if (!end || *end != '\0' || out->frames <= 0 || out->frames > 100000000) return false;
    } else if (arg == "--screenshot" && i + 1 < argc) {
      out->screenshot = argv[++i];
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Parse(argc, argv, &options)) {
    Usage();
    return 2;
  }
  const auto kind = options.headless ? platform::WindowBackendKind::kHeadless : platform::WindowBackendKind::kAuto;
  if (!platform::InitWindowSystem(kind)) {
    std::fprintf(stderr, "zipai-client: the window system could not start\n");
    return 1;
  }
  if (platform::CurrentWindowBackend() == platform::WindowBackendKind::kHeadless && options.frames < 0) {
    std::fprintf(stderr, "zipai-client: no display; run it with --headless --frames N\n");
    platform::ShutdownWindowSystem();
    return 1;
  }
  engine::LogEngineStart();

  int exit_code = 0;
  {
    ClientWindow window;
    // The window rectangle that holds a client area of the table's size, placed by the system.
    const uint32_t style = platform::WS_OVERLAPPEDWINDOW | platform::WS_VISIBLE;
    engine::RECT frame{0, 0, kClientWidth, kClientHeight};
    platform::AdjustWindowRectEx(&frame, style, false, 0);
    const engine::RECT area{platform::CW_USEDEFAULT, platform::CW_USEDEFAULT,
                            platform::CW_USEDEFAULT + (frame.right - frame.left),
                            platform::CW_USEDEFAULT + (frame.bottom - frame.top)};
    if (!window.CreateEngineWindow("zipai", style, 0, area, nullptr)) {
      std::fprintf(stderr, "zipai-client: the window could not be opened\n");
      platform::ShutdownWindowSystem();
      return 1;
    }
    window.InitEngine(new ClientRoot(), nullptr);
    window.frames_left = options.frames;
    exit_code = platform::RunMessageLoop();

    if (!options.screenshot.empty() && window.IsWindow()) {
      // The frame's words are 0xAARRGGBB: blue, green, red, alpha in memory.
      const std::vector<uint32_t>& frame = window.PresentedFrame();
      std::string error;
      if (frame.size() != static_cast<size_t>(window.FrameWidth()) * static_cast<size_t>(window.FrameHeight()) ||
          !platform::SavePng(options.screenshot, window.FrameWidth(), window.FrameHeight(),
                             reinterpret_cast<const uint8_t*>(frame.data()), &error, platform::PngAlpha::kDrop)) {
        std::fprintf(stderr, "zipai-client: cannot write %s: %s\n", options.screenshot.c_str(),
                     error.empty() ? "no frame" : error.c_str());
        exit_code = 1;
      }
    }
    if (options.hold && window.IsWindow()) {
      // Where the client area, which shows the engine's frame, lies on the screen.
      RECT shown{};
      window.GetClientRect(&shown);
      platform::POINT corner{0, 0};
      window.ClientToScreen(&corner);
      shown = RECT{corner.x, corner.y, corner.x + shown.right, corner.y + shown.bottom};
      std::printf("ready %d %d %d %d\n", shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top);
      std::fflush(stdout);
      std::string line;
      std::getline(std::cin, line);
    }
    if (window.IsWindow()) window.DestroyWindow();
  }
  platform::ShutdownWindowSystem();
  return exit_code;
}

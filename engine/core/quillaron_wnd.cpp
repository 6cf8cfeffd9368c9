// The host window: engine start, the frame timer, and the window messages the engine hears.
#include "engine/core/quillaron_wnd.h"

#include <atomic>

#include "engine/core/engine_log.h"
#include "engine/core/host_window_services.h"
#include "engine/core/input_module.h"
#include "engine/core/object_module.h"
#include "engine/core/rect_object.h"
#include "engine/media/gdi_paint_module.h"
#include "engine/media/music_module.h"
#include "engine/media/resource_module.h"
#include "platform/cursor.h"

namespace engine {
namespace {

// One counter for the whole program: each InitEngine takes the next frame timer id.
std::atomic<uint32_t> g_next_timer_id{CQuillaronWnd::kFirstTimerId};

RectObject* AsRect(EngineObject* object) { return dynamic_cast<RectObject*>(object); }

}  // namespace

// What the engine asks of its window: minimised or not, screen positions, cursor clipping.
class CQuillaronWnd::HostServices final : public HostWindowServices {
 public:
  explicit HostServices(CQuillaronWnd& window) : window_(window) {}
  bool IsIconic() override { return window_.IsIconic(); }
  POINT ClientToScreen(POINT client) override {
    window_.Window::ClientToScreen(&client);
    return client;
  }
  RECT GetClipCursor() override {
    RECT r{};
    platform::GetClipCursor(&r);
    return r;
  }
  void ClipCursor(const RECT* screen_rect) override { platform::ClipCursor(screen_rect); }

 private:
  CQuillaronWnd& window_;
};

CQuillaronWnd::CQuillaronWnd() : services_(std::make_unique<HostServices>(*this)) {
  core_.SetWindowServices(services_.get());
}

CQuillaronWnd::~CQuillaronWnd() {
  // A window torn down without WM_DESTROY still stops its engine before the core goes.
  if (IsWindow()) {
    KillTimer(timer_id_);
    core_.Shutdown();
  }
  core_.SetWindowServices(nullptr);
}

bool CQuillaronWnd::CreateEngineWindow(const char* name, uint32_t style, uint32_t ex_style, const RECT& rect,
                                       platform::Window* parent) {
  // The engine's own window class: no class style, so no double clicks.
  return CreateEx(ex_style, 0, name, style, rect, parent);
}

void CQuillaronWnd::InitEngine(EngineObject* root, ResourceModule* resource) {
  core_.Start(static_cast<platform::Window*>(this));
  // Load order is update order. A module whose Init fails is destroyed by the core, so each one
  // is looked up again by id afterwards rather than used through the pointer handed over.
  core_.LoadModule(resource ? resource : new ResourceModule(), true, true);
  core_.LoadModule(new ObjectModule(), true, false);
  core_.LoadModule(new GdiPaintModule(), true, true);
  // Without an audio device the music module fails to start and the engine runs silent.
  core_.LoadModule(new MusicModule(), true, false);
  core_.LoadModule(new InputModule(), true, true);

  if (GdiPaintModule* paint = Paint()) {
    // The areas the paint module marks wait in the window for its next paint.
    paint->Display().SetInvalidateListener([this](const RECT& area) { InvalidateRect(&area); });
    paint->SetSize(client_width_, client_height_);
  }
  if (ObjectModule* objects = Objects()) {
    objects->SetViewCentre(client_width_ / 2, client_height_ / 2);
    objects->SetViewSize(static_cast<uint32_t>(client_width_), static_cast<uint32_t>(client_height_));
    if (root) {
      root_ = root;
      objects->AddObject(root, nullptr);
      if (RectObject* r = AsRect(root)) r->OnRectChanged();
    }
    objects->RedrawAll();
  } else if (root) {
    WriteGameLog("CQuillaronWnd::InitEngine: no object module; the root object is not in a scene");
  }

  if (timer_id_ != 0) {
    // A second start must not leave the first timer running frames twice as often.
    WriteGameLog("CQuillaronWnd::InitEngine: engine started again; frame timer %u stopped", timer_id_);
    KillTimer(timer_id_);
  }
  timer_id_ = g_next_timer_id.fetch_add(1);
  SetTimer(timer_id_, kFrameInterval, FrameTimerProc);
}

void CQuillaronWnd::ResizeModules() {
  if (GdiPaintModule* paint = Paint()) paint->SetSize(client_width_, client_height_);
  if (ObjectModule* objects = Objects()) {
    objects->SetViewCentre(client_width_ / 2, client_height_ / 2);
    objects->SetViewSize(static_cast<uint32_t>(client_width_), static_cast<uint32_t>(client_height_));
    if (RectObject* r = AsRect(root_)) r->OnRectChanged();
    objects->RedrawAll();
  }
}

void CQuillaronWnd::OnFrame() { core_.RunFrame(); }

void CQuillaronWnd::ShowSceneNow() {
  core_.EnterFrameLock();
  if (ObjectModule* objects = Objects()) objects->FramePass();
  core_.LeaveFrameLock();
  PresentNow();
}

// Only a host window sets this timer, on itself.
void CQuillaronWnd::FrameTimerProc(platform::Window* window, uint32_t) {
  static_cast<CQuillaronWnd*>(window)->OnFrame();
}

InputModule* CQuillaronWnd::Input() { return dynamic_cast<InputModule*>(core_.FindModule(module_id::kInput)); }

ObjectModule* CQuillaronWnd::Objects() { return dynamic_cast<ObjectModule*>(core_.FindModule(module_id::kObject)); }

GdiPaintModule* CQuillaronWnd::Paint() { return dynamic_cast<GdiPaintModule*>(core_.FindModule(module_id::kPaint)); }

void CQuillaronWnd::OnPaint() {
  core_.SendEvent(module_id::kPaint, paint_event::kPresent, 0, 0);
  // The paint module has put its frame on its display; the parts being painted go on screen.
  GdiPaintModule* paint = Paint();
  if (!paint) return;
  const platform::DisplaySurface& display = paint->Display();
  if (display.PresentedWidth() <= 0) return;
  for (const RECT& area : GetUpdateRects()) {
    PaintPixels(area.left, area.top, display.PresentedFrame().data(), display.PresentedWidth(),
                display.PresentedHeight(), area);
  }
}

void CQuillaronWnd::OnSize(uint32_t, int cx, int cy) {
  // Minimising reports 0 x 0: the engine keeps its size.
  if (cx == 0 || cy == 0 || (cx == client_width_ && cy == client_height_)) return;
  client_width_ = cx;
  client_height_ = cy;
  ResizeModules();
}

void CQuillaronWnd::OnDestroy() {
  core_.Shutdown();
  root_ = nullptr;
  KillTimer(timer_id_);
}

bool CQuillaronWnd::OnSetCursor() {
  if (InputModule* input = Input()) input->OnSetCursor();
  return false;
}

void CQuillaronWnd::OnMouseMove(uint32_t flags, POINT p) {
  if (InputModule* input = Input()) input->OnMouseMove(p.x, p.y, flags);
}

bool CQuillaronWnd::OnMouseWheel(uint32_t flags, int16_t delta, POINT screen) {
  InputModule* input = Input();
  if (!input) return false;
  ScreenToClient(&screen);
  return input->OnMouseWheel(screen.x, screen.y, delta, flags) != 0;
}

void CQuillaronWnd::OnLButtonDown(uint32_t flags, POINT p) {
  InputModule* input = Input();
  if (!input) return;
  SetFocus();
  SetCapture();
  input->OnLButtonDown(p.x, p.y, flags);
}

void CQuillaronWnd::OnLButtonUp(uint32_t flags, POINT p) {
  InputModule* input = Input();
  if (!input) return;
  ReleaseCapture();
  input->OnLButtonUp(p.x, p.y, flags);
}

void CQuillaronWnd::OnLButtonDblClk(uint32_t flags, POINT p) {
  if (InputModule* input = Input()) input->OnLButtonDblClk(p.x, p.y, flags);
}

void CQuillaronWnd::OnRButtonDown(uint32_t flags, POINT p) {
  InputModule* input = Input();
  if (!input) return;
  SetCapture();
  input->OnRButtonDown(p.x, p.y, flags);
}

void CQuillaronWnd::OnRButtonUp(uint32_t flags, POINT p) {
  InputModule* input = Input();
  if (!input) return;
  ReleaseCapture();
  input->OnRButtonUp(p.x, p.y, flags);
}

void CQuillaronWnd::OnMButtonDown(uint32_t flags, POINT p) {
  if (InputModule* input = Input()) input->OnMButtonDown(p.x, p.y, flags);
}

void CQuillaronWnd::OnMButtonUp(uint32_t flags, POINT p) {
  if (InputModule* input = Input()) input->OnMButtonUp(p.x, p.y, flags);
}

void CQuillaronWnd::OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) {
  if (InputModule* input = Input()) input->OnKeyDown(key, repeat, flags);
}

void CQuillaronWnd::OnKeyUp(uint32_t key, uint32_t repeat, uint32_t flags) {
  if (InputModule* input = Input()) input->OnKeyUp(key, repeat, flags);
}

void CQuillaronWnd::OnChar(uint32_t ch, uint32_t repeat, uint32_t flags) {
  if (InputModule* input = Input()) input->OnChar(ch, repeat, flags);
}

void CQuillaronWnd::OnSetFocus() {
  if (InputModule* input = Input()) input->OnSetFocus();
}

void CQuillaronWnd::OnKillFocus() {
  if (InputModule* input = Input()) input->OnKillFocus();
}

bool CQuillaronWnd::OnCopyData(const platform::COPYDATASTRUCT* data) {
  if (RectObject* r = AsRect(root_)) r->OnCopyData(data);
  return false;
}

void CQuillaronWnd::OnSettingChange(uint32_t what) {
  if (RectObject* r = AsRect(root_); r != nullptr && what == platform::SPI_SETWORKAREA) r->OnWorkAreaChanged();
}

}  // namespace engine

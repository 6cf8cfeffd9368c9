// The engine's host window: embeds the module host, builds and loads the modules, adds the
// root scene object, runs one engine frame per tick of a 5 ms timer, hands mouse, keyboard and
// focus messages to the input module, and paint, size, destroy, copy-data and a changed work area
// to the engine.
// The application's frame window derives from it.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/core/game_core.h"
#include "platform/win_types.h"
#include "platform/window.h"

namespace engine {

class EngineObject;
class GdiPaintModule;
class InputModule;
class ObjectModule;
class ResourceModule;

class CQuillaronWnd : public platform::Window {
 public:
  // The first frame timer's id; each InitEngine takes the next.
  static constexpr uint32_t kFirstTimerId = 19840323;
  static constexpr uint32_t kFrameInterval = 5;

  CQuillaronWnd();
  ~CQuillaronWnd() override;

  // Creates the window (no class style: no double clicks; a derived window may ask for them).
  // rect: the window rectangle, frame included, on the screen (in the parent's client area for
  // WS_CHILD); ex_style: WS_EX_ bits; parent: the owner, or null; name is GBK.
  virtual bool CreateEngineWindow(const char* name, uint32_t style, uint32_t ex_style, const RECT& rect,
                                  platform::Window* parent);
  // Builds the engine: the modules, the root object (which the scene then owns) and the frame
  // timer. resource: the application's own resource module, or null for a new one.
  virtual void InitEngine(EngineObject* root, ResourceModule* resource);
  // Passes the client size to the modules and the root object.
  virtual void ResizeModules();
  // One engine frame.
  virtual void OnFrame();
  // Draws what changed in the scene and puts it on screen now, without ticking the modules: for
  // a caller about to hold the loop (a request that blocks behind the wait box).
  void ShowSceneNow();
  virtual int32_t GetClientWidth() { return client_width_; }
  virtual int32_t GetClientHeight() { return client_height_; }

  GameCore* GetCore() { return &core_; }
  EngineObject* GetRootObject() { return root_; }
  uint32_t GetTimerId() const { return timer_id_; }

 protected:
  void OnPaint() override;
  void OnSize(uint32_t type, int cx, int cy) override;
  void OnDestroy() override;
  bool OnEraseBkgnd() override { return true; }
  void OnWindowPosChanging() override {}
  bool OnSetCursor() override;
  void OnMouseMove(uint32_t flags, POINT client) override;
  bool OnMouseWheel(uint32_t flags, int16_t delta, POINT screen) override;
  void OnLButtonDown(uint32_t flags, POINT client) override;
  void OnLButtonUp(uint32_t flags, POINT client) override;
  void OnLButtonDblClk(uint32_t flags, POINT client) override;
  void OnRButtonDown(uint32_t flags, POINT client) override;
  void OnRButtonUp(uint32_t flags, POINT client) override;
  void OnMButtonDown(uint32_t flags, POINT client) override;
  void OnMButtonUp(uint32_t flags, POINT client) override;
  void OnKeyDown(uint32_t key, uint32_t repeat, uint32_t flags) override;
  void OnKeyUp(uint32_t key, uint32_t repeat, uint32_t flags) override;
  void OnChar(uint32_t ch, uint32_t repeat, uint32_t flags) override;
  void OnSetFocus() override;
  void OnKillFocus() override;
  bool OnCopyData(const platform::COPYDATASTRUCT* data) override;
  void OnSettingChange(uint32_t what) override;

  // The loaded modules, looked up by id at each use (null when not loaded).
  InputModule* Input();
  ObjectModule* Objects();
  GdiPaintModule* Paint();

 private:
  class HostServices;
  static void FrameTimerProc(platform::Window* window, uint32_t timer_id);

  EngineObject* root_ = nullptr;
  uint32_t timer_id_ = 0;
  int32_t client_width_ = 0;
  int32_t client_height_ = 0;
  GameCore core_;
  std::unique_ptr<HostServices> services_;
};

}  // namespace engine

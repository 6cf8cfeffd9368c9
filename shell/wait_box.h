// The wait box: a text such as "正在打开保险箱，请稍等......" in the engine's message box, without
// buttons, over the middle of the table, while a request that blocks the window waits for its
// answer (and while a refused start waits for the window to close).
//
// Show puts the box on screen at once: the scene's changes are drawn and the window's frame is
// presented before Show returns, since the request that follows holds the loop. Hide takes it
// down (it goes at the next frame). A second Show replaces the text. A click on the box closes it
// as any box without buttons; Hide then finds nothing to close.
#pragma once

#include <cstdint>
#include <string>

namespace engine {
class EngineObject;
class RectObject;
}  // namespace engine

namespace shell {

class CGameFrameWnd;

class WaitBox {
 public:
  // Shows text in the scene of root (the game frame), centred on the table's rectangle, and
  // presents the window's frame. Nothing without a root in a scene.
  void Show(CGameFrameWnd* window, engine::RectObject* root, const std::string& text);
  void Hide(engine::RectObject* root);
  // The box while it is in the scene, else null.
  engine::EngineObject* GetBox(engine::RectObject* root) const;

 private:
  uint32_t box_key_ = 0;
};

}  // namespace shell

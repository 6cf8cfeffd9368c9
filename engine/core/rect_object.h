// An engine object with a rectangle: what root scenes derive from. The host window calls the
// root through these operations: it lays the scene out after every resize and hands it the
// data other programs send the window and word of a changed work area.
#pragma once

#include "engine/core/object_services.h"
#include "platform/win_types.h"
#include "platform/window.h"

namespace engine {

using platform::COPYDATASTRUCT;

class RectObject : public ObjectServices {
 public:
  RectObject() = default;

  // Lays the children out; called after the object joins the scene and after every resize.
  virtual void OnRectChanged() {}  // 152
  // Hears that a game was entered.
  virtual void OnEnterGame() {}  // 153
  // Data sent to the host window (WM_COPYDATA), valid during the call only.
  virtual void OnCopyData(const COPYDATASTRUCT* /*data*/) {}  // 154
  // Copies the four values, then lets the object lay itself out.
  virtual void SetRect(const RECT* rect);  // 155
  virtual RECT* GetRect(RECT* out) const;  // 156
  // Hears that the desktop's work area changed (a panel came, went or changed its size).
  virtual void OnWorkAreaChanged() {}

 private:
  RECT rect_{};
};

}  // namespace engine

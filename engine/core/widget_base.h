// The base of every widget and panel: an ObjectServices object with an optional skin, another
// scene object (as a rule the sprite showing the widget's picture) linked as its child. While a
// skin is set the widget is a logical object: it is never picked itself, its child-list, input,
// flag and layer operations go to the skin, and it reports the skin's geometry for every property
// the skin follows by its link flags.
#pragma once

#include <cstdint>

#include "engine/core/object_services.h"

namespace engine {

class WidgetBase : public ObjectServices {
 public:
  WidgetBase() = default;
  // The skin is a scene object of its own: it is neither unlinked nor freed here.
  ~WidgetBase() override = default;

  int GetKind() const override { return object_kind::kWidget; }        // 4
  int AddChild(EngineObject* child, uint32_t link_flags) override;     // 23
  uint32_t GetChildLinkFlags(uint32_t key) const override;             // 24
  void SetChildLinkFlags(uint32_t key, uint32_t link_flags) override;  // 25
  void RemoveChild(uint32_t key) override;                             // 26
  void RemoveAllChildren() override;                                   // 29
  void SetTakesInput(bool takes) override;                             // 34
  void SetDraggable(bool draggable) override;                          // 35
  void SetFlags(uint32_t flags) override;                              // 37
  void AddFlags(uint32_t flags) override;                              // 38
  void ClearFlags(uint32_t flags) override;                            // 39
  void SetLayer(uint32_t layer) override;                              // 40
  void MoveToTopLayer() override;                                      // 41
  int HitTest(int x, int y) override;                                  // 49
  uint32_t IsVisible() const override;                                 // 50
  int TakesInput() const override;                                     // 52
  int HasFocusWithin() const override;                                 // 54
  double GetX() const override;                                        // 56
  double GetY() const override;                                        // 57
  double GetDepth() const override;                                    // 58
  double GetDrawDepth() const override;                                // 59
  double GetWidth() const override;                                    // 60
  double GetHeight() const override;                                   // 61
  double GetAlpha() const override;                                    // 62
  double GetAngle() const override;                                    // 63
  RECT* GetLimitRect(RECT* out) const override;                        // 64
  uint32_t GetFlags() const override;                                  // 65
  uint32_t GetLayer() const override;                                  // 66
  double GetLeft() const override;                                     // 67
  double GetRight() const override;                                    // 68
  double GetTop() const override;                                      // 69
  double GetBottom() const override;                                   // 70

  // Makes skin the widget's skin, linked with link_flags (subscriptions always follow, so the skin
  // fires the widget's input messages). Null removes the skin; the widget itself is refused.
  virtual void SetSkin(EngineObject* skin, uint32_t link_flags);  // 152
  // Input on or off (on the skin when there is one); the widget is told with QUILLARON_EVENT_ENABLED or _DISABLED.
  virtual void SetEnabled(bool enabled);  // 153
  virtual EngineObject* GetSkinOrSelf();  // 154
  // Keeps the value's magnitude as the widget's spacing (the rich-text view spaces its items by it).
  virtual void SetAbsDouble(int32_t value);  // 155
  // A slot for derived classes: an action of their own.
  virtual void OnWidgetAction() {}  // 156

  double GetSpacing() const { return spacing_; }

  // The skin while it is still linked to the widget (a skin removed from the scene has left the
  // widget's child list, and is no longer followed), else null.
  EngineObject* CurrentSkin() const;

 private:
  // The skin when it is set and its link flags hold every bit of mask.
  EngineObject* SkinWith(uint32_t mask) const;

  EngineObject* skin_ = nullptr;
  double spacing_ = 0.0;
};

// Moves an object in depth so that the depth it reports becomes z. SetDepth moves a widget to z
// and its skin by the same change, so a skin made after the widget (which stands at another
// depth) lands beside z, while the widget reports the skin's depth; for other objects this is
// SetDepth.
inline void SetDepthExactly(EngineObject* object, double z) {
  if (object != nullptr) object->MoveDepth(z - object->GetDepth());
}

}  // namespace engine

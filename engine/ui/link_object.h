// A link in a rich-text view: the target behind a run of glyphs, and the optional picture shown
// while the pointer is over them. The view finds the link under the pointer and sends it the
// pointer events (19840325 entered, 19840326 left, 19840330 clicked, each with the input snapshot
// in p2). Over the link the hand cursor shows, and the hover picture beside the pointer; a click
// posts 80000007 to the owner with p1 = the target and p2 = the link's key (the owner looks the
// link up by that key, so a link dropped meanwhile opens nothing).
#pragma once

#include <cstdint>
#include <string>

#include "engine/core/object_services.h"

namespace engine {

class SpriteObject;

class LinkObject : public ObjectServices {
 public:
  LinkObject() = default;
  ~LinkObject() override = default;

  int OnMessage(const ObjectMessage* message) override;

  // Keeps the target and the owner; makes the hover picture when its name is not empty. The
  // link must be in a scene.
  virtual void Set(const char* target, const char* hover_picture, uint32_t owner);

  const std::string& GetTarget() const { return target_; }
  uint32_t GetOwner() const { return owner_; }
  SpriteObject* GetHoverPicture() const { return hover_; }
  bool IsHovered() const { return hovered_; }

 private:
  std::string target_;
  uint32_t owner_ = 0;
  SpriteObject* hover_ = nullptr;
  bool hovered_ = false;
};

}  // namespace engine

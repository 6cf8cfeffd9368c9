// A menu list whose rows can be removed by their text: the list of recent values under a quick
// input bar.
#pragma once

#include "engine/ui/menu_list.h"

namespace engine {

class NamedChildList : public MenuList {
 public:
  NamedChildList() = default;
  ~NamedChildList() override = default;

  // Removes and destroys the first row whose caption is the text (byte for byte), then lays the
  // list out again, found or not. True when a row went.
  virtual bool RemoveByText(const char* text);
};

}  // namespace engine

#include "engine/ui/named_child_list.h"

#include <cstring>

#include "engine/ui/menu_item.h"

namespace engine {

bool NamedChildList::RemoveByText(const char* text) {
  if (text != nullptr) {
    for (MenuItem* item : items_) {
      if (std::strcmp(item->GetText(), text) == 0) return RemoveItem(item);
    }
  }
  Layout();
  return false;
}

}  // namespace engine

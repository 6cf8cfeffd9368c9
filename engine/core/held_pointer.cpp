#include "engine/core/held_pointer.h"

namespace engine {

uint8_t* ReplaceOwnedBuffer(BufferHolder* holder, std::unique_ptr<uint8_t[]> block) {
  if (holder == nullptr) return nullptr;
  holder->block = std::move(block);
  return holder->block.get();
}

intptr_t ForwardToHeldObject(const ObjectHolder* holder, intptr_t a, intptr_t b) {
  if (holder == nullptr || holder->object == nullptr) return 0;
  return holder->object->Call(a, b);
}

}  // namespace engine

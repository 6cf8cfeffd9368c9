// Two small helpers of a record whose second word owns what it points at: a block of bytes, or
// an object that calls are forwarded to. Offered to game code; the engine itself does not use
// them.
#pragma once

#include <cstdint>
#include <memory>

namespace engine {

// An object a holder forwards calls to. Its second virtual operation (after the destructor)
// takes the two words of a forwarded call.
class HeldObject {
 public:
  virtual ~HeldObject() = default;
  virtual intptr_t Call(intptr_t a, intptr_t b) = 0;
};

// A record of two words: a word of the owner's, and the owned block.
struct BufferHolder {
  uint32_t word = 0;
  std::unique_ptr<uint8_t[]> block;
};

// A record of two words: a word of the owner's, and the owned object.
struct ObjectHolder {
  uint32_t word = 0;
  std::unique_ptr<HeldObject> object;
};

// Releases the held block (when there is one), keeps the new one and returns it. A null holder
// keeps nothing: the block is released and null returned.
uint8_t* ReplaceOwnedBuffer(BufferHolder* holder, std::unique_ptr<uint8_t[]> block);

// 0 when nothing is held, else what the held object's Call (a, b) returns.
intptr_t ForwardToHeldObject(const ObjectHolder* holder, intptr_t a, intptr_t b);

}  // namespace engine

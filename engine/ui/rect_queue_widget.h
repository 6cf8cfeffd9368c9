// A first-in first-out queue of object messages that delivers them one at a time: a record
// pushed into an empty queue is posted to its target (delivered in the object module's next
// turn); the record stays at the head until its receiver pops it, and popping posts the next
// record. So each receiver handles one record, takes it out, and only then gets the next (the
// frame shows the match-end boards this way, one after the other).
//
// The queue holds the records by value; a pointer a record carries (a heap block for its
// receiver) stays the receiver's to free, as for any posted message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

#include "engine/core/widget_base.h"

namespace engine {

class RectQueueWidget : public WidgetBase {
 public:
  // Most records held; a push beyond it is refused with a log line.
  static constexpr size_t kMaxRecords = 256;

  RectQueueWidget() = default;
  ~RectQueueWidget() override = default;

  // Appends the record; false when the queue is full or the record is null.
  virtual bool Push(const ObjectMessage* record);
  // Takes the oldest record out (into out, when given) and posts the next one; false when the
  // queue is empty (out is left alone then).
  virtual bool Pop(ObjectMessage* out);
  // The oldest record, or null.
  virtual const ObjectMessage* Peek() const;
  // Drops every record unsent.
  virtual void Clear() { records_.clear(); }

  size_t Size() const { return records_.size(); }
  bool IsEmpty() const { return records_.empty(); }

 protected:
  // The records held, oldest first.
  const std::deque<ObjectMessage>& Records() const { return records_; }

 private:
  void PostHead();

  std::deque<ObjectMessage> records_;
};

}  // namespace engine

// The cursor object: an optional scene object named "object_cursor" that keeps numbered cursors
// and shows the current one when the window asks for its cursor. The input module and the
// widgets find it by name; without it they fall back to the system hand and arrow.
#pragma once

#include <cstdint>
#include <map>

#include "engine/core/engine_files.h"
#include "engine/core/object_services.h"
#include "platform/cursor.h"

namespace engine {

inline constexpr const char* kCursorObjectName = "object_cursor";

class CursorObject : public ObjectServices {
 public:
  // The longest cursor file path accepted.
  static constexpr size_t kMaxPath = kMaxPathLength;

  CursorObject();
  ~CursorObject() override;

  // Each Add loads a cursor under a number not yet in the table; a taken number gives null
  // and loads nothing.
  virtual platform::HCURSOR AddCursorFromFile(const char* path, int32_t number);          // 152
  virtual platform::HCURSOR AddCursorFromResource(uint32_t resource_id, int32_t number);  // 153
  virtual platform::HCURSOR AddSystemCursor(uint32_t system_id, int32_t number);          // 154
  virtual platform::HCURSOR FindCursor(int32_t number);                                   // 155
  // Shows the current cursor, when there is one.
  virtual void ApplyCursor();                               // 156
  virtual void SetCurrentHandle(platform::HCURSOR cursor);  // 157
  virtual void SelectCursor(int32_t number);                // 158
  virtual void SelectSystemCursor(uint32_t system_id);      // 159
  virtual void SelectResourceCursor(uint32_t resource_id);  // 160

  // Answers the hand, arrow and set-cursor messages; every other message is left alone.
  int OnMessage(const ObjectMessage* message) override;

  platform::HCURSOR GetCurrentHandle() const { return current_; }

 private:
  platform::HCURSOR Add(platform::HCURSOR loaded, int32_t number);

  std::map<int32_t, platform::HCURSOR> cursors_;
  platform::HCURSOR current_ = nullptr;
};

}  // namespace engine

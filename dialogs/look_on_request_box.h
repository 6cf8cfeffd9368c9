// The box that asks a player whether a looker may see the player's cards: the looker's avatar
// and "<c=255>NAME<c=0> 请求看牌!", with "同意" (accept) and "拒绝" (refuse); each button sends its
// message and closes the box. The table view makes it (it is draggable there).
//
// The name is the looker's own text: it is shown as plain text.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/dialog_board.h"

namespace dialogs {

class CLookOnRequestBox : public DialogBoard {
 public:
  static constexpr int32_t kWidth = 290;
  static constexpr int32_t kHeight = 200;
  static constexpr uint32_t kPlate = 0xF0F8FC;

  CLookOnRequestBox() = default;
  ~CLookOnRequestBox() override = default;

  // Builds the box; false when it is not in a scene.
  virtual bool Setup(const char* name, const char* avatar, const engine::ObjectMessage* accept,
                     const engine::ObjectMessage* refuse);

  // The text as drawn.
  const std::string& GetText() const { return text_; }
  void Accept() { Press(0); }
  void Refuse() { Press(1); }

 private:
  std::string text_;
};

}  // namespace dialogs

// The board that slides in when another player asks to leave a running game: the player's
// 32 x 32 avatar and name, the reason the player gave, and two buttons, "同意" (the first reply)
// and "拒绝" (the second reply); each sends its reply record and closes the board. The seconds
// left count down in the corner; when they are up the board answers with the first reply: a
// player who is away does not hold the asking player at the table.
//
// The name and the reason are the other player's text: they are shown as plain text.
#pragma once

#include <cstdint>
#include <string>

#include "dialogs/dialog_board.h"

namespace dialogs {

class CExitRequestBox : public DialogBoard {
 public:
  static constexpr int32_t kWidth = 290;
  static constexpr int32_t kHeight = 200;

  CExitRequestBox() = default;
  ~CExitRequestBox() override = default;

  // Builds the board; false when it is not in a scene.
  virtual bool Set(const char* name, const char* text, const char* avatar, const engine::ObjectMessage* first,
                   const engine::ObjectMessage* second, int32_t seconds);

  const std::string& GetName() const { return name_; }
  const std::string& GetText() const { return text_; }
  const std::string& GetAvatar() const { return avatar_; }

 protected:
  void OnTimeUp() override;

 private:
  std::string name_;
  std::string text_;
  std::string avatar_;
};

}  // namespace dialogs

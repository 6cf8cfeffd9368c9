#include "dialogs/exit_request_box.h"

#include "engine/core/canvas_object.h"
#include "engine/core/engine_log.h"
#include "engine/ui/text_markup.h"

namespace dialogs {

bool CExitRequestBox::Set(const char* name, const char* text, const char* avatar, const engine::ObjectMessage* first,
                          const engine::ObjectMessage* second, int32_t seconds) {
  if (!MakeBody("bit_systemboard", kWidth, kHeight)) return false;
  name_ = name != nullptr ? name : "";
  text_ = text != nullptr ? text : "";
  avatar_ = avatar != nullptr ? avatar : "";
  DrawBackground();
  DrawBodyPicture(avatar_.c_str(), 38, 50, 32, 32);
  const std::string heading = "<c=65535>" + engine::InertCanvasText(name_) + "<c=16777215> 请求强退：";
  DrawBodyText(heading, 30, 64, 20, 12, 0xFFFFFF);
  DrawBodyText(engine::InertCanvasText(text_), 76, 24, 20, 12, 0xFFFFFF);
  const int32_t centre = GetBody()->GetSurfaceWidth() / 2;
  AddButton("btn_request_agree", "同意", first, centre - 35, 163);
  AddButton("btn_request_refuse", "拒绝", second, centre + 35, 163);
  StartCountdown(seconds);
  return true;
}

void CExitRequestBox::OnTimeUp() {
  engine::WriteGameLog("exit request of %s: no answer given in time; agreed", name_.c_str());
  Press(0);
}

}  // namespace dialogs

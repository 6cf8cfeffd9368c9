#include "dialogs/look_on_request_box.h"

#include "engine/core/canvas_object.h"
#include "engine/core/colour_key.h"
#include "engine/ui/text_markup.h"

namespace dialogs {

bool CLookOnRequestBox::Setup(const char* name, const char* avatar, const engine::ObjectMessage* accept,
                              const engine::ObjectMessage* refuse) {
  if (!MakeBody("bit_systemboard", kWidth, kHeight)) return false;
  const std::string shown = engine::InertCanvasText(name != nullptr ? name : "");
  text_ = "<c=255>" + shown + "<c=0> 请求看牌!";
  DrawBackground();
  // The request is written in dark letters: it stands on a light plate.
  engine::CanvasObject* body = GetBody();
  const int32_t w = body->GetSurfaceWidth();
  body->SetFillColour(kPlate);
  body->FillRect(16, 36, w - 16, 132);
  body->SetFillColour(engine::kColourKey);
  DrawBodyPicture(avatar, 40, 62, 32, 32);
  DrawBodyText(text_, 54, 66, 24, 14, 0);
  const int32_t centre = GetBody()->GetSurfaceWidth() / 2;
  AddButton("btn_request_agree", "同意", accept, centre - 35, 163);
  AddButton("btn_request_refuse", "拒绝", refuse, centre + 35, 163);
  return true;
}

}  // namespace dialogs

#include "net/answer_codes.h"

#include <cstdio>

namespace net {

std::string AnswerText(int32_t code) {
  switch (code) {
    case answer::kOk:
      return "操作成功。";
    case answer::kServerBusy:
      return "服务器忙，请稍后再试。";
    case answer::kBadRequest:
      return "请求的数据有误。";
    case answer::kNotLoggedIn:
      return "您的登录已经失效，请重新登录。";
    case answer::kNotAtTable:
      return "您已经不在这张游戏桌上。";
    case answer::kRefused:
      return "服务器拒绝了您的请求。";
    case answer::kTimedOut:
      return "请求超时，请稍后再试。";
    case answer::kNotConnected:
      return "没有连接到游戏服务器。";
    case answer::kFailed:
      return "操作失败。";
    case answer::kNotSent:
      return "请求没有能够发送出去。";
    case answer::kGameRunning:
      return "游戏正在进行中。";
    default:
      break;
  }
  char text[96];
  if (code >= 60000 && code <= 60099) {
    std::snprintf(text, sizeof text, "保险箱操作失败(错误%d)。", static_cast<int>(code));
  } else if (code >= 210000 && code <= 210099) {
    std::snprintf(text, sizeof text, "游戏服务器拒绝了您的请求(错误%d)。", static_cast<int>(code));
  } else {
    std::snprintf(text, sizeof text, "未知错误(错误%d)。", static_cast<int>(code));
  }
  return text;
}

}  // namespace net

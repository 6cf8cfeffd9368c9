// The message box stand-in: a diagnostics line, and the handler's answer.
#include "platform/message_box.h"

#include <mutex>

#include "platform/diagnostics.h"
#include "platform/gbk.h"

namespace platform {
namespace {
std::mutex g_handler_mutex;
MessageBoxHandler g_handler;

int DefaultAnswer(unsigned type) {
  switch (type & 0xF) {
    case MB_YESNO:
    case MB_YESNOCANCEL:
      return IDYES;
    default:
      return IDOK;
  }
}
}  // namespace

int MessageBoxA(const char* text, const char* caption, unsigned type) {
  const std::string t = text ? text : "";
  const std::string c = caption ? caption : "";
  ReportProblem("message box [%s] %s", GbkToUtf8(c).c_str(), GbkToUtf8(t).c_str());
  MessageBoxHandler handler;
  {
    std::lock_guard lock(g_handler_mutex);
    handler = g_handler;
  }
  return handler ? handler(t, c, type) : DefaultAnswer(type);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard lock(g_handler_mutex);
  MessageBoxHandler previous = std::move(g_handler);
  g_handler = std::move(handler);
  return previous;
}

}  // namespace platform

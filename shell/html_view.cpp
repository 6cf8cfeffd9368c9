#include "shell/html_view.h"

#include "engine/core/engine_log.h"
#include "platform/window.h"
#include "shell/desktop_hooks.h"

namespace shell {
namespace {

std::string RectText(const platform::RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

}  // namespace

void CFixHtmlView::Note(const std::string& line) {
  if (log_.size() == kKept) log_.pop_front();
  log_.push_back(line);
}

bool CFixHtmlView::Create(const char*, const char* window_name, uint32_t style, const platform::RECT& rect,
                          platform::Window*, uint32_t) {
  created_ = true;
  visible_ = (style & platform::WS_VISIBLE) != 0;
  rect_ = rect;
  Note(std::string("create ") + (window_name ? window_name : "") + " " + RectText(rect));
  return true;
}

void CFixHtmlView::SetFlag(int flag) {
  flag_ = flag;
  Note("flag " + std::to_string(flag));
}

void CFixHtmlView::SetIdText(const std::string& text) {
  id_text_ = text;
  Note("id " + text);
}

bool CFixHtmlView::Navigate(const char* address, int, int, int, int, int) {
  const std::string target = address ? address : "";
  if (!IsWebAddress(target)) {
    engine::WriteGameLog("browser: \"%s\" is not a web address; not shown", target.c_str());
    return false;
  }
  location_ = target;
  Note("navigate " + target);
  return true;
}

bool CFixHtmlView::CallScript(const char* function) {
  if (function == nullptr || *function == '\0') return false;
  Note(std::string("script ") + function);
  return true;
}

void CFixHtmlView::Refresh(int level) { Note("refresh " + std::to_string(level)); }

void CFixHtmlView::ShowWindow(int command) {
  visible_ = command != platform::SW_HIDE;
  Note("show " + std::to_string(command));
}

void CFixHtmlView::UpdateWindow() { Note("update"); }

void CFixHtmlView::MoveWindow(const platform::RECT& rect) {
  rect_ = rect;
  Note("move " + RectText(rect));
}

}  // namespace shell

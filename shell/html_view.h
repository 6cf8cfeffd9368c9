// The embedded browser control of the advert bar. There is no browser engine here: the view
// keeps its window state and writes down what it is asked (one line each, the last 256), so the
// advert bar behaves the same and a test reads what it would have shown.
//
// Lines: "create <name> <left>,<top>,<right>,<bottom>", "flag <n>", "id <text>",
// "navigate <address>", "script <function>", "refresh <level>", "show <command>", "update",
// "move <left>,<top>,<right>,<bottom>". Navigation takes web addresses only.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "platform/win_types.h"

namespace platform {
class Window;
}

namespace shell {

class CFixHtmlView {
 public:
  static constexpr size_t kKept = 256;

  virtual ~CFixHtmlView() = default;

  bool Create(const char* class_name, const char* window_name, uint32_t style, const platform::RECT& rect,
              platform::Window* parent, uint32_t id);
  void SetFlag(int flag);
  void SetIdText(const std::string& text);
  // Goes to a web address; the five further values are unused. False for anything else.
  bool Navigate(const char* address, int, int, int, int, int);
  // Calls a function of the page's script by name.
  bool CallScript(const char* function);
  void Refresh(int level);
  void ShowWindow(int command);
  void UpdateWindow();
  void MoveWindow(const platform::RECT& rect);

  bool IsCreated() const { return created_; }
  bool IsVisible() const { return visible_; }
  const std::string& GetLocationUrl() const { return location_; }
  const platform::RECT& GetRect() const { return rect_; }
  const std::deque<std::string>& Log() const { return log_; }

 private:
  void Note(const std::string& line);

  bool created_ = false;
  bool visible_ = false;
  int flag_ = 0;
  std::string id_text_;
  std::string location_;
  platform::RECT rect_{};
  std::deque<std::string> log_;
};

// The advert bar's browser control.
class CAdvertHtmlCtrl : public CFixHtmlView {};

}  // namespace shell
